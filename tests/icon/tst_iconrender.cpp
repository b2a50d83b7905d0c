#include "icon/cls_IconFile.h"
#include "platform/Error.h"
#include "platform/Surface.h"

#include "IconTestSupport.h"

#include <QBitmap>
#include <QTest>

using namespace brevane;

namespace {

constexpr Colour Magenta = RGB(255, 0, 255);
constexpr Colour Grey = RGB(77, 77, 77);

Colour patternAt(int x, int y)
{
    if ((x + 2 * y) % 5 == 0)
        return Magenta;
    return RGB((x * 41) % 256, (y * 67) % 256, ((x * y) * 13) % 250);
}

Surface makePicture(int w, int h)
{
    Surface s = Surface::colour(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            s.SetPixel(x, y, patternAt(x, y));
    return s;
}

// An icon whose image 1 was filled from the pattern with magenta transparent.
cls_IconFile filledIcon(int size, int colourCount, bool basicPalette = false)
{
    cls_IconFile icon;
    icon.AddImage(size, size, colourCount);
    if (basicPalette) {
        const int bits = colourCount == 16 ? 4 : 8;
        const std::vector<quint8> t = test::basicTable(bits);
        icon.SetPalette(1, t);
    }
    Surface picture = makePicture(size, size);
    icon.SetIconFromBitmap(picture, 1, 0, 0, true, Magenta);
    return icon;
}

} // namespace

class tst_IconRender : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void blockUnchanged_data();
    void blockUnchanged();
    void colourRoundTrip();
    void nearestTableColour();
    void maskDraw();
    void stretch_data();
    void stretch();
    void rasterOperation();
    void iconHandle_data();
    void iconHandle();
    void errors();
    void shortBlock();
};

void tst_IconRender::blockUnchanged_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("colourCount");
    QTest::newRow("16x16 1 bit") << 16 << 2;
    QTest::newRow("32x32 4 bit") << 32 << 16;
    QTest::newRow("32x32 8 bit") << 32 << 256;
    QTest::newRow("48x48 24 bit") << 48 << 1000;
    QTest::newRow("15x15 24 bit") << 15 << 1000;
}

void tst_IconRender::blockUnchanged()
{
    QFETCH(int, size);
    QFETCH(int, colourCount);
    const cls_IconFile icon = filledIcon(size, colourCount, colourCount == 16 || colourCount == 256);
    const QByteArray before = icon.imageBlock(1);
    Surface dc = Surface::colour(100, 100, Grey);
    icon.DrawIconImage(dc, 1);
    QCOMPARE(icon.imageBlock(1), before);
    icon.DrawIconImage(dc, 1, 1, 3, 4);
    QCOMPARE(icon.imageBlock(1), before);
    icon.DrawIconImage(dc, 1, 0, 0, 0, 70, 0, Rop::SRCINVERT);
    QCOMPARE(icon.imageBlock(1), before);
    QVERIFY(!icon.IconHandle(dc, 1).isNull());
    QCOMPARE(icon.imageBlock(1), before);
    QVERIFY(!icon.IconPicture(dc, 1).isNull());
    QCOMPARE(icon.imageBlock(1), before);
}

void tst_IconRender::colourRoundTrip()
{
    const cls_IconFile icon = filledIcon(32, 1000);
    Surface dc = Surface::colour(40, 40, Grey);
    icon.DrawIconImage(dc, 1, 0, 5, 6);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const Colour want = patternAt(x, y) == Magenta ? RGB(0, 0, 0) : patternAt(x, y);
            QCOMPARE(dc.GetPixel(x + 5, y + 6), want);
        }
    QCOMPARE(dc.GetPixel(4, 6), Grey);
    QCOMPARE(dc.GetPixel(37, 38), Grey);
}

void tst_IconRender::nearestTableColour()
{
    const cls_IconFile icon = filledIcon(16, 16, true);
    Surface dc = Surface::colour(16, 16, Grey);
    icon.DrawIconImage(dc, 1);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const Colour got = dc.GetPixel(x, y);
            // Whatever was drawn is a table colour, and none of the table is nearer to the source.
            const auto& table = test::basicColours();
            QVERIFY(std::find(table.begin(), table.end(), toQRgb(got)) != table.end());
            const Colour src = patternAt(x, y) == Magenta ? RGB(0, 0, 0) : patternAt(x, y);
            auto dist = [&](QRgb c) {
                const int dr = qRed(c) - redOf(src), dg = qGreen(c) - greenOf(src), db = qBlue(c) - blueOf(src);
                return dr * dr + dg * dg + db * db;
            };
            for (QRgb c : table)
                QVERIFY(dist(c) >= dist(toQRgb(got)));
        }
}

void tst_IconRender::maskDraw()
{
    const cls_IconFile icon = filledIcon(32, 1000);
    Surface dc = Surface::colour(32, 32, Grey); // default text black, background white
    icon.DrawIconImage(dc, 1, 1);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            QCOMPARE(dc.GetPixel(x, y), patternAt(x, y) == Magenta ? RGB(255, 255, 255) : RGB(0, 0, 0));
}

void tst_IconRender::stretch_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QSize>("drawn");
    QTest::newRow("width 64 alone: 64x32") << 64 << 0 << QSize(64, 32);
    QTest::newRow("height 64 alone: 32x64") << 0 << 64 << QSize(32, 64);
    QTest::newRow("both: 64x96") << 64 << 96 << QSize(64, 96);
    QTest::newRow("neither: unscaled") << 0 << 0 << QSize(32, 32);
}

void tst_IconRender::stretch()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QSize, drawn);
    const cls_IconFile icon = filledIcon(32, 1000);
    Surface dc = Surface::colour(100, 100, Grey);
    icon.DrawIconImage(dc, 1, 0, 0, 0, width, height);
    const int fx = drawn.width() / 32, fy = drawn.height() / 32;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) {
            const Colour p = patternAt(x / fx, y / fy);
            QCOMPARE(dc.GetPixel(x, y), p == Magenta ? RGB(0, 0, 0) : p);
        }
    QCOMPARE(dc.GetPixel(drawn.width(), 0), Grey);
    QCOMPARE(dc.GetPixel(0, drawn.height()), Grey);
}

void tst_IconRender::rasterOperation()
{
    // The usual two-step draw: the mask with SRCAND, then the colours with SRCINVERT,
    // shows the surface through transparent pixels.
    const cls_IconFile icon = filledIcon(32, 1000);
    Surface dc = Surface::colour(32, 32, Grey);
    icon.DrawIconImage(dc, 1, 1, 0, 0, 0, 0, Rop::SRCAND);
    icon.DrawIconImage(dc, 1, 0, 0, 0, 0, 0, Rop::SRCINVERT);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            QCOMPARE(dc.GetPixel(x, y), patternAt(x, y) == Magenta ? Grey : patternAt(x, y));
}

void tst_IconRender::iconHandle_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("colourCount");
    QTest::newRow("48x48 24 bit") << 48 << 1000;
    QTest::newRow("32x32 1 bit") << 32 << 2;
    QTest::newRow("16x16 8 bit") << 16 << 256;
}

void tst_IconRender::iconHandle()
{
    QFETCH(int, size);
    QFETCH(int, colourCount);
    const cls_IconFile icon = filledIcon(size, colourCount, colourCount == 256);
    const Surface dc = Surface::colour(1, 1);
    const QIcon handle = icon.IconHandle(dc, 1);
    QVERIFY(!handle.isNull());
    QCOMPARE(handle.availableSizes(), QList<QSize> { QSize(size, size) });
    const QPixmap colour = handle.pixmap(QSize(size, size));
    QCOMPARE(colour.size(), QSize(size, size));
    const QBitmap mask = colour.mask();
    QCOMPARE(mask.size(), QSize(size, size));
    const QImage image = colour.toImage();
    const QImage maskImage = mask.toImage();
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const bool clear = patternAt(x, y) == Magenta;
            QCOMPARE(qAlpha(image.pixel(x, y)), clear ? 0 : 255);
            // QBitmap: color1 (black) marks the pixels that are shown.
            QCOMPARE(maskImage.pixel(x, y) == qRgb(0, 0, 0), !clear);
        }
    const QPixmap picture = icon.IconPicture(dc, 1);
    QCOMPARE(picture.size(), QSize(size, size));
    QCOMPARE(picture.toImage(), image);
}

void tst_IconRender::errors()
{
    const cls_IconFile icon = filledIcon(16, 2);
    Surface dc = Surface::colour(20, 20, Grey);
    for (int index : { 0, 2, -5 }) {
        QVERIFY_THROWS_EXCEPTION(Error, icon.DrawIconImage(dc, index));
        QVERIFY_THROWS_EXCEPTION(Error, icon.IconHandle(dc, index));
        QVERIFY_THROWS_EXCEPTION(Error, icon.IconPicture(dc, index));
    }
    try {
        icon.DrawIconImage(dc, 3);
        QFAIL("no error raised");
    } catch (const Error& e) {
        QCOMPARE(e.number(), err::SubscriptOutOfRange);
    }
    QCOMPARE(dc.GetPixel(0, 0), Grey);
}

void tst_IconRender::shortBlock()
{
    // A loaded block one byte short of its mask: the colours still draw, the mask refuses.
    QTemporaryDir dir;
    cls_IconFile icon;
    QVERIFY(test::loadWithFiller(icon, dir, 16, 16, 1000, char(0x10), 1));
    const QByteArray before = icon.imageBlock(1);
    Surface dc = Surface::colour(16, 16, Grey);
    icon.DrawIconImage(dc, 1, 0);
    QCOMPARE(dc.GetPixel(3, 3), RGB(0x10, 0x10, 0x10));
    try {
        icon.DrawIconImage(dc, 1, 1);
        QFAIL("no error raised");
    } catch (const Error& e) {
        QCOMPARE(e.number(), err::SubscriptOutOfRange);
    }
    QVERIFY_THROWS_EXCEPTION(Error, icon.IconHandle(dc, 1));
    QCOMPARE(icon.imageBlock(1), before);
}

QTEST_MAIN(tst_IconRender)
#include "tst_iconrender.moc"
