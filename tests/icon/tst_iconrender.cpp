#include "icon/cls_IconFile.h"
#include "platform/Error.h"
#include "platform/Surface.h"

#include "../support/IconTestSupport.h"

#include <QBitmap>
#include <QTest>

using namespace brevane;
using namespace brevane::test;

namespace {

constexpr Colour Grey = RGB(77, 77, 77);

// An icon whose image 1 was filled from the pattern with magenta transparent.
cls_IconFile filledIcon(int size, int colourCount, bool basicPalette = false)
{
    cls_IconFile icon;
    icon.AddImage(size, size, colourCount);
    if (basicPalette)
        icon.SetPalette(1, basicTable(bitsFor(colourCount)));
    Surface picture = makePicture(size, size);
    icon.SetIconFromBitmap(picture, 1, 0, 0, true, Magenta);
    return icon;
}

// What a colour draw shows at image pixel (x, y): transparent pixels were stored black.
Colour drawn(int x, int y)
{
    return patternAt(x, y) == Magenta ? RGB(0, 0, 0) : patternAt(x, y);
}

int distance(QRgb c, Colour s)
{
    const int dr = qRed(c) - redOf(s), dg = qGreen(c) - greenOf(s), db = qBlue(c) - blueOf(s);
    return dr * dr + dg * dg + db * db;
}

} // namespace

class tst_IconRender : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void blockUnchanged_data();
    void blockUnchanged();
    void nearestTableColour();
    void stretch_data();
    void stretch();
    void maskAndRasterOperation();
    void iconHandle_data();
    void iconHandle();
    void errors();
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
    icon.DrawIconImage(dc, 1, 1, 3, 4);
    icon.DrawIconImage(dc, 1, 0, 0, 0, 70, 0, Rop::SRCINVERT);
    QVERIFY(!icon.IconHandle(dc, 1).isNull());
    QVERIFY(!icon.IconPicture(dc, 1).isNull());
    QCOMPARE(icon.imageBlock(1), before);
}

void tst_IconRender::nearestTableColour()
{
    const cls_IconFile icon = filledIcon(16, 16, true);
    Surface dc = Surface::colour(16, 16, Grey);
    icon.DrawIconImage(dc, 1);
    const auto& table = basicColours();
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            // Whatever was drawn is a table colour, and none of the table is nearer to the source.
            const QRgb got = toQRgb(dc.GetPixel(x, y));
            QVERIFY(std::find(table.begin(), table.end(), got) != table.end());
            for (QRgb c : table)
                QVERIFY(distance(c, drawn(x, y)) >= distance(got, drawn(x, y)));
        }
}

void tst_IconRender::stretch_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QSize>("size");
    QTest::newRow("neither: unscaled at (5, 6)") << QPoint(5, 6) << 0 << 0 << QSize(32, 32);
    QTest::newRow("width 64 alone: 64x32") << QPoint() << 64 << 0 << QSize(64, 32);
    QTest::newRow("height 64 alone: 32x64") << QPoint() << 0 << 64 << QSize(32, 64);
    QTest::newRow("both: 64x96") << QPoint(1, 2) << 64 << 96 << QSize(64, 96);
}

void tst_IconRender::stretch()
{
    QFETCH(QPoint, at);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QSize, size);
    const cls_IconFile icon = filledIcon(32, 1000);
    Surface dc = Surface::colour(100, 100, Grey);
    icon.DrawIconImage(dc, 1, 0, at.x(), at.y(), width, height);
    const int fx = size.width() / 32, fy = size.height() / 32;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            QCOMPARE(dc.GetPixel(at.x() + x, at.y() + y), drawn(x / fx, y / fy));
    QCOMPARE(dc.GetPixel(at.x() + size.width(), at.y()), Grey);
    QCOMPARE(dc.GetPixel(at.x(), at.y() + size.height()), Grey);
    if (at.x() > 0)
        QCOMPARE(dc.GetPixel(at.x() - 1, at.y()), Grey);
}

void tst_IconRender::maskAndRasterOperation()
{
    const cls_IconFile icon = filledIcon(32, 1000);
    // eType 1 draws the mask: white where transparent, black where opaque.
    Surface dc = Surface::colour(32, 32, Grey);
    icon.DrawIconImage(dc, 1, 1);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            QCOMPARE(dc.GetPixel(x, y), patternAt(x, y) == Magenta ? RGB(255, 255, 255) : RGB(0, 0, 0));

    // The usual two-step draw, mask with SRCAND then colours with SRCINVERT, shows the surface
    // through transparent pixels.
    dc = Surface::colour(32, 32, Grey);
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
    QCOMPARE(handle.availableSizes(), QList<QSize> { QSize(size, size) });
    const QPixmap colour = handle.pixmap(QSize(size, size));
    QCOMPARE(colour.size(), QSize(size, size));
    const QImage image = colour.toImage();
    const QImage mask = colour.mask().toImage();
    QCOMPARE(mask.size(), QSize(size, size));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const bool clear = patternAt(x, y) == Magenta;
            QCOMPARE(qAlpha(image.pixel(x, y)), clear ? 0 : 255);
            // QBitmap: color1 (black) marks the pixels that are shown.
            QCOMPARE(mask.pixel(x, y) == qRgb(0, 0, 0), !clear);
        }
    QCOMPARE(icon.IconPicture(dc, 1).toImage(), image);
}

void tst_IconRender::errors()
{
    const cls_IconFile icon = filledIcon(16, 2);
    Surface dc = Surface::colour(20, 20, Grey);
    for (int index : { 0, 2, -5 }) {
        QCOMPARE(errorOf([&] { icon.DrawIconImage(dc, index); }), err::SubscriptOutOfRange);
        QCOMPARE(errorOf([&] { icon.IconHandle(dc, index); }), err::SubscriptOutOfRange);
        QCOMPARE(errorOf([&] { icon.IconPicture(dc, index); }), err::SubscriptOutOfRange);
    }
    QCOMPARE(dc.GetPixel(0, 0), Grey);

    // A loaded block one byte short of its mask: the colours still draw, the mask refuses.
    QTemporaryDir dir;
    cls_IconFile cut;
    QVERIFY(loadWithFiller(cut, dir, 16, 1000, char(0x10), 1));
    const QByteArray before = cut.imageBlock(1);
    cut.DrawIconImage(dc, 1, 0);
    QCOMPARE(dc.GetPixel(3, 3), RGB(0x10, 0x10, 0x10));
    QCOMPARE(errorOf([&] { cut.DrawIconImage(dc, 1, 1); }), err::SubscriptOutOfRange);
    QCOMPARE(errorOf([&] { cut.IconHandle(dc, 1); }), err::SubscriptOutOfRange);
    QCOMPARE(cut.imageBlock(1), before);
}

QTEST_MAIN(tst_IconRender)
#include "tst_iconrender.moc"
