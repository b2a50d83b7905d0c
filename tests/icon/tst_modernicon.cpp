// 32-bit and PNG-stored images in the icon document, checked against files and readers that
// are not ours (ImageMagick and icotool write inputs, Pillow reads what we write).
#include "icon/IconFile.h"
#include "platform/Error.h"
#include "platform/Limits.h"
#include "platform/PictureLoader.h"
#include "platform/Surface.h"

#include "../support/IconTestSupport.h"
#include "../support/PilProbe.h"

#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;
using namespace brevane::test;

class tst_ModernIcon : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void blockInfo_data();
    void blockInfo();
    void alphaImagesRoundTrip_data();
    void alphaImagesRoundTrip();
    void sharedBlocksHeldOnce();
    void iconsAsPictures_data();
    void iconsAsPictures();

private:
    QTemporaryDir m_dir;
};

void tst_ModernIcon::initTestCase()
{
    if (pilPython().isEmpty() || runTool(QStringLiteral("icotool"), { "--version" }).exitCode != 0)
        QSKIP("python3 with Pillow, or icotool, is missing");
}

void tst_ModernIcon::blockInfo_data()
{
    QTest::addColumn<QStringList>("magick"); // ImageMagick draws PIC
    QTest::addColumn<QString>("icotool"); // how icotool stores it
    QTest::addColumn<bool>("png");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("bits");
    QTest::addColumn<qint64>("colours");
    QTest::newRow("48x48 with alpha, 32 bits BMP-stored")
        << QStringList { "-size", "48x48", "gradient:#ff000080-#0000ff", "PNG32:PIC" } << "-b32" << false << 48 << 32
        << (1ll << 24);
    QTest::newRow("256x256 RGBA PNG-stored")
        << QStringList { "-size", "256x256", "gradient:#ff000080-#00f", "PNG32:PIC" } << "-r" << true << 256 << 32
        << (1ll << 24);
    QTest::newRow("16x16 palette PNG-stored")
        << QStringList { "-size", "16x16", "gradient:red-blue", "-colors", "200", "PNG8:PIC" } << "-r" << true << 16
        << 8 << 256ll;
    QTest::newRow("16x16 8 bits BMP-stored") << QStringList { "-size", "16x16", "gradient:red-blue", "-colors", "200",
        "PIC" } << "-b8" << false << 16 << 8 << 256ll;
}

void tst_ModernIcon::blockInfo()
{
    QFETCH(QStringList, magick);
    QFETCH(QString, icotool);
    QFETCH(bool, png);
    QFETCH(int, size);
    QFETCH(int, bits);
    QFETCH(qint64, colours);
    const QString pic = m_dir.filePath(QStringLiteral("info.png")), ico = m_dir.filePath(QStringLiteral("info.ico"));
    magick.last().replace(QLatin1String("PIC"), pic);
    QCOMPARE(runTool(QStringLiteral("/usr/bin/convert"), magick).exitCode, 0);
    QCOMPARE(runTool(QStringLiteral("icotool"), { "-c", icotool, pic, "-o", ico }).exitCode, 0);
    IconFile icon;
    QVERIFY(icon.load(ico));
    const ImageBlockInfo info = icon.blockInfo(1);
    QCOMPARE(info.format == ImageBlockInfo::Format::Png, png);
    QCOMPARE(QList<qint64>({ info.width, info.height, info.bitCount, info.colours }),
        QList<qint64>({ size, size, bits, colours }));
    // Our reading of what icotool wrote agrees with Pillow's.
    VERIFY_SAME(firstDifference(icon.imageWithAlpha(Surface::colour(1, 1), 1), pilRead(ico).value(0).image));

    // Cut inside the BMP header or the PNG's IHDR: error 9, nothing read beyond the block.
    QByteArray bytes = readFile(ico);
    qToLittleEndian<qint32>(20, bytes.data() + 6 + 8);
    QVERIFY(writeFile(ico, bytes.left(22 + 20)));
    QVERIFY(icon.load(ico));
    QCOMPARE(errorOf([&] { icon.blockInfo(1); }), err::SubscriptOutOfRange);
}

void tst_ModernIcon::alphaImagesRoundTrip_data()
{
    QTest::addColumn<ImageSpec>("spec");
    QTest::addColumn<bool>("png");
    QTest::newRow("32x32 32 bits, BMP-stored") << ImageSpec { 32, 32, 32 } << false;
    QTest::newRow("256x256 32 bits, PNG-stored by itself") << ImageSpec { 256, 256, 32 } << true;
    QTest::newRow("48x48 32 bits, PNG-stored on request") << ImageSpec { 48, 48, 32, ImageStorage::Png } << true;
    QTest::newRow("256x256 24 bits, BMP-stored") << ImageSpec { 256, 256, 24 } << false;
}

// What we write, Pillow reads back exactly, between images whose offsets must follow.
void tst_ModernIcon::alphaImagesRoundTrip()
{
    QFETCH(ImageSpec, spec);
    QFETCH(bool, png);
    const QImage picture = alphaBands(spec.width + 8, spec.height + 8);
    IconFile icon;
    icon.addImage(ImageSpec { 16, 16, 8, ImageStorage::Bmp });
    QCOMPARE(icon.addImage(spec), 2);
    icon.addImage(ImageSpec { 16, 16, 32 });
    icon.setImageFromArgb(2, picture, RGB(0, 0, 0));
    const QString file = m_dir.filePath(QStringLiteral("roundtrip.ico"));
    icon.save(file);

    const QList<PilImage> read = pilRead(file);
    QCOMPARE(read.size(), 3);
    const PilImage& got = read[1];
    QCOMPARE(
        QList<int>({ got.width, got.bitCount, int(got.png) }), QList<int>({ spec.width, spec.bitCount, int(png) }));
    const QImage square = picture.copy(0, 0, spec.width, spec.height);
    if (spec.bitCount == 32) {
        QCOMPARE(got.image, square);
        if (!png)
            QCOMPARE(got.mask, maskFromAlpha(square));
        return;
    }
    // Below 32 bits: drawn over the transparent colour, which becomes the mask.
    QImage over(square.size(), QImage::Format_RGB32);
    over.fill(0);
    QPainter(&over).drawImage(0, 0, square);
    VERIFY_SAME(firstDifference(got.image, expectedIcon(over, spec.width, 0, qRgb(0, 0, 0))));
}

// 256 entries naming one block hold it once; blocks overlapping over and over are refused.
void tst_ModernIcon::sharedBlocksHeldOnce()
{
    IconFile one;
    one.addImage(ImageSpec { 256, 256, 32 });
    one.setImageFromArgb(1, alphaBands(256, 256));
    const QByteArray block = one.imageBlock(1);
    const int count = 256, blocksAt = 6 + 16 * count;
    QByteArray file = QByteArray::fromHex("000001000001") + QByteArray(16 * count, '\0') + block;
    for (int k = 0; k < count; ++k) {
        file[6 + 16 * k + 4] = 1; // planes
        qToLittleEndian<qint32>(block.size(), file.data() + 6 + 16 * k + 8);
        qToLittleEndian<qint32>(blocksAt, file.data() + 6 + 16 * k + 12);
    }
    const QString path = m_dir.filePath(QStringLiteral("shared.ico"));
    QVERIFY(writeFile(path, file));
    IconFile icon;
    QVERIFY(icon.load(path));
    QCOMPARE(icon.imageCount(), count);
    for (int k = 1; k <= count; ++k)
        QVERIFY(icon.imageBlock(k).constData() == icon.imageBlock(1).constData()); // one storage
    QCOMPARE(icon.imageWithAlpha(Surface::colour(1, 1), count), alphaBands(256, 256));

    // Entry k starts k bytes further on: every range is its own, 256 near-copies of the file.
    file += QByteArray(limits::MaxIconOverlapBytes / count + count, '\0');
    for (int k = 0; k < count; ++k) {
        qToLittleEndian<qint32>(qint32(file.size() - blocksAt - count), file.data() + 6 + 16 * k + 8);
        qToLittleEndian<qint32>(blocksAt + k, file.data() + 6 + 16 * k + 12);
    }
    QVERIFY(writeFile(path, file));
    QCOMPARE(errorOf([&] { icon.load(path); }), err::OutOfMemory);
    QCOMPARE(icon.imageCount(), 0);
}

void tst_ModernIcon::iconsAsPictures_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<bool>("cursor");
    for (int bits : { 1, 4, 8, 24, 32 })
        QTest::addRow("%d-bit icon", bits) << bits << false;
    QTest::newRow("8-bit cursor") << 8 << true;
    QTest::newRow("32-bit cursor") << 32 << true;
}

// An icon used as a picture draws as the icon shows: its transparent area is the background,
// as Pillow sees it. The test links the icon library and calls nothing to make the loader use it.
void tst_ModernIcon::iconsAsPictures()
{
    QFETCH(int, bits);
    QFETCH(bool, cursor);
    // A 48x48 image (not chosen) before the 32x32 one: red left, white right, a see-through corner.
    QImage picture(32, 32, QImage::Format_ARGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            picture.setPixel(x, y, x + y < 12 ? 0 : x < 16 ? qRgb(255, 0, 0) : qRgb(255, 255, 255));
    IconFile icon;
    icon.addImage(ImageSpec { 48, 48, 24 });
    icon.addImage(ImageSpec { 32, 32, bits });
    if (bits == 4 || bits == 8)
        icon.setColourTable(2, basicTable(bits));
    icon.setImageFromArgb(2, picture, RGB(255, 0, 255));
    const QString file = m_dir.filePath(QStringLiteral("picture.ico"));
    icon.save(file);
    if (cursor) {
        QByteArray bytes = readFile(file);
        bytes[2] = 2; // idType 2; the directory's planes and bits fields hold the hotspot
        qToLittleEndian<quint32>(0x00050003, bytes.data() + 6 + 16 + 4);
        QVERIFY(writeFile(file, bytes));
    }

    const Picture loaded = PictureLoader::load(file);
    QCOMPARE(loaded.size(), QSize(32, 32));
    const Colour back = RGB(10, 200, 30);
    Surface drawn = Surface::colour(32, 32, back);
    loaded.drawOn(drawn);
    const QImage expected = pilRead(file).value(1).image;
    QCOMPARE(qAlpha(expected.pixel(2, 2)), 0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb p = expected.pixel(x, y);
            QCOMPARE(toQRgb(drawn.pixel(x, y)), qAlpha(p) == 0 ? toQRgb(back) : (p | 0xFF000000u));
        }
}

QTEST_GUILESS_MAIN(tst_ModernIcon)
#include "tst_modernicon.moc"
