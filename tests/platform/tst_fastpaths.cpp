// The row-at-a-time paths of section building and the named temporary of safe writes.
#include "platform/DibSection.h"
#include "platform/SafeWrite.h"
#include "platform/Surface.h"

#include <stdexcept>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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

class tst_FastPaths : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sectionFromSurface_data();
    void sectionFromSurface();
    void safeWriteThrowLeavesNothing();
};

void tst_FastPaths::sectionFromSurface_data()
{
    QTest::addColumn<bool>("mono");
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<QList<QRgb>>("table");
    QTest::addColumn<int>("sx");
    QTest::addColumn<int>("sy");

    const QList<QRgb> blackWhite { qRgb(0, 0, 0), qRgb(255, 255, 255) };
    const QList<QRgb> whiteBlack { qRgb(255, 255, 255), qRgb(0, 0, 0) };
    QTest::newRow("colour 24-bit, inside") << false << 24 << QList<QRgb>() << 0 << 0;
    QTest::newRow("colour 24-bit, offset inside") << false << 24 << QList<QRgb>() << 3 << 2;
    QTest::newRow("colour 24-bit, past right and bottom") << false << 24 << QList<QRgb>() << 30 << 25;
    QTest::newRow("colour 24-bit, before left and top") << false << 24 << QList<QRgb>() << -5 << -7;
    QTest::newRow("colour 24-bit, far outside") << false << 24 << QList<QRgb>() << -2000000000 << 2000000000;
    QTest::newRow("mono 1-bit black-white, inside") << true << 1 << blackWhite << 0 << 0;
    QTest::newRow("mono 1-bit white-black table") << true << 1 << whiteBlack << 0 << 0;
    QTest::newRow("mono 1-bit, odd offsets") << true << 1 << blackWhite << 3 << -5;
    QTest::newRow("mono 1-bit, empty table") << true << 1 << QList<QRgb>() << 1 << 1;
    QTest::newRow("mono 1-bit, far outside") << true << 1 << blackWhite << 2000000000 << -2000000000;
}

void tst_FastPaths::sectionFromSurface()
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

void tst_FastPaths::safeWriteThrowLeavesNothing()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("icon.ico"));
    bool thrown = false;
    try {
        writeFileSafely(path, [](QIODevice& d) -> bool {
            d.write("partial");
            throw std::runtime_error("out of memory");
        });
    } catch (const std::runtime_error&) {
        thrown = true;
    }
    QVERIFY(thrown);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

QTEST_GUILESS_MAIN(tst_FastPaths)
#include "tst_fastpaths.moc"
