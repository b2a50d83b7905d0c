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
std::pair<QByteArray, QByteArray> expectedBits(
    const Surface& picture, int size, int bits, const std::vector<quint8>& table)
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
            if (bits == 24) {
                row[3 * c] = char(blueOf(v));
                row[3 * c + 1] = char(greenOf(v));
                row[3 * c + 2] = char(redOf(v));
            } else
                row[c * bits / 8] = char(row[c * bits / 8] | (nearest(table, v) << (8 - bits - c * bits % 8)));
        }
    }
    return { xorBits, maskBits };
}

std::vector<quint8> tableOf(const IconFile& icon, int bits)
{
    std::vector<quint8> raw(bits <= 8 ? std::size_t(4) << bits : 0);
    icon.colourTable(1, raw);
    return raw;
}

} // namespace

class tst_IconRender : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void mask();
    void maskFollowsDirectoryHeight();
    void iconHandle();
    void errors();
    void fillsImage_data();
    void fillsImage();
    void refused();
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

void tst_IconRender::fillsImage_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("colourCount");
    QTest::addColumn<bool>("basicPalette");
    QTest::newRow("16x16 1 bit") << 16 << 2 << false;
    QTest::newRow("15x15 24 bit, rows padded from 45 to 48 bytes") << 15 << 1000 << false;
    QTest::newRow("32x32 4 bit, table still black") << 32 << 16 << false;
    QTest::newRow("32x32 8 bit, table still black") << 32 << 256 << false;
    QTest::newRow("32x32 4 bit, the 16 basic colours") << 32 << 16 << true;
    QTest::newRow("16x16 8 bit, the 16 basic colours then black") << 16 << 256 << true;
}

void tst_IconRender::fillsImage()
{
    QFETCH(int, size);
    QFETCH(int, colourCount);
    QFETCH(bool, basicPalette);
    QTemporaryDir dir;
    IconFile icon;
    QVERIFY(loadWithFiller(icon, dir, size, colourCount, char(0xAA)));
    const int bits = bitsFor(colourCount);
    if (basicPalette)
        QVERIFY_THROWS_NO_EXCEPTION(icon.setColourTable(1, basicTable(bits)));
    const QByteArray before = icon.imageBlock(1);

    Surface picture = makePicture(size + 10, size + 10);
    icon.setImageFromSurface(picture, 1, 0, 0, -1); // -1: the top-left colour, magenta
    const QByteArray after = icon.imageBlock(1);
    const auto [xorBits, maskBits] = expectedBits(picture, size, bits, tableOf(icon, bits));
    const int xorOffset = xorOffsetFor(colourCount);
    // Header and colour table untouched; every byte of both ranges written, padding included.
    QCOMPARE(after.left(xorOffset), before.left(xorOffset));
    QCOMPARE(after.mid(xorOffset), xorBits + maskBits);
    if (!basicPalette && bits != 1 && bits != 24)
        QCOMPARE(xorBits, QByteArray(xorBits.size(), '\0')); // all black
}

void tst_IconRender::refused()
{
    // Index 0; 24 bit, last mask byte missing; 8 bit, cut inside the colour table.
    for (const auto& [index, colourCount, trim] : { std::tuple { 0, 2, 0 }, { 1, 1000, 1 }, { 1, 256, 2000 } }) {
        QTemporaryDir dir;
        IconFile icon;
        QVERIFY(loadWithFiller(icon, dir, 32, colourCount, char(0x33), trim));
        const QByteArray before = icon.imageBlock(1);
        Surface picture = makePicture(40, 40);
        QCOMPARE(errorOf([&] { icon.setImageFromSurface(picture, index); }), err::SubscriptOutOfRange);
        QCOMPARE(icon.imageBlock(1), before);
    }
}

QTEST_MAIN(tst_IconRender)
#include "tst_iconrender.moc"
