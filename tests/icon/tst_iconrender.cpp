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

// Brute force nearest colour: smallest squared RGB distance, the first of equals.
int nearest(const std::vector<quint8>& table, Colour c)
{
    int best = 0, bestD = INT_MAX;
    for (int i = 0; i < int(table.size() / 4); ++i) {
        const int db = table[4 * i] - blueOf(c), dg = table[4 * i + 1] - greenOf(c), dr = table[4 * i + 2] - redOf(c);
        if (dr * dr + dg * dg + db * db < bestD) {
            bestD = dr * dr + dg * dg + db * db;
            best = i;
        }
    }
    return best;
}

// The colour and mask bytes an image must hold for 'picture': bottom-up rows, B,G,R or the
// nearest table index, magenta pixels black with their mask bit set.
QByteArray expectedBits(const Surface& picture, int size, int bits, const std::vector<quint8>& table)
{
    const int xorRow = (size * bits + 31) / 32 * 4, maskRow = (size + 31) / 32 * 4;
    QByteArray xorBits(size * xorRow, '\0'), maskBits(size * maskRow, '\0');
    for (int r = 0; r < size; ++r) {
        char* row = xorBits.data() + (size - 1 - r) * xorRow;
        char* mask = maskBits.data() + (size - 1 - r) * maskRow;
        for (int c = 0; c < size; ++c) {
            const bool clear = picture.pixel(c, r) == Magenta;
            const Colour v = clear ? RGB(0, 0, 0) : picture.pixel(c, r);
            mask[c / 8] = char(mask[c / 8] | (clear ? 0x80 >> (c % 8) : 0));
            if (bits == 24)
                std::copy_n(std::array { char(blueOf(v)), char(greenOf(v)), char(redOf(v)) }.data(), 3, row + 3 * c);
            else
                row[c * bits / 8] = char(row[c * bits / 8] | (nearest(table, v) << (8 - bits - c * bits % 8)));
        }
    }
    return xorBits + maskBits;
}

} // namespace

class tst_IconRender : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void mask();
    void maskFollowsDirectoryHeight();
    void fillsImage_data();
    void fillsImage();
    void refused();
};

// Drawn as a mask: white where transparent, black where opaque; the icon handle's mask agrees.
void tst_IconRender::mask()
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
void tst_IconRender::maskFollowsDirectoryHeight()
{
    // Header (one image), then 16x8, 2 colours, 1 plane, 1 bit, 176 bytes at offset 22.
    const QByteArray file = QByteArray::fromHex("000001000100""10080200""01000100""b000000016000000");
    QByteArray block(176, '\0');
    for (const auto& [at, value] : { std::pair { 0, 40 }, { 4, 16 }, { 8, 32 }, { 12, 0x10001 } })
        qToLittleEndian<qint32>(value, block.data() + at); // biHeight of a 16x16 image, 1 plane, 1 bit
    block.replace(48 + 8 * 4, 8 * 4, QByteArray(8 * 4, char(0xFF))); // after 8 colour rows: all transparent
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("short.ico")), file + block));
    IconFile icon;
    QVERIFY_THROWS_NO_EXCEPTION(icon.load(dir.filePath(QStringLiteral("short.ico"))));
    const QImage image = icon.imageWithAlpha(Surface::colour(1, 1), 1);
    QCOMPARE(image.size(), QSize(16, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            QCOMPARE(qAlpha(image.pixel(x, y)), 0);
}

void tst_IconRender::fillsImage_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("colourCount");
    QTest::addColumn<bool>("basicPalette");
    QTest::newRow("16x16 1 bit") << 16 << 2 << false;
    QTest::newRow("15x15 24 bit, rows padded from 45 to 48 bytes") << 15 << 1000 << false;
    QTest::newRow("32x32 8 bit, table still black") << 32 << 256 << false;
    QTest::newRow("32x32 4 bit, the 16 basic colours") << 32 << 16 << true;
}

// Header and colour table untouched; every byte of the colour and mask bits written, padding too.
void tst_IconRender::fillsImage()
{
    QFETCH(int, size);
    QFETCH(int, colourCount);
    QFETCH(bool, basicPalette);
    QTemporaryDir dir;
    IconFile icon;
    QVERIFY(loadWithFiller(icon, dir, size, colourCount, char(0xAA)));
    const int bits = ColourDepth::bitsFor(colourCount);
    if (basicPalette)
        QVERIFY_THROWS_NO_EXCEPTION(icon.setColourTable(1, basicTable(bits)));
    const QByteArray before = icon.imageBlock(1);
    Surface picture = makePicture(size + 10, size + 10);
    icon.setImageFromSurface(picture, 1, 0, 0, -1); // -1: the top-left colour, magenta
    std::vector<quint8> table(bits <= 8 ? std::size_t(4) << bits : 0);
    icon.colourTable(1, table);
    const int xorOffset = xorOffsetFor(colourCount);
    QCOMPARE(icon.imageBlock(1).left(xorOffset), before.left(xorOffset));
    QCOMPARE(icon.imageBlock(1).mid(xorOffset), expectedBits(picture, size, bits, table));
}

// Index 0 or 2; 24 bit, last mask byte missing; 8 bit, cut inside the colour table: nothing changes.
void tst_IconRender::refused()
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

QTEST_MAIN(tst_IconRender)
#include "tst_iconrender.moc"
