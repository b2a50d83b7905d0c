#include "icon/cls_IconFile.h"
#include "platform/Error.h"
#include "platform/Surface.h"

#include "IconTestSupport.h"

#include <QTest>

using namespace brevane;

namespace {

constexpr Colour Magenta = RGB(255, 0, 255);

// A picture with magenta scattered over it (magenta at the top-left) and many other colours.
Colour patternAt(int x, int y)
{
    if ((x * 3 + y * 5) % 7 == 0)
        return Magenta;
    return RGB((x * 37) % 256, (y * 59) % 256, ((x + y) * 23) % 250);
}

Surface makePicture(int w, int h)
{
    Surface s = Surface::colour(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            s.SetPixel(x, y, patternAt(x, y));
    return s;
}

int bitsFor(int colourCount)
{
    return colourCount == 2 ? 1 : colourCount == 16 ? 4 : colourCount == 256 ? 8 : 24;
}

// Brute force nearest colour: smallest squared RGB distance, the first of equals.
int nearest(const std::vector<QRgb>& table, Colour c)
{
    int best = 0;
    int bestD = INT_MAX;
    for (int i = 0; i < int(table.size()); ++i) {
        const int dr = qRed(table[i]) - redOf(c), dg = qGreen(table[i]) - greenOf(c), db = qBlue(table[i]) - blueOf(c);
        if (dr * dr + dg * dg + db * db < bestD) {
            bestD = dr * dr + dg * dg + db * db;
            best = i;
        }
    }
    return best;
}

// The colour and mask bytes an image of this format must hold for 'picture' at (x, y).
std::pair<QByteArray, QByteArray> expectedBits(const Surface& picture, int x, int y, int size, int bits,
    const std::vector<QRgb>& table, Colour transparent, const std::function<bool(int, int)>& isTransparent)
{
    const int xorRow = (size * bits + 31) / 32 * 4;
    const int maskRow = (size + 31) / 32 * 4;
    QByteArray xorBits(size * xorRow, '\0'), maskBits(size * maskRow, '\0');
    for (int r = 0; r < size; ++r) {
        const int stored = size - 1 - r; // bottom-up
        for (int c = 0; c < size; ++c) {
            const Colour p = picture.GetPixel(x + c, y + r);
            const bool clear = isTransparent ? isTransparent(c, r) : p == transparent;
            const Colour v = clear ? RGB(0, 0, 0) : p;
            if (clear)
                maskBits[stored * maskRow + c / 8] = char(maskBits[stored * maskRow + c / 8] | (0x80 >> (c % 8)));
            char* row = xorBits.data() + stored * xorRow;
            if (bits == 24) {
                row[3 * c] = char(blueOf(v));
                row[3 * c + 1] = char(greenOf(v));
                row[3 * c + 2] = char(redOf(v));
                continue;
            }
            const int index = nearest(table, v);
            const int bitPos = c * bits;
            row[bitPos / 8] = char(row[bitPos / 8] | (index << (8 - bits - bitPos % 8)));
        }
    }
    return { xorBits, maskBits };
}

std::vector<QRgb> tableOf(const cls_IconFile& icon, int bits)
{
    if (bits > 8)
        return {};
    std::vector<quint8> raw(std::size_t(4) << bits);
    icon.GetPalette(1, raw);
    std::vector<QRgb> t;
    for (std::size_t i = 0; i < raw.size(); i += 4)
        t.push_back(qRgb(raw[i + 2], raw[i + 1], raw[i]));
    return t;
}

} // namespace

class tst_IconBitmap : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fillsImage_data();
    void fillsImage();
    void maskContext();
    void flagIsNotConsulted();
    void badIndex_data();
    void badIndex();
    void shortBlock_data();
    void shortBlock();
};

void tst_IconBitmap::fillsImage_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("colourCount");
    QTest::addColumn<bool>("basicPalette");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<Colour>("transparent");

    QTest::newRow("16x16 1 bit, magenta top-left, -1") << 16 << 2 << false << 0 << 0 << Colour(-1);
    QTest::newRow("32x32 1 bit, explicit colour not at the top-left")
        << 32 << 2 << false << 0 << 0 << patternAt(10, 11);
    QTest::newRow("32x32 24 bit, magenta top-left, -1") << 32 << 1000 << false << 0 << 0 << Colour(-1);
    QTest::newRow("15x15 24 bit, rows padded from 45 to 48 bytes") << 15 << 1000 << false << 0 << 0 << Colour(-1);
    QTest::newRow("48x48 24 bit from (3, 5), -1 is the colour there") << 48 << 1000 << false << 3 << 5 << Colour(-1);
    QTest::newRow("16x16 24 bit, transparent colour absent") << 16 << 1000 << false << 0 << 0 << RGB(1, 2, 3);
    QTest::newRow("32x32 4 bit, table still black") << 32 << 16 << false << 0 << 0 << Colour(-1);
    QTest::newRow("32x32 8 bit, table still black") << 32 << 256 << false << 0 << 0 << Colour(-1);
    QTest::newRow("32x32 4 bit, the 16 basic colours") << 32 << 16 << true << 0 << 0 << Colour(-1);
    QTest::newRow("16x16 8 bit, the 16 basic colours then black") << 16 << 256 << true << 0 << 0 << Colour(-1);
    QTest::newRow("48x48 4 bit from (1, 0), basic colours") << 48 << 16 << true << 1 << 0 << Colour(-1);
}

void tst_IconBitmap::fillsImage()
{
    QFETCH(int, size);
    QFETCH(int, colourCount);
    QFETCH(bool, basicPalette);
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(Colour, transparent);

    QTemporaryDir dir;
    cls_IconFile icon;
    QVERIFY(test::loadWithFiller(icon, dir, size, size, colourCount, char(0xAA)));
    const int bits = bitsFor(colourCount);
    if (basicPalette) {
        const std::vector<quint8> t = test::basicTable(bits);
        icon.SetPalette(1, t);
    }
    const QByteArray before = icon.imageBlock(1);

    Surface picture = makePicture(size + 10, size + 10);
    icon.SetIconFromBitmap(picture, 1, x, y, true, transparent);
    const QByteArray after = icon.imageBlock(1);

    const Colour effective = transparent == -1 ? patternAt(x, y) : transparent;
    const auto [xorBits, maskBits] = expectedBits(picture, x, y, size, bits, tableOf(icon, bits), effective, {});
    const int xorOffset = test::xorOffsetFor(colourCount);
    QCOMPARE(after.size(), before.size());
    // Header (biHeight twice the height again) and colour table untouched.
    QCOMPARE(after.left(xorOffset), before.left(xorOffset));
    QCOMPARE(qFromLittleEndian<qint32>(after.constData() + 8), 2 * size);
    // Every byte of both ranges written, padding included (it held 0xAA).
    QCOMPARE(after.mid(xorOffset, xorBits.size()), xorBits);
    QCOMPARE(after.mid(xorOffset + xorBits.size(), maskBits.size()), maskBits);
    QCOMPARE(xorOffset + xorBits.size() + maskBits.size(), after.size());
    if (!basicPalette && (colourCount == 16 || colourCount == 256))
        QCOMPARE(xorBits, QByteArray(xorBits.size(), '\0')); // all black
    QCOMPARE(picture.backgroundColour(), effective);
}

void tst_IconBitmap::maskContext()
{
    QTemporaryDir dir;
    cls_IconFile icon;
    QVERIFY(test::loadWithFiller(icon, dir, 16, 16, 1000, char(0x55)));
    Surface picture = makePicture(20, 20);
    picture.SetBkColor(RGB(7, 7, 7));
    // Opaque where the mask context shows its background colour (grey here), else transparent.
    Surface maskDc = Surface::colour(20, 20, RGB(128, 128, 128));
    maskDc.SetBkColor(RGB(128, 128, 128));
    for (int i = 0; i < 20; ++i)
        maskDc.SetPixel(i, i, RGB(255, 255, 255));
    icon.SetIconFromBitmap(picture, 1, 2, 1, false, Magenta, &maskDc);

    // Pixel (c, r) of the image is (c + 2, r + 1) of the mask context: transparent where c + 2 == r + 1.
    const auto [xorBits, maskBits]
        = expectedBits(picture, 2, 1, 16, 24, {}, Magenta, [](int c, int r) { return c + 2 == r + 1; });
    const QByteArray after = icon.imageBlock(1);
    QCOMPARE(after.mid(40, xorBits.size()), xorBits);
    QCOMPARE(after.mid(40 + xorBits.size()), maskBits);
    // The source's background colour is left alone when a mask context is given.
    QCOMPARE(picture.backgroundColour(), RGB(7, 7, 7));
}

void tst_IconBitmap::flagIsNotConsulted()
{
    cls_IconFile a, b;
    a.AddImage(32, 32, 1000);
    b.AddImage(32, 32, 1000);
    Surface p1 = makePicture(32, 32), p2 = makePicture(32, 32);
    a.SetIconFromBitmap(p1, 1, 0, 0, false);
    b.SetIconFromBitmap(p2, 1, 0, 0, true);
    QCOMPARE(a.imageBlock(1), b.imageBlock(1));
    // Something transparent was found: the flag did not switch the mask off.
    QVERIFY(a.imageBlock(1).mid(40 + 32 * 96).count(char(0)) < 32 * 4);
}

void tst_IconBitmap::badIndex_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("0") << 0;
    QTest::newRow("past the last") << 2;
    QTest::newRow("negative") << -1;
}

void tst_IconBitmap::badIndex()
{
    QFETCH(int, index);
    cls_IconFile icon;
    icon.AddImage(16, 16, 2);
    const QByteArray before = icon.imageBlock(1);
    Surface picture = makePicture(16, 16);
    picture.SetBkColor(RGB(1, 1, 1));
    try {
        icon.SetIconFromBitmap(picture, index);
        QFAIL("no error raised");
    } catch (const Error& e) {
        QCOMPARE(e.number(), err::SubscriptOutOfRange);
    }
    QCOMPARE(icon.imageBlock(1), before);
    QCOMPARE(picture.backgroundColour(), RGB(1, 1, 1));
}

void tst_IconBitmap::shortBlock_data()
{
    QTest::addColumn<int>("colourCount");
    QTest::addColumn<int>("trim");
    QTest::newRow("24 bit, last mask byte missing") << 1000 << 1;
    QTest::newRow("1 bit, whole mask missing") << 2 << 64;
    QTest::newRow("8 bit, inside the colour table") << 256 << 2000;
    QTest::newRow("4 bit, inside the header") << 16 << 744 - 30;
}

void tst_IconBitmap::shortBlock()
{
    QFETCH(int, colourCount);
    QFETCH(int, trim);
    QTemporaryDir dir;
    cls_IconFile icon;
    const int size = colourCount == 16 ? 32 : 32;
    QVERIFY(test::loadWithFiller(icon, dir, size, size, colourCount, char(0x33), trim));
    const QByteArray before = icon.imageBlock(1);
    Surface picture = makePicture(40, 40);
    try {
        icon.SetIconFromBitmap(picture, 1);
        QFAIL("no error raised");
    } catch (const Error& e) {
        QCOMPARE(e.number(), err::SubscriptOutOfRange);
    }
    QCOMPARE(icon.imageBlock(1), before);
}

QTEST_GUILESS_MAIN(tst_IconBitmap)
#include "tst_iconbitmap.moc"
