#include "icon/IconFile.h"
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
IconFile filledIcon(int size, int colourCount, bool basicPalette = false)
{
    IconFile icon;
    icon.addImage(size, size, colourCount);
    if (basicPalette)
        icon.setColourTable(1, basicTable(bitsFor(colourCount)));
    Surface picture = makePicture(size, size);
    icon.setImageFromSurface(picture, 1, 0, 0, Magenta);
    return icon;
}

// What a colour draw shows at image pixel (x, y): transparent pixels were stored black.
Colour drawn(int x, int y)
{
    return patternAt(x, y) == Magenta ? RGB(0, 0, 0) : patternAt(x, y);
}

} // namespace

class tst_IconRender : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void blockUnchanged();
    void stretch();
    void mask();
    void iconHandle();
    void errors();
};

void tst_IconRender::blockUnchanged()
{
    for (const auto& [size, colourCount] : { std::pair { 16, 2 }, { 32, 256 }, { 15, 1000 } }) {
        const IconFile icon = filledIcon(size, colourCount, colourCount == 256);
        const QByteArray before = icon.imageBlock(1);
        Surface dc = Surface::colour(100, 100, Grey);
        icon.drawImage(dc, 1);
        icon.drawImage(dc, 1, 1, 3, 4);
        QVERIFY(!icon.icon(dc, 1).isNull());
        QCOMPARE(icon.imageBlock(1), before);
    }
}

void tst_IconRender::stretch()
{
    const IconFile icon = filledIcon(32, 1000);
    // Unscaled at (5, 6); width 64 alone stretches to 64x32.
    for (const auto& [at, width] : { std::pair { QPoint(5, 6), 0 }, { QPoint(), 64 } }) {
        Surface dc = Surface::colour(100, 100, Grey);
        icon.drawImage(dc, 1, 0, at.x(), at.y(), width);
        const int w = width ? width : 32, fx = w / 32;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < w; ++x)
                QCOMPARE(dc.pixel(at.x() + x, at.y() + y), drawn(x / fx, y));
        QCOMPARE(dc.pixel(at.x() + w, at.y()), Grey);
        QCOMPARE(dc.pixel(at.x(), at.y() + 32), Grey);
    }
}

void tst_IconRender::mask()
{
    // kind 1 draws the mask: white where transparent, black where opaque.
    const IconFile icon = filledIcon(32, 1000);
    Surface dc = Surface::colour(32, 32, Grey);
    icon.drawImage(dc, 1, 1);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            QCOMPARE(dc.pixel(x, y), patternAt(x, y) == Magenta ? RGB(255, 255, 255) : RGB(0, 0, 0));
}

void tst_IconRender::iconHandle()
{
    const IconFile icon = filledIcon(48, 1000);
    const QIcon handle = icon.icon(Surface::colour(1, 1), 1);
    QCOMPARE(handle.availableSizes(), QList<QSize> { QSize(48, 48) });
    const QPixmap colour = handle.pixmap(QSize(48, 48));
    const QImage image = colour.toImage();
    const QImage mask = colour.mask().toImage();
    QCOMPARE(mask.size(), QSize(48, 48));
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) {
            const bool clear = patternAt(x, y) == Magenta;
            QCOMPARE(image.pixel(x, y), clear ? 0u : toQRgb(patternAt(x, y)));
            QCOMPARE(mask.pixel(x, y) == qRgb(0, 0, 0), !clear); // color1 (black) marks what is shown
        }
}

void tst_IconRender::errors()
{
    Surface dc = Surface::colour(20, 20, Grey);
    QCOMPARE(errorOf([&] { filledIcon(16, 2).drawImage(dc, 2); }), err::SubscriptOutOfRange);
    // A loaded block one byte short of its mask: the colours still draw, the mask refuses.
    QTemporaryDir dir;
    IconFile cut;
    QVERIFY(loadWithFiller(cut, dir, 16, 1000, char(0x10), 1));
    const QByteArray before = cut.imageBlock(1);
    cut.drawImage(dc, 1, 0);
    QCOMPARE(dc.pixel(3, 3), RGB(0x10, 0x10, 0x10));
    QCOMPARE(errorOf([&] { cut.drawImage(dc, 1, 1); }), err::SubscriptOutOfRange);
    QCOMPARE(errorOf([&] { cut.icon(dc, 1); }), err::SubscriptOutOfRange);
    QCOMPARE(cut.imageBlock(1), before);
}

QTEST_MAIN(tst_IconRender)
#include "tst_iconrender.moc"
