#include "icon/IconFile.h"
#include "platform/Error.h"
#include "platform/Surface.h"

#include "../support/IconTestSupport.h"
#include "support/OtherUser.h"

#include <QBitmap>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace brevane;
using namespace brevane::test;

namespace {

// ICO bytes field by field, so that a test says exactly what a file claims.
struct RawEntry {
    quint8 width = 16, height = 16, colours = 0;
    quint16 planes = 1, bits = 24;
    qint32 bytes = 0, offset = 0;
};

template <typename T> QByteArray le(T v)
{
    QByteArray b(sizeof(T), '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray header(quint16 type, qint16 count) { return le(quint16(0)) + le(type) + le(count); }

QByteArray entry(const RawEntry& e)
{
    return QByteArray(1, char(e.width)) + char(e.height) + char(e.colours) + '\0' + le(e.planes) + le(e.bits)
        + le(e.bytes) + le(e.offset);
}

// A block laid out as addImage lays it out: header, table, bits all 'fill'.
QByteArray block(int size, int bits, char fill = '\0')
{
    const int rows = size * ((bits * size + 31) / 32 * 4 + (size + 31) / 32 * 4);
    return le(40) + le(size) + le(2 * size) + le(quint16(1)) + le(quint16(bits)) + QByteArray(24, '\0')
        + QByteArray((bits <= 8 ? 4 << bits : 0) + rows, fill);
}

// The colour and mask bytes a 24-bit image must hold for 'picture': bottom-up rows of B,G,R,
// magenta pixels black with their mask bit set; every row padded to 4 bytes.
QByteArray expectedBits(const Surface& picture, int size)
{
    const int xorRow = (size * 24 + 31) / 32 * 4, maskRow = (size + 31) / 32 * 4;
    QByteArray xorBits(size * xorRow, '\0'), maskBits(size * maskRow, '\0');
    for (int r = 0; r < size; ++r)
        for (int c = 0; c < size; ++c) {
            const bool clear = picture.pixel(c, r) == Magenta;
            const Colour v = clear ? RGB(0, 0, 0) : picture.pixel(c, r);
            char* mask = maskBits.data() + (size - 1 - r) * maskRow + c / 8;
            *mask = char(*mask | (clear ? 0x80 >> (c % 8) : 0));
            const char bgr[] = { char(blueOf(v)), char(greenOf(v)), char(redOf(v)) };
            std::copy_n(bgr, 3, xorBits.data() + (size - 1 - r) * xorRow + 3 * c);
        }
    return xorBits + maskBits;
}

} // namespace

class tst_IconFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void addImage_data();
    void addImage();
    void addRemoveOffsets();
    void load_data();
    void load();
    void roundTrip();
    void saveFailure();
    void mask();
    void maskFollowsDirectoryHeight();
    void fillsImage();
    void refused();

private:
    QString file(const QByteArray& bytes)
    {
        return writeFile(m_dir.filePath("test.ico"), bytes) ? m_dir.filePath("test.ico") : QString();
    }
    QTemporaryDir m_dir;
};

void tst_IconFile::addImage_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("colours");
    QTest::addColumn<int>("bits");
    QTest::newRow("16x16, 2 colours") << 16 << 2 << 1;
    QTest::newRow("32x32, 16 colours") << 32 << 16 << 4;
    QTest::newRow("32x32, 256 colours") << 32 << 256 << 8;
    QTest::newRow("48x48, true colour") << 48 << 1000 << 24;
}

// 1-bit images start black and white, the others all zero; the file is directory then block.
void tst_IconFile::addImage()
{
    QFETCH(int, size);
    QFETCH(int, colours);
    QFETCH(int, bits);
    IconFile icon;
    QVERIFY_THROWS_NO_EXCEPTION(icon.addImage(size, size, colours));
    QCOMPARE(icon.imageColourCount(1), qint32(1) << bits);
    QByteArray want = block(size, bits);
    if (bits == 1)
        want.replace(44, 4, "\xFF\xFF\xFF\0", 4);
    QCOMPARE(icon.imageBlock(1), want);
    const QString path = m_dir.filePath(QStringLiteral("one.ico"));
    QVERIFY_THROWS_NO_EXCEPTION(icon.save(path));
    const quint8 entryColours = bits <= 4 ? quint8(1 << bits) : 0;
    QCOMPARE(readFile(path),
        header(1, 1) + entry({ quint8(size), quint8(size), entryColours, 1, quint16(bits), qint32(want.size()), 22 })
            + want);
    // The same image again is refused; true colour counts 2^24 colours, so 1000 again is another.
    QCOMPARE(errorOf([&] { icon.addImage(size, size, colours); }), bits == 24 ? 0 : err::IconAlreadyExists);
}

void tst_IconFile::addRemoveOffsets()
{
    IconFile icon;
    QVERIFY_THROWS_NO_EXCEPTION(icon.addImage(32, 32, 16));
    QVERIFY_THROWS_NO_EXCEPTION(icon.addImage(16, 16, 2));
    QCOMPARE(icon.entry(2).dwImageOffset, 38 + 744);
    QVERIFY_THROWS_NO_EXCEPTION(icon.addImage(48, 48, 1000));
    for (qint32 i = 1; i <= 3; ++i)
        QCOMPARE(icon.entry(i).dwImageOffset, QList<qint32>({ 54, 54 + 744, 54 + 744 + 176 })[i - 1]);
    for (qint32 bad : { 0, 4 })
        QCOMPARE(errorOf([&] { icon.removeImage(bad); }), err::SubscriptOutOfRange);
    const QByteArray third = icon.imageBlock(3);
    icon.removeImage(2);
    QCOMPARE(icon.entry(2).dwImageOffset, 38 + 744);
    QCOMPARE(icon.imageBlock(2), third);
    icon.removeImage(1);
    QCOMPARE(icon.entry(1).dwImageOffset, 22);
    IconFile copy;
    icon.cloneTo(copy);
    // Down to one image, any index empties the document; the copy is its own.
    icon.removeImage(7);
    QCOMPARE(icon.imageCount(), 0);
    QCOMPARE(copy.imageBlock(1), third);
}

void tst_IconFile::load_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("isIcon");
    QTest::addColumn<int>("load"); // load(): 1 loads, 0 false, else the error raised; -1 not asked

    const QByteArray b = block(16, 1);
    const qint32 n = qint32(b.size());
    const QByteArray one = header(1, 1), e = entry({ 16, 16, 2, 1, 1, n, 22 });
    const auto row = [&](const char* name, const QByteArray& bytes, bool isIcon, int load) {
        QTest::newRow(name) << bytes << isIcon << load;
    };
    const int failed = err::IconLoadFailed;
    row("one 16x16 image", one + e + b, true, 1);
    row("cursor", header(2, 1) + e + b, false, 0);
    row("idCount 0", header(1, 0), false, 0);
    row("idCount 257", header(1, 257) + QByteArray(257 * 16, '\0'), false, -1);
    row("idCount 256, complete directory", header(1, 256) + entry({ 0, 0 }).repeated(256), true, 1);
    row("directory ends inside an entry", header(1, 2) + e + entry({}).left(10), false, failed);
    row("width 0 skips the size rule", one + entry({ 0, 16, 2, 1, 1, 99999, 99999 }), true, failed);
    row("size and offset equal the file size", one + entry({ 16, 16, 2, 1, 1, 22 + n, 22 + n }) + b, false, failed);
    row("last block cut short", header(1, 2) + entry({ 16, 16, 2, 1, 1, n, 38 }) + entry({ 32, 32, 2, 1, 1, n, 38 + n })
            + b + b.left(20), true, failed);
    row("negative dwBytesInRes", one + entry({ 16, 16, 2, 1, 1, -5, 22 }) + b, true, failed);
    row("negative offset", one + entry({ 16, 16, 2, 1, 1, n, -22 }) + b, true, failed);
    row("missing file", {}, false, 0);
}

void tst_IconFile::load()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, isIcon);
    QFETCH(int, load);
    const QString path = bytes.isEmpty() ? m_dir.filePath(QStringLiteral("no-such.ico")) : file(bytes);
    IconFile icon;
    QVERIFY_THROWS_NO_EXCEPTION(icon.addImage(48, 48, 1000));
    QCOMPARE(icon.isIconFile(path), isIcon);
    QCOMPARE(icon.imageCount(), 1); // the document is not touched
    if (load < 0)
        return;
    bool loaded = false;
    QString source;
    QCOMPARE(errorOf([&] { loaded = icon.load(path); }, nullptr, &source), load == err::IconLoadFailed ? load : 0);
    QCOMPARE(source, load == err::IconLoadFailed ? QStringLiteral("Brevane.cFileIcon") : QString());
    QCOMPARE(loaded, load == 1);
    if (load != 1)
        QCOMPARE(icon.imageCount(), 0);
}

// Files of other tools come back byte for byte; blocks stored in reverse order after a gap are
// gathered, each entry pointing where its block went; a block shorter than its header claims is
// kept as it is but neither read nor written.
void tst_IconFile::roundTrip()
{
    for (const char* command :
        { "/usr/bin/convert -size 48x48 gradient:red-blue -define icon:auto-resize=48,32,16 in.ico",
            "/usr/bin/convert -size 32x32 gradient:green-white -colors 16 c.png && icotool -c -b 4 -o in.ico c.png" }) {
        QTemporaryDir dir;
        QProcess tool;
        tool.setWorkingDirectory(dir.path());
        tool.start(QStringLiteral("sh"), { QStringLiteral("-c"), QString::fromLatin1(command) });
        QVERIFY2(tool.waitForFinished(60000) && tool.exitCode() == 0, qPrintable(tool.readAllStandardError()));
        IconFile icon;
        QVERIFY(icon.load(dir.filePath(QStringLiteral("in.ico"))));
        QVERIFY_THROWS_NO_EXCEPTION(icon.save(dir.filePath(QStringLiteral("copy.ico"))));
        QCOMPARE(readFile(dir.filePath(QStringLiteral("copy.ico"))), readFile(dir.filePath(QStringLiteral("in.ico"))));
    }
    const QByteArray a = block(16, 1, '\x11'), b = block(32, 1, '\x22');
    const qint32 na = qint32(a.size()), nb = qint32(b.size()), bAt = 38 + 7;
    IconFile icon;
    QVERIFY(icon.load(file(header(1, 2) + entry({ 16, 16, 2, 1, 1, na, bAt + nb }) + entry({ 32, 32, 2, 1, 1, nb, bAt })
        + QByteArray(7, '\x7F') + b + a)));
    const QString saved = m_dir.filePath(QStringLiteral("gathered.ico"));
    QVERIFY_THROWS_NO_EXCEPTION(icon.save(saved));
    QCOMPARE(readFile(saved),
        header(1, 2) + entry({ 16, 16, 2, 1, 1, na, 38 }) + entry({ 32, 32, 2, 1, 1, nb, 38 + na }) + a + b);

    QVERIFY(icon.load(file(header(1, 1) + entry({ 16, 16, 2, 1, 1, 30, 22 }) + QByteArray(30, '\0'))));
    std::array<quint8, 8> mono {};
    QCOMPARE(errorOf([&] { icon.imageColourCount(1); }), err::SubscriptOutOfRange);
    QCOMPARE(errorOf([&] { icon.setColourTable(1, mono); }), err::SubscriptOutOfRange);
    QCOMPARE(icon.imageBlock(1), QByteArray(30, '\0'));
}

// Disk full part way: the old icon stays, the error keeps its number and text and names the
// file and the reason, no temporary is left.
void tst_IconFile::saveFailure()
{
    QCOMPARE(errorOf([] { IconFile().save(); }), err::NoFileName);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.ico"));
    IconFile icon;
    QString source;
    QCOMPARE(errorOf([&] { icon.save(path); }, nullptr, &source), err::IconCannotSave); // no images
    QCOMPARE(source, QStringLiteral("Brevane.cFileIcon"));
    icon.addImage(16, 16, 2);
    icon.save(path);
    const int status = inChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit small { 1000, 1000 };
        ::setrlimit(RLIMIT_FSIZE, &small);
        icon.addImage(48, 48, 1000);
        try {
            icon.save();
        } catch (const Error& e) {
            return e.number() == err::IconWriteFailed && e.detail() == path + QStringLiteral(": File too large") ? 0 : 2;
        }
        return 1;
    });
    QCOMPARE(status, 0);
    IconFile old;
    QVERIFY(old.load(path) && old.imageCount() == 1);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("old.ico") });
}

// Drawn as a mask: white where transparent, black where opaque; the icon handle's mask agrees.
void tst_IconFile::mask()
{
    IconFile icon;
    icon.addImage(32, 32, 1000);
    Surface picture = makePicture(32, 32);
    icon.setImageFromSurface(picture, 1, 0, 0, Magenta);
    Surface dc = Surface::colour(32, 32, RGB(77, 77, 77));
    icon.drawImage(dc, 1, 1);
    const QPixmap handle = icon.icon(Surface::colour(1, 1), 1).pixmap(QSize(32, 32));
    const QImage image = handle.toImage(), mask = handle.mask().toImage();
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const bool clear = patternAt(x, y) == Magenta;
            QCOMPARE(dc.pixel(x, y), clear ? RGB(255, 255, 255) : RGB(0, 0, 0));
            QCOMPARE(image.pixel(x, y), clear ? 0u : toQRgb(patternAt(x, y)));
            QCOMPARE(mask.pixel(x, y) == qRgb(0, 0, 0), !clear); // color1 (black) marks what is shown
        }
}

// bHeight is the real height, biHeight twice what the block was made for: the mask starts
// after bHeight colour rows, not after biHeight / 2 of them.
void tst_IconFile::maskFollowsDirectoryHeight()
{
    QByteArray b = block(16, 1); // biHeight of a 16x16 image; the directory says 16x8
    b.replace(48 + 8 * 4, 8 * 4, QByteArray(8 * 4, char(0xFF))); // after 8 colour rows: all transparent
    IconFile icon;
    QVERIFY(icon.load(file(header(1, 1) + entry({ 16, 8, 2, 1, 1, qint32(b.size()), 22 }) + b)));
    const QImage image = icon.imageWithAlpha(Surface::colour(1, 1), 1);
    QCOMPARE(image.size(), QSize(16, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            QCOMPARE(qAlpha(image.pixel(x, y)), 0);
}

// 15x15 at 24 bits, rows padded from 45 to 48 bytes: the header untouched, every byte of the
// colour and mask bits written, padding too. Depths and palettes: the converters' tests.
void tst_IconFile::fillsImage()
{
    QTemporaryDir dir;
    IconFile icon;
    QVERIFY(loadWithFiller(icon, dir, 15, ColourDepth::TrueColour, char(0xAA)));
    const QByteArray before = icon.imageBlock(1);
    Surface picture = makePicture(25, 25);
    icon.setImageFromSurface(picture, 1, 0, 0, -1); // -1: the top-left colour, magenta
    QCOMPARE(icon.imageBlock(1).left(40), before.left(40));
    QCOMPARE(icon.imageBlock(1).mid(40), expectedBits(picture, 15));
}

// Index 0 or 2; 24 bit, last mask byte missing; 8 bit, cut inside the colour table: nothing changes.
void tst_IconFile::refused()
{
    for (const auto& [index, colourCount, trim] :
        { std::tuple { 0, 2, 0 }, { 2, 2, 0 }, { 1, 1000, 1 }, { 1, 256, 2000 } }) {
        QTemporaryDir dir;
        IconFile icon;
        QVERIFY(loadWithFiller(icon, dir, 32, colourCount, char(0x33), trim));
        const QByteArray before = icon.imageBlock(1);
        Surface picture = makePicture(40, 40);
        QCOMPARE(errorOf([&] { icon.setImageFromSurface(picture, index); }), err::SubscriptOutOfRange);
        if (trim == 1) { // the colours still draw, the mask refuses
            icon.drawImage(picture, 1, 0);
            QCOMPARE(picture.pixel(3, 3), RGB(0x33, 0x33, 0x33));
            QCOMPARE(errorOf([&] { icon.drawImage(picture, 1, 1); }), err::SubscriptOutOfRange);
            QCOMPARE(errorOf([&] { icon.icon(picture, 1); }), err::SubscriptOutOfRange);
        } else if (index != 1)
            QCOMPARE(errorOf([&] { icon.drawImage(picture, index); }), err::SubscriptOutOfRange);
        QCOMPARE(icon.imageBlock(1), before);
    }
}

QTEST_MAIN(tst_IconFile)
#include "tst_iconfile.moc"
