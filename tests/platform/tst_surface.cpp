#include "platform/DibSection.h"
#include "platform/Surface.h"

#include "platform/SafeWrite.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

using namespace brevane;

namespace {

// A colour surface whose every pixel differs from its neighbours.
Surface patterned(int w, int h)
{
    Surface s = Surface::colour(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            s.setPixel(x, y, RGB(x * 7 + 1, y * 5 + 2, (x + y) * 3 + 3));
    return s;
}

// What one pixel of a section must hold, worked out from pixel() alone: 24-bit blue,
// green, red; 1-bit the table index nearest to the pixel. Pixels outside the surface stay 0.
quint32 expectedPixel(const Surface& src, int sx, int sy, const DibFormat& f, int x, int y)
{
    const Colour c = src.pixel(sx + x, sy + y);
    if (c == CLR_INVALID)
        return 0;
    if (f.bitCount == 24)
        return quint32(blueOf(c)) | quint32(greenOf(c)) << 8 | quint32(redOf(c)) << 16;
    return quint32(DibSection::nearestIndex(f.table, toQRgb(c)) & 1);
}

quint32 sectionPixel(const QByteArray& bits, const DibFormat& f, int x, int y)
{
    const auto* row = reinterpret_cast<const quint8*>(bits.constData()) + (f.height - 1 - y) * f.rowBytes();
    if (f.bitCount == 24)
        return quint32(row[3 * x]) | quint32(row[3 * x + 1]) << 8 | quint32(row[3 * x + 2]) << 16;
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

} // namespace

class tst_Surface : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rasterOperations_data();
    void rasterOperations();
    void colourToMono();
    void monoToColour();
    void clipping();
    void sectionRoundTrip_data();
    void sectionRoundTrip();
    void sectionFromSurface_data();
    void sectionFromSurface();
    void safeWriteThrowLeavesNothing();
};

void tst_Surface::rasterOperations_data()
{
    QTest::addColumn<quint32>("rop");
    QTest::addColumn<Colour>("expected");
    // Source RGB(0xF0, 0x0F, 0xAA), destination RGB(0x3C, 0xFF, 0x55).
    QTest::newRow("SRCCOPY takes the source") << Rop::SRCCOPY << RGB(0xF0, 0x0F, 0xAA);
    QTest::newRow("NOTSRCCOPY inverts the source") << Rop::NOTSRCCOPY << RGB(0x0F, 0xF0, 0x55);
    QTest::newRow("SRCAND ands") << Rop::SRCAND << RGB(0x30, 0x0F, 0x00);
    QTest::newRow("SRCPAINT ors") << Rop::SRCPAINT << RGB(0xFC, 0xFF, 0xFF);
    QTest::newRow("SRCINVERT xors") << Rop::SRCINVERT << RGB(0xCC, 0xF0, 0xFF);
    QTest::newRow("DSTINVERT") << Rop::DSTINVERT << RGB(0xC3, 0x00, 0xAA);
    // 0x00BB0226: MERGEPAINT, not source or destination.
    QTest::newRow("MERGEPAINT any ternary code") << quint32(0x00BB0226) << RGB(0x3F, 0xFF, 0x55);
}

void tst_Surface::rasterOperations()
{
    QFETCH(quint32, rop);
    QFETCH(Colour, expected);
    Surface src = Surface::colour(4, 4, RGB(0xF0, 0x0F, 0xAA));
    Surface dst = Surface::colour(6, 6, RGB(0x3C, 0xFF, 0x55));
    QVERIFY(dst.bitBlt(1, 1, 4, 4, src, 0, 0, rop));
    QCOMPARE(dst.pixel(1, 1), expected);
    QCOMPARE(dst.pixel(4, 4), expected);
    QCOMPARE(dst.pixel(0, 0), RGB(0x3C, 0xFF, 0x55));
}

// Pixels of the source's background colour become white (inverted: black); one step away does not.
void tst_Surface::colourToMono()
{
    for (const bool inverted : { false, true }) {
        Surface src = Surface::colour(2, 1, RGB(255, 0, 255));
        src.setPixel(1, 0, RGB(254, 0, 255));
        src.setBackgroundColour(RGB(255, 0, 255));
        Surface mono = Surface::mono(2, 1);
        QVERIFY(mono.bitBlt(0, 0, 2, 1, src, 0, 0, inverted ? Rop::NOTSRCCOPY : Rop::SRCCOPY));
        QCOMPARE(mono.pixel(0, 0), inverted ? RGB(0, 0, 0) : RGB(255, 255, 255));
        QCOMPARE(mono.pixel(1, 0), inverted ? RGB(255, 255, 255) : RGB(0, 0, 0));
    }
}

void tst_Surface::monoToColour()
{
    const Colour text = RGB(255, 0, 0), back = RGB(0, 0, 255);
    Surface mono = Surface::mono(2, 1);
    mono.setPixel(1, 0, RGB(255, 255, 255));
    // The source's own colours play no part.
    mono.setTextColour(RGB(1, 2, 3));
    mono.setBackgroundColour(RGB(4, 5, 6));
    Surface dst = Surface::colour(2, 1, RGB(9, 9, 9));
    dst.setTextColour(text);
    dst.setBackgroundColour(back);
    QVERIFY(dst.bitBlt(0, 0, 2, 1, mono, 0, 0));
    QCOMPARE(dst.pixel(0, 0), text);
    QCOMPARE(dst.pixel(1, 0), back);
}

void tst_Surface::clipping()
{
    Surface src = Surface::colour(4, 4, RGB(10, 20, 30));
    Surface dst = Surface::colour(4, 4, RGB(0, 0, 0));
    // Partly outside the destination and the source: only the overlap is written.
    QVERIFY(dst.bitBlt(2, 2, 10, 10, src, 1, 1));
    QCOMPARE(dst.pixel(1, 1), RGB(0, 0, 0));
    QCOMPARE(dst.pixel(2, 2), RGB(10, 20, 30));
    QCOMPARE(dst.pixel(3, 3), RGB(10, 20, 30));
    QCOMPARE(dst.pixel(4, 0), CLR_INVALID);
    QVERIFY(!dst.bitBlt(0, 0, 2, 2, Surface(), 0, 0));
    QVERIFY(Surface::colour(100000, 100000).isNull()); // refused, not allocated
}

void tst_Surface::sectionRoundTrip_data()
{
    QTest::addColumn<int>("bitCount");
    QTest::newRow("1 bit") << 1;
    QTest::newRow("4 bits") << 4;
    QTest::newRow("8 bits") << 8;
    QTest::newRow("24 bits") << 24;
}

void tst_Surface::sectionRoundTrip()
{
    QFETCH(int, bitCount);
    QList<QRgb> table;
    if (bitCount <= 8)
        for (int i = 0; i < (1 << bitCount); ++i)
            table.append(qRgb((i * 37) & 0xFF, (i * 91) & 0xFF, i & 0xFF));
    Surface s = Surface::colour(7, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            s.setPixel(x, y, bitCount <= 8 ? fromQRgb(table[(x + 3 * y) % table.size()]) : RGB(x * 30, y * 40, x + y));
    const DibFormat f { 7, 5, bitCount, table };
    const QByteArray bits = DibSection::fromSurface(s, 0, 0, f);
    QCOMPARE(bits.size(), int(f.imageBytes()));
    Surface back = Surface::colour(7, 5, RGB(1, 1, 1));
    const auto* data = reinterpret_cast<const quint8*>(bits.constData());
    QVERIFY(!DibSection::toSurface(back, 0, 0, f, { data, std::size_t(bits.size()) - 1 })); // too short: untouched
    QCOMPARE(back.pixel(0, 0), RGB(1, 1, 1));
    QVERIFY(DibSection::toSurface(back, 0, 0, f, { data, std::size_t(bits.size()) }));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            QCOMPARE(back.pixel(x, y), s.pixel(x, y));

    if (bitCount > 8)
        return;
    // Each pixel takes the nearest entry; black has several entries and the first (0) wins.
    const int entries = 1 << bitCount;
    QList<QRgb> bw(entries, qRgb(0, 0, 0));
    bw[entries - 1] = qRgb(255, 255, 255);
    bw[entries / 2] = qRgb(250, 0, 0); // white itself for 1 bit
    Surface row = Surface::colour(9, 1, RGB(0, 0, 0));
    row.setPixel(1, 0, RGB(240, 240, 240));
    row.setPixel(8, 0, RGB(200, 10, 10));
    const QByteArray packed = DibSection::fromSurface(row, 0, 0, DibFormat { 9, 1, bitCount, bw });
    auto index = [&](int x) {
        const int bitPos = x * bitCount;
        return (quint8(packed[bitPos / 8]) >> (8 - bitCount - bitPos % 8)) & (entries - 1);
    };
    QCOMPARE(index(0), 0);
    QCOMPARE(index(1), entries - 1);
    QCOMPARE(index(8), entries / 2);
}

void tst_Surface::sectionFromSurface_data()
{
    QTest::addColumn<bool>("mono");
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<QList<QRgb>>("table");
    QTest::addColumn<int>("sx");
    QTest::addColumn<int>("sy");

    const QList<QRgb> blackWhite { qRgb(0, 0, 0), qRgb(255, 255, 255) };
    QTest::newRow("colour 24-bit, inside") << false << 24 << QList<QRgb>() << 0 << 0;
    QTest::newRow("colour 24-bit, past right and bottom") << false << 24 << QList<QRgb>() << 30 << 25;
    QTest::newRow("colour 24-bit, far outside") << false << 24 << QList<QRgb>() << -2000000000 << 2000000000;
    QTest::newRow("mono 1-bit, odd offsets") << true << 1 << blackWhite << 3 << -5;
    QTest::newRow("mono 1-bit, empty table") << true << 1 << QList<QRgb>() << 1 << 1;
    QTest::newRow("mono 1-bit, far outside") << true << 1 << blackWhite << 2000000000 << -2000000000;
}

void tst_Surface::sectionFromSurface()
{
    QFETCH(bool, mono);
    QFETCH(int, bitCount);
    QFETCH(QList<QRgb>, table);
    QFETCH(int, sx);
    QFETCH(int, sy);

    const Surface colour = patterned(37, 29);
    Surface src = colour;
    if (mono) {
        // Pixels equal to the background become white, the rest black: a striped mask.
        src = Surface::mono(37, 29);
        Surface c = colour;
        c.setBackgroundColour(colour.pixel(5, 0));
        for (int y = 0; y < 29; ++y)
            c.setPixel(5 + (y % 3), y, colour.pixel(5, 0));
        QVERIFY(src.bitBlt(0, 0, 37, 29, c, 0, 0, Rop::SRCCOPY));
    }
    const DibFormat format { 33, 31, quint16(bitCount), table };
    const QByteArray bits = DibSection::fromSurface(src, sx, sy, format);
    QCOMPARE(bits.size(), format.imageBytes());
    int mismatches = 0;
    for (int y = 0; y < format.height; ++y)
        for (int x = 0; x < format.width; ++x)
            if (sectionPixel(bits, format, x, y) != expectedPixel(src, sx, sy, format, x, y))
                ++mismatches;
    QCOMPARE(mismatches, 0);
}

// A writer that throws part way leaves no temporary behind.
void tst_Surface::safeWriteThrowLeavesNothing()
{
    QTemporaryDir dir;
    QVERIFY_THROWS_EXCEPTION(
        std::runtime_error, writeFileSafely(dir.filePath(QStringLiteral("icon.ico")), [](QIODevice& d) -> bool {
            d.write("partial");
            throw std::runtime_error("out of memory");
        }));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

QTEST_GUILESS_MAIN(tst_Surface)
#include "tst_surface.moc"
