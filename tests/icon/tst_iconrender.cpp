#include "icon/IconFile.h"
#include "platform/Error.h"
#include "platform/Surface.h"

#include "../support/IconTestSupport.h"

#include <QBitmap>
#include <QTemporaryDir>
#include <QtEndian>
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

} // namespace

class tst_IconRender : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void mask();
    void maskFollowsDirectoryHeight();
    void iconHandle();
    void errors();
};

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

// bHeight is the real height, biHeight twice what the block was made for: the mask starts
// after bHeight colour rows, not after biHeight / 2 of them.
void tst_IconRender::maskFollowsDirectoryHeight()
{
    // Header (one image), then 16x8, 2 colours, 1 plane, 1 bit, 176 bytes at offset 22.
    const QByteArray file = QByteArray::fromHex("000001000100"
                                                "10080200"
                                                "01000100"
                                                "b000000016000000");
    QByteArray block(176, '\0');
    qToLittleEndian<quint32>(40, block.data());
    qToLittleEndian<qint32>(16, block.data() + 4);
    qToLittleEndian<qint32>(32, block.data() + 8); // biHeight of a 16x16 image
    qToLittleEndian<quint16>(1, block.data() + 12);
    qToLittleEndian<quint16>(1, block.data() + 14);
    block.replace(48 + 8 * 4, 8 * 4, QByteArray(8 * 4, char(0xFF))); // after 8 colour rows: all transparent
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("short.ico"));
    QVERIFY(writeFile(path, file + block));
    IconFile icon;
    QVERIFY_THROWS_NO_EXCEPTION(icon.load(path));
    const QImage image = icon.imageWithAlpha(Surface::colour(1, 1), 1);
    QCOMPARE(image.size(), QSize(16, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            QCOMPARE(qAlpha(image.pixel(x, y)), 0);
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
