#include "icon/cls_IconFile.h"
#include "platform/Error.h"

#include "../support/IconTestSupport.h"
#include "../support/ReadOnlyFolder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;
using namespace brevane::test;

namespace {

// Assembles ICO bytes field by field, so tests can say exactly what a file claims.
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

QByteArray header(quint16 reserved, quint16 type, qint16 count)
{
    return le(reserved) + le(type) + le(count);
}

QByteArray entry(const RawEntry& e)
{
    QByteArray b;
    b.append(char(e.width)).append(char(e.height)).append(char(e.colours)).append('\0');
    return b + le(e.planes) + le(e.bits) + le(e.bytes) + le(e.offset);
}

// A block that looks like what AddImage writes: header, table, bits all 'fill'.
QByteArray block(int width, int height, int bits, char fill = '\0')
{
    const int table = bits <= 8 ? 4 << bits : 0;
    const int rows = height * (((bits * width + 31) / 32) * 4 + ((width + 31) / 32) * 4);
    return le(40) + le(width) + le(2 * height) + le(quint16(1)) + le(quint16(bits)) + QByteArray(24, '\0')
        + QByteArray(table + rows, fill);
}

} // namespace

class tst_IconFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void addImage_data();
    void addImage();
    void addRemoveOffsets();
    void addImageRefused_data();
    void addImageRefused();
    void palette();
    void blockHeaderLies();
    void isAnIconFile_data();
    void isAnIconFile();
    void loadIcon_data();
    void loadIcon();
    void roundTripIndependentTools_data();
    void roundTripIndependentTools();
    void saveWritesRealOffsets();
    void saveErrorsKeepOldFile();
    void savedIconReadByIcotool();
    void clone();

private:
    QString file(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("test.ico"));
        return writeFile(path, bytes) ? path : QString();
    }
    QTemporaryDir m_dir;
};

void tst_IconFile::addImage_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("colours");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("blockBytes");
    QTest::newRow("16x16, 2 colours") << 16 << 2 << 1 << 176;
    QTest::newRow("32x32, 16 colours") << 32 << 16 << 4 << 744;
    QTest::newRow("32x32, 256 colours") << 32 << 256 << 8 << 2216;
    QTest::newRow("48x48, true colour") << 48 << 1000 << 24 << 7336;
    QTest::newRow("any other count is true colour") << 16 << 3 << 24 << 40 + 16 * 48 + 16 * 4;
}

void tst_IconFile::addImage()
{
    QFETCH(int, size);
    QFETCH(int, colours);
    QFETCH(int, bits);
    QFETCH(int, blockBytes);

    cls_IconFile icon;
    QCOMPARE(icon.AddImage(size, size, colours), 0);
    QCOMPARE(icon.ImageColourCount(1), qint32(1) << bits);

    // 1-bit images start black and white; everything else starts all zero.
    const QByteArray& b = icon.imageBlock(1);
    const QByteArray tail = bits == 1 ? QByteArray(4, '\0') + QByteArray("\xFF\xFF\xFF\0", 4) : QByteArray();
    QCOMPARE(b, block(size, size, bits).left(40) + tail + QByteArray(blockBytes - 40 - tail.size(), '\0'));

    const QString path = m_dir.filePath(QStringLiteral("one.ico"));
    QVERIFY(icon.saveicon(path));
    const quint8 entryColours = bits <= 4 ? quint8(1 << bits) : 0;
    QCOMPARE(readFile(path),
        header(0, 1, 1) + entry({ quint8(size), quint8(size), entryColours, 1, quint16(bits), blockBytes, 22 }) + b);
}

void tst_IconFile::addRemoveOffsets()
{
    cls_IconFile icon;
    icon.AddImage(32, 32, 16);
    icon.AddImage(16, 16, 2);
    QCOMPARE(icon.entry(1).dwImageOffset, 38);
    QCOMPARE(icon.entry(2).dwImageOffset, 782);
    icon.AddImage(48, 48, 1000);
    QCOMPARE(icon.entry(1).dwImageOffset, 54);
    QCOMPARE(icon.entry(2).dwImageOffset, 54 + 744);
    QCOMPARE(icon.entry(3).dwImageOffset, 54 + 744 + 176);

    for (qint32 bad : { 0, 4, -1 }) {
        QCOMPARE(errorOf([&] { icon.RemoveImage(bad); }), err::SubscriptOutOfRange);
        QCOMPARE(errorOf([&] { icon.ImageWidth(bad); }), err::SubscriptOutOfRange);
    }
    QCOMPARE(icon.ImageCount(), 3);

    const QByteArray third = icon.imageBlock(3);
    QCOMPARE(icon.RemoveImage(2), 0);
    QCOMPARE(icon.entry(1).dwImageOffset, 38);
    QCOMPARE(icon.entry(2).dwImageOffset, 38 + 744);
    QCOMPARE(icon.imageBlock(2), third);
    QCOMPARE(icon.RemoveImage(1), 0);
    QCOMPARE(icon.entry(1).dwImageOffset, 22);
    // Down to one image, any index empties the document.
    QCOMPARE(icon.RemoveImage(7), 0);
    QCOMPARE(icon.ImageCount(), 0);
}

void tst_IconFile::addImageRefused_data()
{
    QTest::addColumn<int>("colours");
    QTest::addColumn<int>("width");
    QTest::addColumn<qint32>("error");
    QTest::newRow("2 colours twice") << 2 << 16 << err::classError(1049);
    QTest::newRow("16 colours twice") << 16 << 16 << err::classError(1049);
    QTest::newRow("256 colours twice") << 256 << 16 << err::classError(1049);
    // A true-colour image counts 16777216 colours, never the 1000 the caller asks with.
    QTest::newRow("true colour twice is allowed") << 1000 << 16 << 0;
    QTest::newRow("width 256") << 2 << 256 << err::Overflow;
    QTest::newRow("width -1") << 2 << -1 << err::Overflow;
}

void tst_IconFile::addImageRefused()
{
    QFETCH(int, colours);
    QFETCH(int, width);
    QFETCH(qint32, error);
    cls_IconFile icon;
    icon.AddImage(16, 16, colours);
    QString description;
    QCOMPARE(errorOf([&] { icon.AddImage(width, 16, colours); }, &description), error);
    QCOMPARE(icon.ImageCount(), error ? 1 : 2);
    QCOMPARE(icon.entry(1).dwImageOffset, error ? 22 : 38);
    if (error == err::classError(1049))
        QCOMPARE(description, QStringLiteral("Icon already exists."));
}

void tst_IconFile::palette()
{
    cls_IconFile icon;
    icon.AddImage(16, 16, 16);
    icon.AddImage(16, 16, 1000);
    std::array<quint8, 64> table {};
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = quint8(i + 1);
    const QByteArray before = icon.imageBlock(1);
    icon.SetPalette(1, table);
    std::array<quint8, 64> back {};
    icon.GetPalette(1, back);
    QCOMPARE(back, table);
    QCOMPARE(icon.imageBlock(1).left(40), before.left(40));
    QCOMPARE(icon.imageBlock(1).mid(104), before.mid(104));
    std::array<quint8, 63> tooSmall {};
    QCOMPARE(errorOf([&] { icon.GetPalette(1, tooSmall); }), err::SubscriptOutOfRange);

    // A true-colour image has no table: nothing is copied either way.
    std::array<quint8, 4> untouched { 9, 9, 9, 9 };
    const QByteArray trueColour = icon.imageBlock(2);
    icon.GetPalette(2, untouched);
    icon.SetPalette(2, untouched);
    QCOMPARE(untouched, (std::array<quint8, 4> { 9, 9, 9, 9 }));
    QCOMPARE(icon.imageBlock(2), trueColour);
}

void tst_IconFile::blockHeaderLies()
{
    // Entry says 4 bits, the block 8: the count follows the block, the palette the entry.
    const QByteArray b8 = block(16, 16, 8);
    cls_IconFile icon;
    QVERIFY(icon.LoadIcon(file(header(0, 1, 1) + entry({ 16, 16, 16, 1, 4, qint32(b8.size()), 22 }) + b8)));
    QCOMPARE(icon.ImageColourCount(1), 256);
    std::array<quint8, 64> table {};
    icon.GetPalette(1, table);

    // 32 bits: a count no signed 32-bit value holds.
    const QByteArray b32 = block(16, 16, 32);
    QVERIFY(icon.LoadIcon(file(header(0, 1, 1) + entry({ 16, 16, 0, 1, 32, qint32(b32.size()), 22 }) + b32)));
    QCOMPARE(errorOf([&] { icon.ImageColourCount(1); }), err::Overflow);
    BitmapInfoHeader h;
    h.biBitCount = 8;
    h.biClrUsed = 0xFFFFFFFFu;
    QCOMPARE(errorOf([&] { IconLayout::XorBitsOffset(h); }), err::Overflow);

    // A block shorter than its own header claims: reads and writes are refused, not done.
    const QByteArray shortBlock(30, '\0');
    QVERIFY(icon.LoadIcon(file(header(0, 1, 1) + entry({ 16, 16, 2, 1, 1, 30, 22 }) + shortBlock)));
    std::array<quint8, 8> mono {};
    QCOMPARE(errorOf([&] { icon.ImageColourCount(1); }), err::SubscriptOutOfRange);
    QCOMPARE(errorOf([&] { icon.GetPalette(1, mono); }), err::SubscriptOutOfRange);
    QCOMPARE(errorOf([&] { icon.SetPalette(1, mono); }), err::SubscriptOutOfRange);
    QCOMPARE(errorOf([&] { icon.AddImage(16, 16, 2); }), err::SubscriptOutOfRange);
    QCOMPARE(icon.imageBlock(1), shortBlock);
    QCOMPARE(icon.ImageCount(), 1);
}

void tst_IconFile::isAnIconFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");

    const QByteArray b = block(16, 16, 1);
    const qint32 n = qint32(b.size());
    const QByteArray one = entry({ 16, 16, 2, 1, 1, n, 22 }) + b;
    QTest::newRow("one 16x16 image") << header(0, 1, 1) + one << true;
    QTest::newRow("cursor") << header(0, 2, 1) + one << false;
    QTest::newRow("reserved not 0") << header(1, 1, 1) + one << false;
    QTest::newRow("five bytes") << header(0, 1, 1).left(5) << false;
    QTest::newRow("empty file") << QByteArray() << false;
    QTest::newRow("idCount 0") << header(0, 1, 0) << false;
    QTest::newRow("idCount negative") << header(0, 1, -1) << false;
    QTest::newRow("idCount 257") << header(0, 1, 257) + QByteArray(257 * 16, '\0') << false;
    QTest::newRow("idCount 256, complete directory") << header(0, 1, 256) + entry({ 0, 0 }).repeated(256) << true;
    QTest::newRow("directory ends inside an entry")
        << header(0, 1, 2) + entry({ 16, 16, 2, 1, 1, n, 38 }) + entry({}).left(10) << false;
    QTest::newRow("width 0 skips the size rule") << header(0, 1, 1) + entry({ 0, 16, 2, 1, 1, 99999, 99999 }) << true;
    QTest::newRow("height 0 skips the size rule") << header(0, 1, 1) + entry({ 16, 0, 2, 1, 1, 99999, 99999 }) << true;
    QTest::newRow("size alone beyond the file") << header(0, 1, 1) + entry({ 16, 16, 2, 1, 1, 99999, 22 }) + b << true;
    QTest::newRow("offset alone beyond the file") << header(0, 1, 1) + entry({ 16, 16, 2, 1, 1, n, 99999 }) + b << true;
    QTest::newRow("size and offset equal the file size")
        << header(0, 1, 1) + entry({ 16, 16, 2, 1, 1, 22 + n, 22 + n }) + b << false;
}

void tst_IconFile::isAnIconFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    cls_IconFile icon;
    icon.AddImage(16, 16, 2);
    QCOMPARE(icon.IsAnIconFile(file(bytes)), valid);
    QCOMPARE(icon.ImageCount(), 1); // the document is not touched
    QVERIFY(!icon.IsAnIconFile(m_dir.filePath(QStringLiteral("missing.ico"))));
    QVERIFY(!icon.IsAnIconFile(m_dir.path()));
}

void tst_IconFile::loadIcon_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("error"); // the description of error 1050, or empty

    const QByteArray b = block(16, 16, 1);
    const qint32 n = qint32(b.size());
    const QString images = QStringLiteral("Failed to load icon: Icon Images Array is Corrupt.");
    const QByteArray one = header(0, 1, 1);
    QTest::newRow("one image") << one + entry({ 16, 16, 2, 1, 1, n, 22 }) + b << true << QString();
    QTest::newRow("empty block") << one + entry({ 16, 16, 2, 1, 1, 0, 22 }) << true << QString();
    QTest::newRow("missing file") << QByteArray() << false << QString();
    QTest::newRow("cursor header") << header(0, 2, 1) + entry({ 16, 16, 2, 1, 1, n, 22 }) + b << false << QString();
    QTest::newRow("idCount 0") << header(0, 1, 0) << false << QString();
    QTest::newRow("header cut short") << one.left(4) << false << QString();
    QTest::newRow("last block cut short")
        << header(0, 1, 2) + entry({ 16, 16, 2, 1, 1, n, 38 }) + entry({ 32, 32, 2, 1, 1, n, 38 + n }) + b + b.left(20)
        << false << images;
    QTest::newRow("directory cut short") << header(0, 1, 3) + entry({ 16, 16, 2, 1, 1, n, 22 }) << false
                                         << QStringLiteral("Failed to load icon: Icon Directory Array is Corrupt.");
    QTest::newRow("negative dwBytesInRes") << one + entry({ 16, 16, 2, 1, 1, -5, 22 }) + b << false << images;
    QTest::newRow("dwBytesInRes of 2 GiB") << one + entry({ 16, 16, 2, 1, 1, 0x7FFFFFFF, 22 }) + b << false << images;
    QTest::newRow("negative offset") << one + entry({ 16, 16, 2, 1, 1, n, -22 }) + b << false << images;
    QTest::newRow("block behind the end") << one + entry({ 16, 16, 2, 1, 1, n, 30 }) + b << false << images;
}

void tst_IconFile::loadIcon()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, result);
    QFETCH(QString, error);

    const QString path = QTest::currentDataTag() == QLatin1String("missing file")
        ? m_dir.filePath(QStringLiteral("no-such.ico"))
        : file(bytes);
    cls_IconFile icon;
    icon.AddImage(48, 48, 1000);
    bool loaded = false;
    QString raised;
    QCOMPARE(errorOf([&] { loaded = icon.LoadIcon(path); }, &raised), error.isEmpty() ? 0 : err::classError(1050));
    QCOMPARE(loaded, result);
    QCOMPARE(raised, error);
    QCOMPARE(icon.Filename(), path);
    QVERIFY(std::holds_alternative<std::monostate>(icon.ResourceID()));
    if (!result)
        QCOMPARE(icon.ImageCount(), 0);
}

void tst_IconFile::roundTripIndependentTools_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("ImageMagick, one 16x16 image") << "/usr/bin/convert -size 16x16 plasma: in.ico";
    QTest::newRow("ImageMagick, three sizes")
        << "/usr/bin/convert -size 48x48 gradient:red-blue -define icon:auto-resize=48,32,16 in.ico";
    QTest::newRow("icotool, two images") << "/usr/bin/convert -size 16x16 xc:red a.png && /usr/bin/convert -size "
                                            "32x32 gradient:blue-yellow b.png && icotool -c -o in.ico a.png b.png";
    QTest::newRow("icotool, 16 colours")
        << "/usr/bin/convert -size 32x32 gradient:green-white -colors 16 c.png && icotool -c -b 4 -o in.ico c.png";
}

void tst_IconFile::roundTripIndependentTools()
{
    QFETCH(QString, command);
    QTemporaryDir dir;
    QProcess tool;
    tool.setWorkingDirectory(dir.path());
    tool.start(QStringLiteral("sh"), { QStringLiteral("-c"), command });
    QVERIFY2(tool.waitForFinished(60000) && tool.exitCode() == 0, qPrintable(tool.readAllStandardError()));

    const QString in = dir.filePath(QStringLiteral("in.ico"));
    const QString copy = dir.filePath(QStringLiteral("copy.ico"));
    cls_IconFile icon;
    QVERIFY(icon.IsAnIconFile(in));
    QVERIFY(icon.LoadIcon(in));
    QVERIFY(icon.saveicon(copy));
    QCOMPARE(icon.Filename(), copy);
    QCOMPARE(readFile(copy), readFile(in));
}

void tst_IconFile::saveWritesRealOffsets()
{
    // Two blocks stored in reverse order after a gap: the saved file must point each entry at
    // where its block really went.
    const QByteArray a = block(16, 16, 1, '\x11');
    const QByteArray b = block(32, 32, 1, '\x22');
    const qint32 bAt = 38 + 7;
    const qint32 aAt = bAt + qint32(b.size());
    cls_IconFile icon;
    QVERIFY(icon.LoadIcon(file(header(0, 1, 2) + entry({ 16, 16, 2, 1, 1, qint32(a.size()), aAt })
        + entry({ 32, 32, 2, 1, 1, qint32(b.size()), bAt }) + QByteArray(7, '\x7F') + b + a)));
    QCOMPARE(icon.entry(1).dwImageOffset, aAt);

    const QString saved = m_dir.filePath(QStringLiteral("gathered.ico"));
    QVERIFY(icon.saveicon(saved));
    QCOMPARE(readFile(saved),
        header(0, 1, 2) + entry({ 16, 16, 2, 1, 1, qint32(a.size()), 38 })
            + entry({ 32, 32, 2, 1, 1, qint32(b.size()), 38 + qint32(a.size()) }) + a + b);
}

void tst_IconFile::saveErrorsKeepOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.ico"));
    cls_IconFile icon;
    QString description;
    QCOMPARE(errorOf([&] { icon.saveicon(); }, &description), err::classError(1051));
    QCOMPARE(description, QStringLiteral("No filename specified."));
    QCOMPARE(errorOf([&] { icon.saveicon(path); }, &description), err::classError(1052));
    QCOMPARE(description, QStringLiteral("Icon contains no images."));
    QVERIFY(!QFile::exists(path));

    icon.AddImage(32, 32, 16);
    const QString nowhere = dir.filePath(QStringLiteral("no-folder/x.ico"));
    QCOMPARE(errorOf([&] { icon.saveicon(nowhere); }, &description), err::classError(1052));
    QCOMPARE(description, QStringLiteral("Couldn't open file for writing."));
    QCOMPARE(icon.Filename(), nowhere);

    // The name given last is kept, so a save without a name goes there again.
    QVERIFY(icon.saveicon(path));
    QVERIFY(icon.saveicon());
    QCOMPARE(QFileInfo(path).size(), qint64(766));
    const QByteArray old = readFile(path);

    cls_IconFile big;
    big.AddImage(48, 48, 1000);
    QCOMPARE(errorWithFileSizeLimit(4096, [&] { big.saveicon(path); }), err::classError(1053));
    QCOMPARE(readFile(path), old);
    {
        ReadOnlyFolder readOnly(dir.path());
        if (!readOnly.isReadOnly())
            QSKIP("this machine cannot make a folder read-only");
        QCOMPARE(errorOf([&] { big.saveicon(path); }, &description), err::classError(1052));
        QCOMPARE(description, QStringLiteral("Couldn't open file for writing."));
        QCOMPARE(readFile(path), old);
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("keep.ico") });
    QVERIFY(big.saveicon(path)); // an existing file is replaced
    QCOMPARE(QFileInfo(path).size(), qint64(22 + 7336));
}

void tst_IconFile::savedIconReadByIcotool()
{
    cls_IconFile icon;
    icon.AddImage(16, 16, 2);
    icon.AddImage(32, 32, 16);
    icon.AddImage(32, 32, 256);
    icon.AddImage(48, 48, 1000);
    const QString path = m_dir.filePath(QStringLiteral("four.ico"));
    QVERIFY(icon.saveicon(path));

    QProcess icotool;
    icotool.start(QStringLiteral("icotool"), { QStringLiteral("-l"), path });
    QVERIFY(icotool.waitForFinished(30000));
    QCOMPARE(icotool.exitCode(), 0);
    const QString listing = QString::fromLatin1(icotool.readAllStandardOutput());
    QVERIFY2(icotool.readAllStandardError().isEmpty(), qPrintable(listing));
    for (const char* line : { "--index=1 --width=16 --height=16 --bit-depth=1 --palette-size=2",
             "--index=2 --width=32 --height=32 --bit-depth=4 --palette-size=16",
             "--index=3 --width=32 --height=32 --bit-depth=8 --palette-size=256",
             "--index=4 --width=48 --height=48 --bit-depth=24 --palette-size=0" })
        QVERIFY2(listing.contains(QLatin1String(line)), qPrintable(listing));
}

void tst_IconFile::clone()
{
    cls_IconFile source;
    source.AddImage(16, 16, 2);
    source.AddImage(32, 32, 256);
    const QString a = m_dir.filePath(QStringLiteral("source.ico"));
    QVERIFY(source.saveicon(a));

    cls_IconFile clone;
    clone.AddImage(48, 48, 1000);
    source.CloneTo(clone);
    QCOMPARE(clone.Filename(), a);
    const QString b = m_dir.filePath(QStringLiteral("clone.ico"));
    QVERIFY(clone.saveicon(b));
    QCOMPARE(readFile(b), readFile(a));
    clone.RemoveImage(1); // the copy is independent
    QCOMPARE(source.ImageCount(), 2);
    QCOMPARE(source.Filename(), a);

    cls_IconFile().CloneTo(clone);
    QCOMPARE(clone.ImageCount(), 0);
    QVERIFY(clone.Filename().isEmpty());
}

QTEST_GUILESS_MAIN(tst_IconFile)
#include "tst_iconfile.moc"
