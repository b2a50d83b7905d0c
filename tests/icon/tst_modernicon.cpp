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
    void alphaImagesRoundTrip_data();
    void alphaImagesRoundTrip();
    void sharedBlocksHeldOnce();
    void iconsAsPictures_data();
    void iconsAsPictures();

private:
    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
};

void tst_ModernIcon::initTestCase()
{
    if (pilPython().isEmpty() || runTool(QStringLiteral("icotool"), { "--version" }).exitCode != 0)
        QSKIP("python3 with Pillow, or icotool, is missing");
}

void tst_ModernIcon::alphaImagesRoundTrip_data()
{
    QTest::addColumn<ImageShape>("shape");
    QTest::addColumn<bool>("png");
    QTest::newRow("32x32 32 bits, BMP-stored") << ImageShape { 32, 32, 32 } << false;
    QTest::newRow("256x256 32 bits, PNG-stored by itself") << ImageShape { 256, 256, 32 } << true;
    QTest::newRow("48x48 32 bits, PNG-stored on request") << ImageShape { 48, 48, 32, ImageStorage::Png } << true;
    QTest::newRow("256x256 24 bits, BMP-stored") << ImageShape { 256, 256, 24 } << false;
}

// What we write, Pillow reads back exactly (AND mask from alpha too), between images whose
// offsets must follow; our block description agrees with Pillow's until the block is cut short.
void tst_ModernIcon::alphaImagesRoundTrip()
{
    QFETCH(ImageShape, shape);
    QFETCH(bool, png);
    const QImage picture = alphaBands(shape.width + 8, shape.height + 8);
    IconFile icon;
    icon.addImage(ImageShape { 16, 16, 8, ImageStorage::Bmp });
    QCOMPARE(icon.addImage(shape), 2);
    icon.addImage(ImageShape { 16, 16, 32 });
    icon.setImageFromArgb(2, picture, RGB(0, 0, 0));
    icon.save(path("roundtrip.ico"));
    const QList<PilImage> read = pilRead(path("roundtrip.ico"));
    QCOMPARE(read.size(), 3);
    const PilImage& got = read[1];
    QCOMPARE(
        QList<int>({ got.width, got.bitCount, int(got.png) }), QList<int>({ shape.width, shape.bitCount, int(png) }));
    IconFile back;
    QVERIFY(back.load(path("roundtrip.ico")));
    const ImageBlockInfo info = back.blockInfo(2);
    QCOMPARE(QList<qint64>({ info.format == ImageBlockInfo::Format::Png, info.width, info.height, info.bitCount }),
        QList<qint64>({ png, got.width, got.height, got.bitCount }));
    QByteArray bytes = readFile(path("roundtrip.ico"));
    const QImage square = picture.copy(0, 0, shape.width, shape.height);
    if (shape.bitCount == 32 && !png) { // alpha all 0: the AND mask alone says what shows
        const qint32 at = qFromLittleEndian<qint32>(bytes.data() + 6 + 16 + 12) + 40 + 3;
        for (qint32 i = 0; i < shape.width * shape.height; ++i)
            bytes[at + 4 * i] = 0;
        QVERIFY(writeFile(path("mask.ico"), bytes) && back.load(path("mask.ico")));
        const QImage masked = back.imageWithAlpha(Surface::colour(1, 1), 2);
        const QString mask = maskFromAlpha(square);
        for (int i = 0; i < mask.size(); ++i)
            QCOMPARE(qAlpha(masked.pixel(i % shape.width, i / shape.width)), mask[i] == QLatin1Char('1') ? 0 : 255);
    }
    // The block ends inside its header or IHDR.
    qToLittleEndian<qint32>(20, bytes.data() + 6 + 16 + 8);
    QVERIFY(writeFile(path("cut.ico"), bytes));
    QVERIFY(back.load(path("cut.ico")));
    QCOMPARE(errorOf([&] { back.blockInfo(2); }), err::SubscriptOutOfRange);
    if (shape.bitCount == 32) {
        QCOMPARE(got.image, square);
        QCOMPARE(got.mask, png ? QString() : maskFromAlpha(square));
        return;
    }
    // Below 32 bits: drawn over the transparent colour, which becomes the mask.
    QImage over(square.size(), QImage::Format_RGB32);
    over.fill(0);
    QPainter(&over).drawImage(0, 0, square);
    VERIFY_SAME(firstDifference(got.image, expectedIcon(over, shape.width, 0, qRgb(0, 0, 0))));
}

// 256 entries naming one block hold it once; blocks overlapping over and over are refused.
void tst_ModernIcon::sharedBlocksHeldOnce()
{
    IconFile one;
    one.addImage(ImageShape { 256, 256, 32 });
    one.setImageFromArgb(1, alphaBands(256, 256));
    const QByteArray block = one.imageBlock(1);
    const int count = 256, blocksAt = 6 + 16 * count;
    QByteArray file = QByteArray::fromHex("000001000001") + QByteArray(16 * count, '\0') + block;
    const auto entries = [&](qint32 size, int step) {
        for (int k = 0; k < count; ++k) {
            file[6 + 16 * k + 4] = 1; // planes
            qToLittleEndian<qint32>(size, file.data() + 6 + 16 * k + 8);
            qToLittleEndian<qint32>(blocksAt + step * k, file.data() + 6 + 16 * k + 12);
        }
        return writeFile(path("shared.ico"), file);
    };
    QVERIFY(entries(qint32(block.size()), 0));
    IconFile icon;
    QVERIFY(icon.load(path("shared.ico")));
    QCOMPARE(icon.imageCount(), count);
    for (int k = 1; k <= count; ++k)
        QVERIFY(icon.imageBlock(k).constData() == icon.imageBlock(1).constData()); // one storage
    QCOMPARE(icon.imageWithAlpha(Surface::colour(1, 1), count), alphaBands(256, 256));
    // Entry k starts k bytes further on: every range is its own, 256 near-copies of the file.
    file += QByteArray(limits::MaxIconOverlapBytes / count + count, '\0');
    QVERIFY(entries(qint32(file.size() - blocksAt - count), 1));
    QCOMPARE(errorOf([&] { icon.load(path("shared.ico")); }), err::OutOfMemory);
    QCOMPARE(icon.imageCount(), 0);
}

void tst_ModernIcon::iconsAsPictures_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<bool>("cursor");
    for (int bits : { 1, 4, 8, 24, 32 })
        QTest::addRow("%d-bit icon", bits) << bits << false;
    QTest::newRow("8-bit cursor") << 8 << true;
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
    icon.addImage(ImageShape { 48, 48, 24 });
    icon.addImage(ImageShape { 32, 32, bits });
    if (bits == 4 || bits == 8)
        icon.setColourTable(2, basicTable(bits));
    icon.setImageFromArgb(2, picture, RGB(255, 0, 255));
    icon.save(path("picture.ico"));
    QByteArray bytes = readFile(path("picture.ico"));
    if (cursor) { // idType 2; the directory's planes and bits fields hold the hotspot
        bytes[2] = 2;
        qToLittleEndian<quint32>(0x00050003, bytes.data() + 6 + 16 + 4);
        QVERIFY(writeFile(path("picture.ico"), bytes));
    }
    const Picture loaded = PictureLoader::load(path("picture.ico"));
    QCOMPARE(loaded.size(), QSize(32, 32));
    const Colour back = RGB(10, 200, 30);
    Surface drawn = Surface::colour(32, 32, back);
    loaded.drawOn(drawn);
    const QImage expected = pilRead(path("picture.ico")).value(1).image;
    QCOMPARE(qAlpha(expected.pixel(2, 2)), 0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb p = expected.pixel(x, y);
            QCOMPARE(toQRgb(drawn.pixel(x, y)), qAlpha(p) == 0 ? toQRgb(back) : (p | 0xFF000000u));
        }
}

QTEST_GUILESS_MAIN(tst_ModernIcon)
#include "tst_modernicon.moc"
