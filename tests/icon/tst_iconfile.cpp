#include "icon/cls_IconFile.h"
#include "platform/Error.h"

#include "../support/ReadOnlyFolder.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace brevane;

namespace {

// Assembles ICO bytes field by field, so tests can say exactly what a file claims.
struct RawEntry {
    quint8 width = 16, height = 16, colours = 0;
    quint16 planes = 1, bits = 24;
    qint32 bytes = 0, offset = 0;
};

QByteArray le16(quint16 v)
{
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray header(quint16 reserved, quint16 type, qint16 count)
{
    return le16(reserved) + le16(type) + le16(static_cast<quint16>(count));
}

QByteArray entry(const RawEntry& e)
{
    QByteArray b;
    b.append(char(e.width)).append(char(e.height)).append(char(e.colours)).append('\0');
    return b + le16(e.planes) + le16(e.bits) + le32(quint32(e.bytes)) + le32(quint32(e.offset));
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write test file");
    return path;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A block that looks like what AddImage writes: header, table, zeroed bits.
QByteArray block(int width, int height, int bits, char fill = '\0')
{
    const int table = bits <= 8 ? 4 << bits : 0;
    const int xorRow = ((bits * width + 31) / 32) * 4;
    const int andRow = ((width + 31) / 32) * 4;
    QByteArray b = le32(40) + le32(quint32(width)) + le32(quint32(2 * height)) + le16(1) + le16(quint16(bits))
        + QByteArray(24, '\0');
    b += QByteArray(table + height * (xorRow + andRow), fill);
    return b;
}

qint32 errorNumber(const std::function<void()>& fn, QString* description = nullptr)
{
    try {
        fn();
    } catch (const Error& e) {
        if (description)
            *description = e.description();
        return e.number();
    }
    return 0;
}

} // namespace

class tst_IconFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();

    void layoutHelpers_data();
    void layoutHelpers();
    void addImage_data();
    void addImage();
    void addImageOffsets();
    void addImageDuplicates_data();
    void addImageDuplicates();
    void addImageTooLarge();
    void removeImage();
    void removeImageOutOfRange();
    void colourCountFollowsBlockHeader();
    void palette();
    void blockTooShort();

    void isAnIconFile_data();
    void isAnIconFile();
    void loadIcon_data();
    void loadIcon();
    void loadMissingFile();
    void roundTripIndependentTools_data();
    void roundTripIndependentTools();
    void saveWritesRealOffsets();
    void saveErrors();
    void saveReplacesAndKeepsOldOnFailure();
    void savedIconReadByIcotool();
    void cloneIsIndependentCopy();
    void cloneOfEmptyDocument();

private:
    QTemporaryDir m_dir;
};

void tst_IconFile::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void tst_IconFile::layoutHelpers_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<qint64>("rowBytes");
    QTest::newRow("1 bit") << 1 << qint64(4);
    QTest::newRow("32 bits, exactly one word") << 32 << qint64(4);
    QTest::newRow("33 bits spill into a second word") << 33 << qint64(8);
    QTest::newRow("16 px at 24 bits") << 16 * 24 << qint64(48);
    QTest::newRow("17 px at 24 bits pads 51 to 52") << 17 * 24 << qint64(52);
}

void tst_IconFile::layoutHelpers()
{
    QFETCH(int, bits);
    QFETCH(qint64, rowBytes);
    QCOMPARE(IconLayout::BytesPerScanLine(bits), rowBytes);

    BitmapInfoHeader h;
    for (const auto& [bitCount, used, colours] : { std::tuple { 1, 0u, 2 }, { 4, 0u, 16 }, { 8, 0u, 256 }, { 24, 0u, 0 },
             { 32, 0u, 0 }, { 8, 17u, 17 } }) {
        h.biBitCount = quint16(bitCount);
        h.biClrUsed = used;
        QCOMPARE(IconLayout::HeaderColourCount(h), qint64(colours));
        QCOMPARE(IconLayout::XorBitsOffset(h), qint64(40 + 4 * colours));
    }
    // A colour count no block could hold is an overflow, not a wrapped offset.
    h.biClrUsed = 0xFFFFFFFFu;
    QCOMPARE(errorNumber([&] { IconLayout::XorBitsOffset(h); }), err::Overflow);
}

void tst_IconFile::addImage_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("colours");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("entryColours");
    QTest::addColumn<int>("blockBytes");
    QTest::newRow("16x16, 2 colours") << 16 << 2 << 1 << 2 << 176;
    QTest::newRow("32x32, 16 colours") << 32 << 16 << 4 << 16 << 744;
    QTest::newRow("32x32, 256 colours") << 32 << 256 << 8 << 0 << 2216;
    QTest::newRow("48x48, true colour") << 48 << 1000 << 24 << 0 << 7336;
    QTest::newRow("any other count is true colour") << 16 << 3 << 24 << 0 << 40 + 16 * 48 + 16 * 4;
}

void tst_IconFile::addImage()
{
    QFETCH(int, size);
    QFETCH(int, colours);
    QFETCH(int, bits);
    QFETCH(int, entryColours);
    QFETCH(int, blockBytes);

    cls_IconFile icon;
    QCOMPARE(icon.AddImage(size, size, colours), 0);
    QCOMPARE(icon.ImageCount(), 1);
    QCOMPARE(icon.header().idType, quint16(1));
    QCOMPARE(icon.ImageSize(1), blockBytes);
    QCOMPARE(icon.ImageWidth(1), size);
    QCOMPARE(icon.ImageHeight(1), size);
    QCOMPARE(icon.ImageColourCount(1), qint32(1) << bits);
    const IconDirEntry& e = icon.entry(1);
    QCOMPARE(int(e.wBitCount), bits);
    QCOMPARE(int(e.bColorCount), entryColours);
    QCOMPARE(e.dwImageOffset, 22);

    const QByteArray& b = icon.imageBlock(1);
    QCOMPARE(b.size(), blockBytes);
    const BitmapInfoHeader h = BitmapInfoHeader::read({ reinterpret_cast<const quint8*>(b.constData()), 40 });
    QCOMPARE(h.biSize, 40u);
    QCOMPARE(h.biHeight, 2 * size);
    QCOMPARE(int(h.biBitCount), bits);
    // 1-bit images start black and white; everything else starts all zero.
    const QByteArray expectedTail = bits == 1 ? QByteArray(4, '\0') + QByteArray("\xFF\xFF\xFF\0", 4) : QByteArray();
    QCOMPARE(b.mid(40, expectedTail.size()), expectedTail);
    QCOMPARE(b.mid(40 + expectedTail.size()).count('\0'), blockBytes - 40 - expectedTail.size());
}

void tst_IconFile::addImageOffsets()
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

    const QString path = m_dir.filePath(QStringLiteral("three.ico"));
    QVERIFY(icon.saveicon(path));
    QCOMPARE(QFileInfo(path).size(), qint64(54 + 744 + 176 + 7336));
}

void tst_IconFile::addImageDuplicates_data()
{
    QTest::addColumn<int>("colours");
    QTest::addColumn<bool>("refused");
    QTest::newRow("2 colours twice") << 2 << true;
    QTest::newRow("16 colours twice") << 16 << true;
    QTest::newRow("256 colours twice") << 256 << true;
    // A true-colour image counts 16777216 colours, never the 1000 the caller asks with.
    QTest::newRow("true colour twice") << 1000 << false;
}

void tst_IconFile::addImageDuplicates()
{
    QFETCH(int, colours);
    QFETCH(bool, refused);
    cls_IconFile icon;
    icon.AddImage(16, 16, colours);
    QString description;
    try {
        icon.AddImage(16, 16, colours);
    } catch (const Error& e) {
        QVERIFY(refused);
        QCOMPARE(e.number(), -2147220455); // 0x80040419
        QCOMPARE(e.source(), QStringLiteral("Brevane.cFileIcon"));
        QCOMPARE(e.description(), QStringLiteral("Icon already exists."));
        QCOMPARE(icon.ImageCount(), 1);
        return;
    }
    QVERIFY(!refused);
    QCOMPARE(icon.ImageCount(), 2);
}

void tst_IconFile::addImageTooLarge()
{
    cls_IconFile icon;
    icon.AddImage(16, 16, 2);
    for (const auto& [w, h] : { std::pair { 256, 16 }, { 16, 256 }, { -1, 16 } }) {
        QCOMPARE(errorNumber([&, w = w, h = h] { icon.AddImage(w, h, 2); }), err::Overflow);
        QCOMPARE(icon.ImageCount(), 1);
        QCOMPARE(icon.entry(1).dwImageOffset, 22);
    }
}

void tst_IconFile::removeImage()
{
    cls_IconFile one;
    one.AddImage(16, 16, 2);
    QCOMPARE(one.RemoveImage(0), 0); // with one image any index empties the document
    QCOMPARE(one.ImageCount(), 0);
    QCOMPARE(errorNumber([&] { one.saveicon(m_dir.filePath(QStringLiteral("x.ico"))); }), err::classError(1052));

    cls_IconFile three;
    three.AddImage(16, 16, 2);
    three.AddImage(32, 32, 16);
    three.AddImage(48, 48, 1000);
    const QByteArray third = three.imageBlock(3);
    QCOMPARE(three.RemoveImage(2), 0);
    QCOMPARE(three.ImageCount(), 2);
    QCOMPARE(three.entry(1).dwImageOffset, 38);
    QCOMPARE(three.entry(2).dwImageOffset, 38 + 176);
    QCOMPARE(three.ImageWidth(2), 48);
    QCOMPARE(three.imageBlock(2), third);

    // Down to one image, any index empties the document.
    QCOMPARE(three.RemoveImage(1), 0);
    QCOMPARE(three.entry(1).dwImageOffset, 22);
    QCOMPARE(three.RemoveImage(7), 0);
    QCOMPARE(three.ImageCount(), 0);
}

void tst_IconFile::removeImageOutOfRange()
{
    cls_IconFile icon;
    icon.AddImage(16, 16, 2);
    icon.AddImage(32, 32, 2);
    for (qint32 bad : { 0, 3, -1 }) {
        QCOMPARE(errorNumber([&] { icon.RemoveImage(bad); }), err::SubscriptOutOfRange);
        QCOMPARE(icon.ImageCount(), 2);
        QCOMPARE(icon.entry(2).dwImageOffset, 38 + 176);
    }
    for (qint32 bad : { 0, 3 })
        QCOMPARE(errorNumber([&] { icon.ImageWidth(bad); }), err::SubscriptOutOfRange);
}

void tst_IconFile::colourCountFollowsBlockHeader()
{
    // Entry says 4 bits, the block says 8: the count follows the block, the palette the entry.
    QByteArray b = block(16, 16, 8);
    const QByteArray file = header(0, 1, 1) + entry({ 16, 16, 16, 1, 4, qint32(b.size()), 22 }) + b;
    const QString path = writeFile(m_dir, QStringLiteral("disagree.ico"), file);
    cls_IconFile icon;
    QVERIFY(icon.LoadIcon(path));
    QCOMPARE(icon.ImageColourCount(1), 256);
    std::array<quint8, 64> table {};
    icon.GetPalette(1, table); // 16 entries, as the entry says
    std::array<quint8, 63> tooSmall {};
    QCOMPARE(errorNumber([&] { icon.GetPalette(1, tooSmall); }), err::SubscriptOutOfRange);

    // A block header claiming 32 bits gives a count no signed 32-bit value holds.
    QByteArray b32 = block(16, 16, 32);
    const QString path32 = writeFile(m_dir, QStringLiteral("32bit.ico"),
        header(0, 1, 1) + entry({ 16, 16, 0, 1, 32, qint32(b32.size()), 22 }) + b32);
    QVERIFY(icon.LoadIcon(path32));
    QCOMPARE(errorNumber([&] { icon.ImageColourCount(1); }), err::Overflow);
}

void tst_IconFile::palette()
{
    cls_IconFile icon;
    icon.AddImage(16, 16, 2);
    icon.AddImage(16, 16, 16);
    icon.AddImage(16, 16, 1000);

    std::array<quint8, 8> mono {};
    icon.GetPalette(1, mono);
    QCOMPARE(mono, (std::array<quint8, 8> { 0, 0, 0, 0, 255, 255, 255, 0 }));

    std::array<quint8, 64> table {};
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = quint8(i + 1);
    const QByteArray before = icon.imageBlock(2);
    icon.SetPalette(2, table);
    std::array<quint8, 64> back {};
    icon.GetPalette(2, back);
    QCOMPARE(back, table);
    QCOMPARE(icon.imageBlock(2).left(40), before.left(40));
    QCOMPARE(icon.imageBlock(2).mid(104), before.mid(104));

    // A true-colour image has no table: nothing is copied either way.
    std::array<quint8, 4> untouched { 9, 9, 9, 9 };
    const QByteArray trueColour = icon.imageBlock(3);
    icon.GetPalette(3, untouched);
    icon.SetPalette(3, untouched);
    QCOMPARE(untouched, (std::array<quint8, 4> { 9, 9, 9, 9 }));
    QCOMPARE(icon.imageBlock(3), trueColour);
}

void tst_IconFile::blockTooShort()
{
    // A block shorter than its own header claims: reads and writes are refused, not done.
    const QByteArray shortBlock = QByteArray(30, '\0');
    const QString path = writeFile(m_dir, QStringLiteral("short.ico"),
        header(0, 1, 1) + entry({ 16, 16, 2, 1, 1, qint32(shortBlock.size()), 22 }) + shortBlock);
    cls_IconFile icon;
    QVERIFY(icon.LoadIcon(path));
    std::array<quint8, 8> table {};
    QCOMPARE(errorNumber([&] { icon.ImageColourCount(1); }), err::SubscriptOutOfRange);
    QCOMPARE(errorNumber([&] { icon.GetPalette(1, table); }), err::SubscriptOutOfRange);
    QCOMPARE(errorNumber([&] { icon.SetPalette(1, table); }), err::SubscriptOutOfRange);
    QCOMPARE(icon.imageBlock(1), shortBlock);
    QCOMPARE(errorNumber([&] { icon.AddImage(16, 16, 2); }), err::SubscriptOutOfRange);
    QCOMPARE(icon.ImageCount(), 1);
}

void tst_IconFile::isAnIconFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");

    const QByteArray b = block(16, 16, 1);
    const qint32 n = qint32(b.size());
    QTest::newRow("one 16x16 image") << header(0, 1, 1) + entry({ 16, 16, 2, 1, 1, n, 22 }) + b << true;
    QTest::newRow("cursor") << header(0, 2, 1) + entry({ 16, 16, 2, 1, 1, n, 22 }) + b << false;
    QTest::newRow("reserved not 0") << header(1, 1, 1) + entry({ 16, 16, 2, 1, 1, n, 22 }) + b << false;
    QTest::newRow("five bytes") << header(0, 1, 1).left(5) << false;
    QTest::newRow("empty file") << QByteArray() << false;
    QTest::newRow("idCount 0") << header(0, 1, 0) << false;
    QTest::newRow("idCount negative") << header(0, 1, -1) << false;
    QTest::newRow("idCount 257") << header(0, 1, 257) + QByteArray(257 * 16, '\0') << false;
    QByteArray dir256;
    for (int i = 0; i < 256; ++i)
        dir256 += entry({ 0, 0, 0, 1, 24, 0, 0 });
    QTest::newRow("idCount 256, complete directory") << header(0, 1, 256) + dir256 << true;
    QTest::newRow("directory ends inside an entry")
        << header(0, 1, 2) + entry({ 16, 16, 2, 1, 1, n, 38 }) + entry({}).left(10) << false;
    QTest::newRow("width 0 skips the size rule") << header(0, 1, 1) + entry({ 0, 16, 2, 1, 1, 99999, 99999 }) << true;
    QTest::newRow("height 0 skips the size rule") << header(0, 1, 1) + entry({ 16, 0, 2, 1, 1, 99999, 99999 }) << true;
    QTest::newRow("size alone beyond the file") << header(0, 1, 1) + entry({ 16, 16, 2, 1, 1, 99999, 22 }) + b << true;
    QTest::newRow("offset alone beyond the file") << header(0, 1, 1) + entry({ 16, 16, 2, 1, 1, n, 99999 }) + b << true;
    const qint32 total = 22 + n;
    QTest::newRow("size and offset equal the file size")
        << header(0, 1, 1) + entry({ 16, 16, 2, 1, 1, total, total }) + b << false;
}

void tst_IconFile::isAnIconFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    const QString path = writeFile(m_dir, QStringLiteral("check.ico"), bytes);
    cls_IconFile icon;
    icon.AddImage(16, 16, 2);
    QCOMPARE(icon.IsAnIconFile(path), valid);
    QCOMPARE(icon.ImageCount(), 1); // the document is not touched
    QVERIFY(!icon.IsAnIconFile(m_dir.filePath(QStringLiteral("missing.ico"))));
    QVERIFY(!icon.IsAnIconFile(m_dir.path()));
}

void tst_IconFile::loadIcon_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("result");
    QTest::addColumn<qint32>("error");
    QTest::addColumn<QString>("description");

    const QByteArray b = block(16, 16, 1);
    const qint32 n = qint32(b.size());
    const QString images = QStringLiteral("Failed to load icon: Icon Images Array is Corrupt.");
    const QString directory = QStringLiteral("Failed to load icon: Icon Directory Array is Corrupt.");
    QTest::newRow("one image") << header(0, 1, 1) + entry({ 16, 16, 2, 1, 1, n, 22 }) + b << true << 0 << QString();
    QTest::newRow("cursor header") << header(0, 2, 1) + entry({ 16, 16, 2, 1, 1, n, 22 }) + b << false << 0
                                   << QString();
    QTest::newRow("idCount 0") << header(0, 1, 0) << false << 0 << QString();
    QTest::newRow("header cut short") << header(0, 1, 1).left(4) << false << 0 << QString();
    QTest::newRow("last block cut short")
        << header(0, 1, 2) + entry({ 16, 16, 2, 1, 1, n, 38 }) + entry({ 32, 32, 2, 1, 1, n, 38 + n }) + b + b.left(20)
        << false << err::classError(1050) << images;
    QTest::newRow("directory cut short") << header(0, 1, 3) + entry({ 16, 16, 2, 1, 1, n, 22 }) << false
                                         << err::classError(1050) << directory;
    QTest::newRow("negative dwBytesInRes") << header(0, 1, 1) + entry({ 16, 16, 2, 1, 1, -5, 22 }) + b << false
                                           << err::classError(1050) << images;
    QTest::newRow("dwBytesInRes of 2 GiB") << header(0, 1, 1) + entry({ 16, 16, 2, 1, 1, 0x7FFFFFFF, 22 }) + b
                                           << false << err::classError(1050) << images;
    QTest::newRow("negative offset") << header(0, 1, 1) + entry({ 16, 16, 2, 1, 1, n, -22 }) + b << false
                                     << err::classError(1050) << images;
    QTest::newRow("block behind the end") << header(0, 1, 1) + entry({ 16, 16, 2, 1, 1, n, 30 }) + b << false
                                          << err::classError(1050) << images;
    QTest::newRow("empty block") << header(0, 1, 1) + entry({ 16, 16, 2, 1, 1, 0, 22 }) << true << 0 << QString();
}

void tst_IconFile::loadIcon()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, result);
    QFETCH(qint32, error);
    QFETCH(QString, description);

    const QString path = writeFile(m_dir, QStringLiteral("load.ico"), bytes);
    cls_IconFile icon;
    icon.AddImage(48, 48, 1000);
    bool loaded = false;
    QString raised;
    QCOMPARE(errorNumber([&] { loaded = icon.LoadIcon(path); }, &raised), error);
    QCOMPARE(loaded, result);
    QCOMPARE(raised, description);
    QCOMPARE(icon.Filename(), path);
    QVERIFY(std::holds_alternative<std::monostate>(icon.ResourceID()));
    if (!result)
        QCOMPARE(icon.ImageCount(), 0);
}

void tst_IconFile::loadMissingFile()
{
    cls_IconFile icon;
    icon.AddImage(16, 16, 2);
    const QString missing = m_dir.filePath(QStringLiteral("no-such.ico"));
    QVERIFY(!icon.LoadIcon(missing));
    QCOMPARE(icon.Filename(), missing);
    QCOMPARE(icon.ImageCount(), 0);
}

void tst_IconFile::roundTripIndependentTools_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QString>("output");
    const QString dir = m_dir.path() + QLatin1Char('/');
    QTest::newRow("ImageMagick, one 16x16 image")
        << QStringList { QStringLiteral("/usr/bin/convert"), QStringLiteral("-size"), QStringLiteral("16x16"),
               QStringLiteral("plasma:"), dir + QStringLiteral("im16.ico") }
        << dir + QStringLiteral("im16.ico");
    QTest::newRow("ImageMagick, three sizes")
        << QStringList { QStringLiteral("/usr/bin/convert"), QStringLiteral("-size"), QStringLiteral("48x48"),
               QStringLiteral("gradient:red-blue"), QStringLiteral("-define"),
               QStringLiteral("icon:auto-resize=48,32,16"), dir + QStringLiteral("im3.ico") }
        << dir + QStringLiteral("im3.ico");
    QTest::newRow("icotool, two images")
        << QStringList { QStringLiteral("sh"), QStringLiteral("-c"),
               QStringLiteral("/usr/bin/convert -size 16x16 xc:red %1a.png && /usr/bin/convert -size 32x32 "
                              "gradient:blue-yellow %1b.png && icotool -c -o %1ico2.ico %1a.png %1b.png")
                   .arg(dir) }
        << dir + QStringLiteral("ico2.ico");
    QTest::newRow("icotool, 16 colours")
        << QStringList { QStringLiteral("sh"), QStringLiteral("-c"),
               QStringLiteral("/usr/bin/convert -size 32x32 gradient:green-white -colors 16 %1c.png && "
                              "icotool -c -b 4 -o %1ico16.ico %1c.png")
                   .arg(dir) }
        << dir + QStringLiteral("ico16.ico");
}

void tst_IconFile::roundTripIndependentTools()
{
    QFETCH(QStringList, command);
    QFETCH(QString, output);
    QProcess tool;
    tool.start(command.first(), command.mid(1));
    QVERIFY2(tool.waitForFinished(60000) && tool.exitCode() == 0, qPrintable(tool.readAllStandardError()));

    cls_IconFile icon;
    QVERIFY(icon.IsAnIconFile(output));
    QVERIFY(icon.LoadIcon(output));
    QVERIFY(icon.ImageCount() >= 1);
    const QString copy = output + QStringLiteral(".copy.ico");
    QVERIFY(icon.saveicon(copy));
    QCOMPARE(icon.Filename(), copy);
    QCOMPARE(readFile(copy), readFile(output));
}

void tst_IconFile::saveWritesRealOffsets()
{
    // Two blocks stored in reverse order, with a gap: the loaded entries keep those offsets,
    // but the saved file must point each entry at where its block really went.
    const QByteArray a = block(16, 16, 1, '\x11');
    const QByteArray b = block(32, 32, 1, '\x22');
    const qint32 dirEnd = 6 + 32;
    const qint32 bAt = dirEnd + 7;
    const qint32 aAt = bAt + qint32(b.size());
    const QByteArray file = header(0, 1, 2) + entry({ 16, 16, 2, 1, 1, qint32(a.size()), aAt })
        + entry({ 32, 32, 2, 1, 1, qint32(b.size()), bAt }) + QByteArray(7, '\x7F') + b + a;
    cls_IconFile icon;
    QVERIFY(icon.LoadIcon(writeFile(m_dir, QStringLiteral("scattered.ico"), file)));
    QCOMPARE(icon.entry(1).dwImageOffset, aAt);

    const QString saved = m_dir.filePath(QStringLiteral("gathered.ico"));
    QVERIFY(icon.saveicon(saved));
    const QByteArray out = readFile(saved);
    QCOMPARE(out.size(), dirEnd + a.size() + b.size());
    QCOMPARE(qFromLittleEndian<qint32>(out.constData() + 6 + 12), dirEnd);
    QCOMPARE(qFromLittleEndian<qint32>(out.constData() + 22 + 12), dirEnd + qint32(a.size()));
    cls_IconFile again;
    QVERIFY(again.LoadIcon(saved));
    QCOMPARE(again.imageBlock(1), a);
    QCOMPARE(again.imageBlock(2), b);
}

void tst_IconFile::saveErrors()
{
    cls_IconFile icon;
    QString description;
    QCOMPARE(errorNumber([&] { icon.saveicon(); }, &description), -2147220453); // 0x8004041B
    QCOMPARE(description, QStringLiteral("No filename specified."));

    const QString path = m_dir.filePath(QStringLiteral("none.ico"));
    QCOMPARE(errorNumber([&] { icon.saveicon(path); }, &description), err::classError(1052));
    QCOMPARE(description, QStringLiteral("Icon contains no images."));
    QVERIFY(!QFile::exists(path));

    icon.AddImage(32, 32, 16);
    const QString nowhere = m_dir.filePath(QStringLiteral("no-folder/x.ico"));
    QCOMPARE(errorNumber([&] { icon.saveicon(nowhere); }, &description), err::classError(1052));
    QCOMPARE(description, QStringLiteral("Couldn't open file for writing."));
    QCOMPARE(icon.Filename(), nowhere);

    // The name given last is kept, so a save without a name goes there again.
    QVERIFY(icon.saveicon(path));
    QVERIFY(icon.saveicon());
    QCOMPARE(QFileInfo(path).size(), qint64(766));
    const QByteArray bytes = readFile(path);
    QCOMPARE(qFromLittleEndian<qint32>(bytes.constData() + 6 + 8), 744);
    QCOMPARE(qFromLittleEndian<qint32>(bytes.constData() + 6 + 12), 22);
}

void tst_IconFile::saveReplacesAndKeepsOldOnFailure()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.ico"));
    cls_IconFile first;
    first.AddImage(16, 16, 2);
    QVERIFY(first.saveicon(path));
    const QByteArray old = readFile(path);

    cls_IconFile second;
    second.AddImage(48, 48, 1000);
    QVERIFY(second.saveicon(path)); // an existing file is replaced
    QCOMPARE(QFileInfo(path).size(), qint64(22 + 7336));
    QVERIFY(first.saveicon(path));

    {
        test::ReadOnlyFolder readOnly(dir.path());
        if (!readOnly.isReadOnly())
            QSKIP("this machine cannot make a folder read-only");
        QString description;
        QCOMPARE(errorNumber([&] { second.saveicon(path); }, &description), err::classError(1052));
        QCOMPARE(description, QStringLiteral("Couldn't open file for writing."));
        QCOMPARE(readFile(path), old);
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("keep.ico") });
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

void tst_IconFile::cloneIsIndependentCopy()
{
    cls_IconFile source;
    source.AddImage(16, 16, 2);
    source.AddImage(32, 32, 256);
    std::array<quint8, 1024> table {};
    table.fill(0x5A);
    source.SetPalette(2, table);
    const QString a = m_dir.filePath(QStringLiteral("source.ico"));
    QVERIFY(source.saveicon(a));

    cls_IconFile clone;
    clone.AddImage(48, 48, 1000);
    source.CloneTo(clone);
    QCOMPARE(clone.Filename(), a);
    QCOMPARE(clone.ImageCount(), 2);
    const QString b = m_dir.filePath(QStringLiteral("clone.ico"));
    QVERIFY(clone.saveicon(b));
    QCOMPARE(readFile(b), readFile(a));

    table.fill(0);
    clone.SetPalette(2, table);
    clone.RemoveImage(1);
    std::array<quint8, 1024> sourceTable {};
    source.GetPalette(2, sourceTable);
    QCOMPARE(sourceTable[0], quint8(0x5A));
    QCOMPARE(source.ImageCount(), 2);
    QCOMPARE(source.Filename(), a);
}

void tst_IconFile::cloneOfEmptyDocument()
{
    cls_IconFile empty;
    cls_IconFile target;
    target.AddImage(16, 16, 2);
    empty.CloneTo(target);
    QCOMPARE(target.ImageCount(), 0);
    QVERIFY(target.Filename().isEmpty());
}

QTEST_GUILESS_MAIN(tst_IconFile)
#include "tst_iconfile.moc"
