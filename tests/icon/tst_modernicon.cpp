// 32-bit and PNG-stored images in the icon document, checked against files and readers that
// are not ours (icotool writes the inputs, ImageMagick and Pillow read what we write).
#include "icon/IconFile.h"
#include "platform/Error.h"

#include "../support/IconCheck.h"
#include "../support/IconTestSupport.h"
#include "../support/PilProbe.h"

#include "platform/Limits.h"
#include "platform/PictureLoader.h"
#include "platform/Surface.h"

#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;
using namespace brevane::test;

namespace {

// Alpha in bands of 0, 128 and 255 (every third row), a colour that tells each pixel apart,
// even under alpha 0.
QImage alphaBands(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgba(x * 6 % 256, y * 6 % 256, (x * y) % 256, y % 3 == 0 ? 0 : y % 3 == 1 ? 128 : 255));
    return img;
}

} // namespace

class tst_ModernIcon : public QObject {
    Q_OBJECT
private Q_SLOTS:
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

void tst_ModernIcon::blockInfo_data()
{
    QTest::addColumn<QStringList>("magick"); // how the picture is drawn
    QTest::addColumn<QStringList>("icotool"); // how icotool stores it
    QTest::addColumn<bool>("png");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("bits");
    QTest::addColumn<qint64>("colours");
    const QStringList soft { "-size", "48x48", "xc:none", "-fill", "#ff000080", "-draw", "circle 24,24 24,4" };
    QTest::newRow("48x48 with alpha, BMP-stored 32 bits") << soft << QStringList {} << false << 48 << 32 << (1ll << 24);
    QTest::newRow("256x256 RGBA PNG stored as it is")
        << QStringList { "-size", "256x256", "gradient:#ff000080-#0000ffff", "PNG32:" } << QStringList { "-r" } << true
        << 256 << 32 << (1ll << 24);
    QTest::newRow("16x16 palette PNG stored as it is")
        << QStringList { "-size", "16x16", "gradient:red-blue", "-colors", "200", "PNG8:" } << QStringList { "-r" }
        << true << 16 << 8 << 256ll;
    QTest::newRow("16x16 8-bit BMP-stored") << QStringList { "-size", "16x16", "gradient:red-blue", "-colors", "200" }
                                            << QStringList { "-b", "8" } << false << 16 << 8 << 256ll;
}

void tst_ModernIcon::blockInfo()
{
    QFETCH(QStringList, magick);
    QFETCH(QStringList, icotool);
    QFETCH(bool, png);
    QFETCH(int, size);
    QFETCH(int, bits);
    QFETCH(qint64, colours);
    // "PNG32:" and the like prefix the output name.
    QStringList drawing = magick;
    QString prefix;
    if (!drawing.isEmpty() && drawing.last().endsWith(QLatin1Char(':')))
        prefix = drawing.takeLast();
    const QString name = QString::fromLatin1(QTest::currentDataTag()).left(10).replace(QLatin1Char(' '), '_');
    QString ico;
    {
        const QString pic = m_dir.filePath(name + QStringLiteral(".png"));
        ico = m_dir.filePath(name + QStringLiteral(".ico"));
        if (runTool(QStringLiteral("/usr/bin/convert"), drawing + QStringList { prefix + pic }).exitCode != 0
            || runTool(QStringLiteral("icotool"), QStringList { "-c", "-o", ico } + icotool + QStringList { pic })
                    .exitCode
                != 0)
            QSKIP("ImageMagick or icotool is missing");
    }
    IconFile icon;
    QVERIFY(icon.load(ico));
    const ImageBlockInfo info = icon.blockInfo(1);
    QCOMPARE(info.format == ImageBlockInfo::Format::Png, png);
    QCOMPARE(info.width, size);
    QCOMPARE(info.height, size);
    QCOMPARE(info.bitCount, bits);
    QCOMPARE(info.colours, colours);

    // Cut inside the header (the BMP's or the PNG's IHDR): error 9, nothing read beyond the block.
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
    QTest::newRow("32x32 32 bits, BMP-stored") << ImageSpec { 32, 32, 32, ImageStorage::Automatic } << false;
    QTest::newRow("256x256 32 bits, PNG-stored by itself")
        << ImageSpec { 256, 256, 32, ImageStorage::Automatic } << true;
    QTest::newRow("48x48 32 bits, PNG-stored on request") << ImageSpec { 48, 48, 32, ImageStorage::Png } << true;
    QTest::newRow("256x256 24 bits, BMP-stored") << ImageSpec { 256, 256, 24, ImageStorage::Automatic } << false;
}

// What we write, Pillow reads back exactly; our own reading of it agrees with Pillow's.
void tst_ModernIcon::alphaImagesRoundTrip()
{
    QFETCH(ImageSpec, spec);
    QFETCH(bool, png);
    if (pilPython().isEmpty())
        QSKIP("python3 with Pillow is missing");
    const QImage picture = alphaBands(spec.width + 8, spec.height + 8);
    IconFile icon;
    icon.addImage(ImageSpec { 16, 16, 8, ImageStorage::Bmp }); // an image before, so offsets move
    QCOMPARE(icon.addImage(spec), 2);
    icon.addImage(ImageSpec { 16, 16, 32, ImageStorage::Bmp }); // and one behind
    const Colour key = RGB(0, 0, 0);
    icon.setImageFromArgb(2, picture, key);
    const QString file = m_dir.filePath(QStringLiteral("roundtrip.ico"));
    icon.save(file);

    const QList<PilImage> read = pilRead(file);
    QCOMPARE(read.size(), 3);
    const PilImage& got = read[1];
    QCOMPARE(got.width, spec.width);
    QCOMPARE(got.bitCount, spec.bitCount);
    QCOMPARE(got.png, png);
    const QImage square = picture.copy(0, 0, spec.width, spec.height);
    if (spec.bitCount == 32) {
        VERIFY_SAME(exactDifference(got.image, square));
        if (!png)
            QCOMPARE(got.mask, maskFromAlpha(square));
    } else {
        // Below 32 bits: drawn over the transparent colour, which becomes the mask.
        QImage over(square.size(), QImage::Format_ARGB32);
        over.fill(toQRgb(key));
        QPainter(&over).drawImage(0, 0, square);
        VERIFY_SAME(firstDifference(got.image, expectedIcon(over, spec.width, 0, toQRgb(key))));
    }
    IconFile loaded;
    QVERIFY(loaded.load(file));
    VERIFY_SAME(firstDifference(loaded.imageWithAlpha(Surface::colour(1, 1), 2), got.image));
}

// 256 entries naming one block hold it once; blocks that overlap each other over and over are refused.
void tst_ModernIcon::sharedBlocksHeldOnce()
{
    IconFile one;
    one.addImage(ImageSpec { 256, 256, 32 });
    one.setImageFromArgb(1, alphaBands(256, 256));
    const QByteArray block = one.imageBlock(1);
    const int count = 256;
    QByteArray file
        = QByteArray::fromHex("000001000001").replace(4, 2, QByteArray(1, char(count & 0xFF)) + char(count >> 8));
    for (int k = 0; k < count; ++k)
        file += QByteArray::fromHex("0000000001002000") + QByteArray(4, '\0') + QByteArray(4, '\0');
    for (int k = 0; k < count; ++k) {
        qToLittleEndian<qint32>(block.size(), file.data() + 6 + 16 * k + 8);
        qToLittleEndian<qint32>(6 + 16 * count, file.data() + 6 + 16 * k + 12);
    }
    file += block;
    const QString path = m_dir.filePath(QStringLiteral("shared.ico"));
    QVERIFY(writeFile(path, file));
    IconFile icon;
    QVERIFY(icon.load(path));
    QCOMPARE(icon.imageCount(), count);
    for (int k = 1; k <= count; ++k)
        QCOMPARE(icon.imageBlock(k).constData(), icon.imageBlock(1).constData());
    QCOMPARE(icon.imageWithAlpha(Surface::colour(1, 1), count), alphaBands(256, 256));

    // Each entry one byte further on: every range is its own, 256 near-copies of the file.
    QByteArray padded = file + QByteArray(count, '\0');
    for (int k = 0; k < count; ++k)
        qToLittleEndian<qint32>(6 + 16 * count + k, padded.data() + 6 + 16 * k + 12);
    padded += QByteArray(limits::MaxIconOverlapBytes / count + 1, '\0');
    for (int k = 0; k < count; ++k)
        qToLittleEndian<qint32>(qint32(padded.size() - (6 + 16 * count) - count), padded.data() + 6 + 16 * k + 8);
    QVERIFY(writeFile(path, padded));
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

// An icon used as a picture draws as the icon shows: its transparent area is the background.
// The test links the icon library and calls nothing to make the loader use it.
void tst_ModernIcon::iconsAsPictures()
{
    QFETCH(int, bits);
    QFETCH(bool, cursor);
    if (pilPython().isEmpty())
        QSKIP("python3 with Pillow is missing");
    // A 48x48 image (not chosen) before the 32x32 one: red left, white right, a transparent corner.
    IconFile icon;
    Surface picture = Surface::colour(48, 48, RGB(255, 0, 255));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            picture.setPixel(x, y, x + y < 12 ? RGB(255, 0, 255) : x < 16 ? RGB(255, 0, 0) : RGB(255, 255, 255));
    icon.addImage(ImageSpec { 48, 48, 24 });
    icon.addImage(ImageSpec { 32, 32, bits });
    if (bits == 4 || bits == 8)
        icon.setColourTable(2, basicTable(bits));
    QImage argb = picture.image().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x + y < 12; ++x)
            argb.setPixel(x, y, 0);
    icon.setImageFromArgb(2, argb, RGB(255, 0, 255));
    const QString file = m_dir.filePath(QStringLiteral("picture%1%2.ico").arg(bits).arg(cursor));
    icon.save(file);
    if (cursor) {
        QByteArray bytes = readFile(file);
        bytes[2] = 2; // idType 2; the directory's planes and bits fields become the hotspot
        qToLittleEndian<quint32>(0x00050003, bytes.data() + 6 + 16 + 4);
        QVERIFY(writeFile(file, bytes));
    }

    const Picture loaded = PictureLoader::load(file);
    QCOMPARE(loaded.size(), QSize(32, 32));
    const Colour back = RGB(10, 200, 30);
    Surface drawn = Surface::colour(32, 32, back);
    loaded.drawOn(drawn);
    const QList<PilImage> pil = pilRead(file);
    QCOMPARE(pil.size(), 2);
    const QImage& expected = pil[1].image;
    QCOMPARE(qAlpha(expected.pixel(2, 2)), 0); // the corner is transparent for Pillow too
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb p = expected.pixel(x, y);
            QCOMPARE(toQRgb(drawn.pixel(x, y)), qAlpha(p) == 0 ? toQRgb(back) : (p | 0xFF000000u));
        }
}

QTEST_GUILESS_MAIN(tst_ModernIcon)
#include "tst_modernicon.moc"
