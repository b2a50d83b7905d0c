#include "platform/DibSection.h"
#include "platform/Surface.h"

#include <QTest>

using namespace brevane;

class tst_Surface : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rasterOperations_data();
    void rasterOperations();
    void section_data();
    void section();
};

void tst_Surface::rasterOperations_data()
{
    QTest::addColumn<quint32>("rop");
    QTest::addColumn<Colour>("expected");
    // Source RGB(0xF0, 0x0F, 0xAA), destination RGB(0x3C, 0xFF, 0x55), the pattern white; the
    // first three have their own path, the others walk the truth table.
    QTest::newRow("SRCCOPY") << Rop::SRCCOPY << RGB(0xF0, 0x0F, 0xAA);
    QTest::newRow("NOTSRCCOPY") << Rop::NOTSRCCOPY << RGB(0x0F, 0xF0, 0x55);
    QTest::newRow("SRCAND") << Rop::SRCAND << RGB(0x30, 0x0F, 0x00);
    QTest::newRow("SRCINVERT") << Rop::SRCINVERT << RGB(0xCC, 0xF0, 0xFF);
    QTest::newRow("PATINVERT, no source") << quint32(0x005A0049) << RGB(0xC3, 0x00, 0xAA);
}

// Partly outside the destination and the source: only the overlap is written.
void tst_Surface::rasterOperations()
{
    QFETCH(quint32, rop);
    QFETCH(Colour, expected);
    Surface dst = Surface::colour(6, 6, RGB(0x3C, 0xFF, 0x55));
    QVERIFY(dst.bitBlt(3, 3, 10, 10, Surface::colour(4, 4, RGB(0xF0, 0x0F, 0xAA)), 1, 1, rop));
    QCOMPARE(dst.pixel(3, 3), expected);
    QCOMPARE(dst.pixel(5, 5), expected);
    QCOMPARE(dst.pixel(2, 2), RGB(0x3C, 0xFF, 0x55));
    QCOMPARE(dst.pixel(6, 0), CLR_INVALID);
    QCOMPARE(dst.bitBlt(0, 0, 2, 2, Surface(), 0, 0, rop), rop == 0x005A0049); // a source only when it takes one
    QVERIFY(Surface::colour(100000, 100000).isNull()); // refused, not allocated
}

void tst_Surface::section_data()
{
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<int>("sx");
    QTest::addColumn<int>("sy");
    for (const int bits : { 1, 4, 8, 24 })
        QTest::addRow("%d bits", bits) << bits << 0 << 0;
    QTest::newRow("24 bits past right and bottom") << 24 << 30 << 25;
    QTest::newRow("8 bits at odd offsets, past the top") << 8 << 3 << -5;
    QTest::newRow("24 bits far outside") << 24 << -2000000000 << 2000000000;
}

// A section of a 37x29 surface, read back: pixels outside the surface are 0 (black).
void tst_Surface::section()
{
    QFETCH(int, bitCount);
    QFETCH(int, sx);
    QFETCH(int, sy);
    QList<QRgb> table;
    for (int i = 0; bitCount <= 8 && i < (1 << bitCount); ++i)
        table.append(qRgb((i * 37) & 0xFF, (i * 91) & 0xFF, i & 0xFF));
    Surface s = Surface::colour(37, 29);
    for (int y = 0; y < 29; ++y)
        for (int x = 0; x < 37; ++x)
            s.setPixel(x, y, bitCount <= 8 ? fromQRgb(table[(x + 3 * y) % table.size()]) : RGB(x * 7, y * 5, x + y));
    const DibFormat f { 33, 31, bitCount, table };
    const QByteArray bits = DibSection::fromSurface(s, sx, sy, f);
    QCOMPARE(bits.size(), int(f.imageBytes()));
    Surface back = Surface::colour(33, 31, RGB(1, 1, 1));
    const auto* data = reinterpret_cast<const quint8*>(bits.constData());
    QVERIFY(!DibSection::toSurface(back, 0, 0, f, { data, std::size_t(bits.size()) - 1 })); // too short: untouched
    QCOMPARE(back.pixel(0, 0), RGB(1, 1, 1));
    QVERIFY(DibSection::toSurface(back, 0, 0, f, { data, std::size_t(bits.size()) }));
    int mismatches = 0;
    for (int y = 0; y < 31; ++y)
        for (int x = 0; x < 33; ++x)
            mismatches += back.pixel(x, y) != (s.pixel(sx + x, sy + y) == CLR_INVALID ? 0 : s.pixel(sx + x, sy + y));
    QCOMPARE(mismatches, 0);
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
    const auto index = [&](int x) {
        return (quint8(packed[x * bitCount / 8]) >> (8 - bitCount - x * bitCount % 8)) & (entries - 1);
    };
    QCOMPARE(index(0), 0);
    QCOMPARE(index(1), entries - 1);
    QCOMPARE(index(8), entries / 2);
}

QTEST_GUILESS_MAIN(tst_Surface)
#include "tst_surface.moc"
