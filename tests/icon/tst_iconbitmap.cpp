#include "icon/cls_IconFile.h"
#include "platform/Error.h"
#include "platform/Surface.h"

#include "../support/IconTestSupport.h"

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

// The colour and mask bytes an image must hold for 'picture' from (x, y): bottom-up rows,
// B,G,R or the nearest table index, transparent pixels black with their mask bit set.
std::pair<QByteArray, QByteArray> expectedBits(const Surface& picture, int x, int y, int size, int bits,
    const std::vector<quint8>& table, const std::function<bool(int, int)>& isTransparent)
{
    const int xorRow = (size * bits + 31) / 32 * 4;
    const int maskRow = (size + 31) / 32 * 4;
    QByteArray xorBits(size * xorRow, '\0'), maskBits(size * maskRow, '\0');
    for (int r = 0; r < size; ++r) {
        const int stored = size - 1 - r;
        char* row = xorBits.data() + stored * xorRow;
        for (int c = 0; c < size; ++c) {
            const bool clear = isTransparent(c, r);
            const Colour v = clear ? RGB(0, 0, 0) : picture.GetPixel(x + c, y + r);
            if (clear)
                maskBits[stored * maskRow + c / 8] = char(maskBits[stored * maskRow + c / 8] | (0x80 >> (c % 8)));
            if (bits == 24) {
                row[3 * c] = char(blueOf(v));
                row[3 * c + 1] = char(greenOf(v));
                row[3 * c + 2] = char(redOf(v));
            } else {
                const int bitPos = c * bits;
                row[bitPos / 8] = char(row[bitPos / 8] | (nearest(table, v) << (8 - bits - bitPos % 8)));
            }
        }
    }
    return { xorBits, maskBits };
}

std::vector<quint8> tableOf(const cls_IconFile& icon, int bits)
{
    std::vector<quint8> raw(bits <= 8 ? std::size_t(4) << bits : 0);
    icon.GetPalette(1, raw);
    return raw;
}

} // namespace

class tst_IconBitmap : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fillsImage_data();
    void fillsImage();
    void maskContext();
    void refused_data();
    void refused();
};

void tst_IconBitmap::fillsImage_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("colourCount");
    QTest::addColumn<bool>("basicPalette");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<Colour>("transparent");
    QTest::addColumn<bool>("maskFlag");

    QTest::newRow("16x16 1 bit, magenta top-left, -1") << 16 << 2 << false << 0 << 0 << Colour(-1) << true;
    QTest::newRow("32x32 1 bit, explicit colour not at the top-left")
        << 32 << 2 << false << 0 << 0 << patternAt(10, 11) << true;
    QTest::newRow("32x32 24 bit, magenta top-left, -1") << 32 << 1000 << false << 0 << 0 << Colour(-1) << true;
    QTest::newRow("32x32 24 bit, mask flag off does not switch the mask off")
        << 32 << 1000 << false << 0 << 0 << Colour(-1) << false;
    QTest::newRow("15x15 24 bit, rows padded from 45 to 48 bytes")
        << 15 << 1000 << false << 0 << 0 << Colour(-1) << true;
    QTest::newRow("48x48 24 bit from (3, 5), -1 is the colour there")
        << 48 << 1000 << false << 3 << 5 << Colour(-1) << true;
    QTest::newRow("16x16 24 bit, transparent colour absent") << 16 << 1000 << false << 0 << 0 << RGB(1, 2, 3) << true;
    QTest::newRow("32x32 4 bit, table still black") << 32 << 16 << false << 0 << 0 << Colour(-1) << true;
    QTest::newRow("32x32 8 bit, table still black") << 32 << 256 << false << 0 << 0 << Colour(-1) << true;
    QTest::newRow("32x32 4 bit, the 16 basic colours") << 32 << 16 << true << 0 << 0 << Colour(-1) << true;
    QTest::newRow("16x16 8 bit, the 16 basic colours then black") << 16 << 256 << true << 0 << 0 << Colour(-1) << true;
    QTest::newRow("48x48 4 bit from (1, 0), basic colours") << 48 << 16 << true << 1 << 0 << Colour(-1) << true;
}

void tst_IconBitmap::fillsImage()
{
    QFETCH(int, size);
    QFETCH(int, colourCount);
    QFETCH(bool, basicPalette);
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(Colour, transparent);
    QFETCH(bool, maskFlag);

    QTemporaryDir dir;
    cls_IconFile icon;
    QVERIFY(loadWithFiller(icon, dir, size, colourCount, char(0xAA)));
    const int bits = bitsFor(colourCount);
    if (basicPalette)
        icon.SetPalette(1, basicTable(bits));
    const QByteArray before = icon.imageBlock(1);

    Surface picture = makePicture(size + 10, size + 10);
    icon.SetIconFromBitmap(picture, 1, x, y, maskFlag, transparent);
    const QByteArray after = icon.imageBlock(1);

    const Colour effective = transparent == -1 ? patternAt(x, y) : transparent;
    const auto [xorBits, maskBits] = expectedBits(picture, x, y, size, bits, tableOf(icon, bits),
        [&](int c, int r) { return picture.GetPixel(x + c, y + r) == effective; });
    const int xorOffset = xorOffsetFor(colourCount);
    // Header and colour table untouched; every byte of both ranges written, padding included.
    QCOMPARE(after.left(xorOffset), before.left(xorOffset));
    QCOMPARE(after.mid(xorOffset), xorBits + maskBits);
    if (!basicPalette && bits != 1 && bits != 24)
        QCOMPARE(xorBits, QByteArray(xorBits.size(), '\0')); // all black
    QVERIFY(maskBits.count('\0') < maskBits.size() || transparent == RGB(1, 2, 3));
    QCOMPARE(picture.backgroundColour(), effective);
}

void tst_IconBitmap::maskContext()
{
    QTemporaryDir dir;
    cls_IconFile icon;
    QVERIFY(loadWithFiller(icon, dir, 16, 1000, char(0x55)));
    Surface picture = makePicture(20, 20);
    picture.SetBkColor(RGB(7, 7, 7));
    // Opaque where the mask context shows its background colour (grey here), else transparent.
    Surface maskDc = Surface::colour(20, 20, RGB(128, 128, 128));
    maskDc.SetBkColor(RGB(128, 128, 128));
    for (int i = 0; i < 20; ++i)
        maskDc.SetPixel(i, i, RGB(255, 255, 255));
    icon.SetIconFromBitmap(picture, 1, 2, 1, false, Magenta, &maskDc);

    // Pixel (c, r) of the image is (c + 2, r + 1) of the mask context.
    const auto [xorBits, maskBits]
        = expectedBits(picture, 2, 1, 16, 24, {}, [](int c, int r) { return c + 2 == r + 1; });
    QCOMPARE(icon.imageBlock(1).mid(40), xorBits + maskBits);
    // The source's background colour is left alone when a mask context is given.
    QCOMPARE(picture.backgroundColour(), RGB(7, 7, 7));
}

void tst_IconBitmap::refused_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("colourCount");
    QTest::addColumn<int>("trim");
    QTest::newRow("index 0") << 0 << 2 << 0;
    QTest::newRow("index past the last") << 2 << 2 << 0;
    QTest::newRow("negative index") << -1 << 2 << 0;
    QTest::newRow("24 bit, last mask byte missing") << 1 << 1000 << 1;
    QTest::newRow("1 bit, whole mask missing") << 1 << 2 << 128;
    QTest::newRow("8 bit, inside the colour table") << 1 << 256 << 2000;
    QTest::newRow("4 bit, inside the header") << 1 << 16 << 744 - 30;
}

void tst_IconBitmap::refused()
{
    QFETCH(int, index);
    QFETCH(int, colourCount);
    QFETCH(int, trim);
    QTemporaryDir dir;
    cls_IconFile icon;
    QVERIFY(loadWithFiller(icon, dir, 32, colourCount, char(0x33), trim));
    const QByteArray before = icon.imageBlock(1);
    Surface picture = makePicture(40, 40);
    picture.SetBkColor(RGB(1, 1, 1));
    QCOMPARE(errorOf([&] { icon.SetIconFromBitmap(picture, index); }), err::SubscriptOutOfRange);
    QCOMPARE(icon.imageBlock(1), before);
    QCOMPARE(picture.backgroundColour(), RGB(1, 1, 1));
}

QTEST_GUILESS_MAIN(tst_IconBitmap)
#include "tst_iconbitmap.moc"
