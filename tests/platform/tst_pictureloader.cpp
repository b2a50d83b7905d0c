#include "platform/Error.h"
#include "platform/decode/PartialDecoder.h"
#include "platform/Limits.h"
#include "platform/PictureBox.h"
#include "platform/PictureLoader.h"
#include "platform/Surface.h"

#include "support/MetafileWriter.h"
#include "support/PlainFiles.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;

namespace {

const QString dataDir = QStringLiteral(BREVANE_TEST_DATA "/platform");
constexpr Colour Back = RGB(10, 200, 30);

// 40x20: left half red, right half transparent (green where the format has no alpha).
QImage halfRed(QImage::Format format)
{
    QImage img(40, 20, QImage::Format_ARGB32);
    img.fill(format == QImage::Format_ARGB32 ? Qt::transparent : Qt::green);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            img.setPixel(x, y, qRgb(255, 0, 0));
    return img.convertToFormat(format);
}

QByteArray encode(const QImage& img, const char* format)
{
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    QImageWriter w(&b, format);
    w.setQuality(95);
    if (!w.write(img))
        qFatal("cannot write test picture: %s", qPrintable(w.errorString()));
    return out;
}

QByteArray readFile(const char* name)
{
    QFile f(dataDir + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A PNG whose header (size, RGBA, CRC in hex) claims many pixels, with a tiny IDAT behind it.
QByteArray pngBomb(const char* ihdr)
{
    return QByteArray::fromHex(QByteArray("89504e470d0a1a0a0000000d49484452") + ihdr
        + "0000000849444154789c030000000001480689d20000000049454e44ae426082");
}

// 'bytes' with little-endian fields set: { offset, value }.
template <typename T> QByteArray patched(QByteArray bytes, std::initializer_list<std::pair<int, T>> fields)
{
    for (const auto& [at, value] : fields)
        qToLittleEndian<T>(value, bytes.data() + at);
    return bytes;
}

// JPEG is lossy.
bool near(Colour a, Colour b, int tolerance = 12)
{
    return std::abs(redOf(a) - redOf(b)) <= tolerance && std::abs(greenOf(a) - greenOf(b)) <= tolerance
        && std::abs(blueOf(a) - blueOf(b)) <= tolerance;
}

// A placeable 40x40 WMF around 'records', its window the bounding box.
QByteArray wmfOf(const QByteArray& records)
{
    test::WmfLayout layout;
    layout.box = QRect(0, 0, 40, 40);
    layout.windowExt = QSize(40, 40);
    return test::makeWmf(layout, records);
}

QByteArray params(std::initializer_list<qint16> words)
{
    test::RecordWriter w;
    for (const qint16 v : words)
        w.i16(v);
    return w.bytes();
}

// META_STRETCHDIB drawing 'dib' over the picture: RasterOp SRCCOPY, ColorUsage, then
// source and destination rectangles.
QByteArray stretchDib(const QByteArray& dib)
{
    return test::wmfRecord(0x0F43, params({ 0x0020, 0x00CC, 0, 4, 4, 0, 0, 40, 40, 0, 0 }) + dib);
}

// An EMF record of 'fixedBytes' whose bitmap fields sit at 'fields' (offBmi, cbBmi, offBits,
// cbBits), with the header and pixels after the fixed part. 'patch' changes a field.
QByteArray emfBitmapRecord(
    quint32 type, int fixedBytes, int fields, const test::Dib& dib, int patchAt = -1, quint32 patch = 0)
{
    const QByteArray packed = dib.bytes();
    const qsizetype pixels = (qint64(dib.width) * dib.bitCount + 31) / 32 * 4 * std::abs(dib.height);
    const qsizetype info = dib.pixelBytes < 0 ? packed.size() - pixels : packed.size() - dib.pixelBytes;
    QByteArray r(fixedBytes, '\0');
    qToLittleEndian<quint32>(type, r.data());
    qToLittleEndian<quint32>(quint32(fixedBytes + packed.size()), r.data() + 4);
    const quint32 f[]
        = { quint32(fixedBytes), quint32(info), quint32(fixedBytes + info), quint32(packed.size() - info) };
    for (int i = 0; i < 4; ++i)
        qToLittleEndian<quint32>(f[i], r.data() + fields + 4 * i);
    r += packed;
    r.append((4 - r.size() % 4) % 4, '\0');
    qToLittleEndian<quint32>(quint32(r.size()), r.data() + 4);
    if (patchAt >= 0)
        qToLittleEndian<quint32>(patch, r.data() + patchAt);
    return r;
}

// EMR_STRETCHDIBITS drawing the 4x4 source over 40x40 pixels.
QByteArray stretchDiBits(const test::Dib& dib, int patchAt = -1, quint32 patch = 0)
{
    QByteArray r = emfBitmapRecord(81, 80, 48, dib, patchAt, patch);
    const qint32 fields[][2]
        = { { 40, dib.width }, { 44, std::abs(dib.height) }, { 68, 0x00CC0020 }, { 72, 40 }, { 76, 40 } };
    for (const auto& [at, v] : fields)
        if (at != patchAt)
            qToLittleEndian<qint32>(v, r.data() + at);
    return r;
}

} // namespace

class tst_PictureLoader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loads_data();
    void loads();
    void jpegScans_data();
    void jpegScans();
    void refusals_data();
    void refusals();
    void placeableFrame_data();
    void placeableFrame();
    void pictureBoxRedraws();
    void squareOfEverySize();
};

void tst_PictureLoader::loads_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("opaqueAt");
    QTest::addColumn<Colour>("opaqueColour");
    QTest::addColumn<QPoint>("transparentAt"); // (-1, -1): the format has no transparency

    const QPoint none(-1, -1);
    const Colour red = RGB(255, 0, 0);
    QTest::newRow("BMP 24 bits") << encode(halfRed(QImage::Format_RGB888), "bmp") << "p.bmp" << QSize(40, 20)
                                 << QPoint(5, 5) << red << none;
    QTest::newRow("BMP named .dib: the content decides")
        << encode(halfRed(QImage::Format_RGB888), "bmp") << "p.dib" << QSize(40, 20) << QPoint(5, 5) << red << none;
    QTest::newRow("PNG with alpha") << encode(halfRed(QImage::Format_ARGB32), "png") << "p.png" << QSize(40, 20)
                                    << QPoint(3, 3) << red << QPoint(30, 10);
    QTest::newRow("JPEG") << encode(halfRed(QImage::Format_RGB32), "jpeg") << "p.jpg" << QSize(40, 20) << QPoint(8, 10)
                          << red << none;
    QTest::newRow("GIF with a transparent colour")
        << readFile("/valid/halfred.gif") << "p.gif" << QSize(48, 24) << QPoint(2, 2) << red << QPoint(40, 12);
    QTest::newRow("ICO of three sizes gives the 32x32 one")
        << readFile("/valid/three-sizes.ico") << "p.ico" << QSize(32, 32) << QPoint(4, 4) << RGB(0, 0, 255)
        << QPoint(28, 4);
    QTest::newRow("CUR") << readFile("/valid/halfgreen.cur") << "p.cur" << QSize(32, 32) << QPoint(4, 30)
                         << RGB(0, 255, 0) << QPoint(20, 30);
}

void tst_PictureLoader::loads()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, fileName);
    QFETCH(QSize, size);
    QFETCH(QPoint, opaqueAt);
    QFETCH(Colour, opaqueColour);
    QFETCH(QPoint, transparentAt);

    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    QVERIFY(test::writeFile(path, data));
    const Picture picture = PictureLoader::load(path);
    QCOMPARE(picture.size(), size);

    // Drawn unscaled at the top-left over a surface larger than the picture.
    Surface surface = Surface::colour(size.width() + 5, size.height() + 5, Back);
    picture.drawOn(surface);
    const Colour got = surface.pixel(opaqueAt.x(), opaqueAt.y());
    QVERIFY2(near(got, opaqueColour), qPrintable(QString::number(got, 16)));
    QCOMPARE(surface.pixel(size.width() + 2, size.height() + 2), Back);
    if (transparentAt.x() >= 0)
        QCOMPARE(surface.pixel(transparentAt.x(), transparentAt.y()), Back);
}

// Scans are counted by walking the segments: a marker inside a segment or an embedded
// thumbnail's scan is no scan of the picture.
void tst_PictureLoader::jpegScans_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("scans");
    const QImage picture = halfRed(QImage::Format_RGB32);
    const QByteArray baseline = encode(picture, "jpeg");
    QByteArray progressive;
    {
        QBuffer b(&progressive);
        b.open(QIODevice::WriteOnly);
        QImageWriter w(&b, "jpeg");
        w.setProgressiveScanWrite(true);
        QVERIFY(w.write(picture));
    }
    QTest::newRow("baseline") << baseline << 1;
    QTest::newRow("progressive, as libjpeg writes it") << progressive << 10;
    QTest::newRow("SOS bytes inside a comment")
        << baseline.left(2) + QByteArray::fromHex("fffe0008ffdaffda0000") + baseline.mid(2) << 1;
    // The last scan over again: a decoder reads each one, over the whole picture.
    const qsizetype lastScan = progressive.lastIndexOf("\xff\xda");
    const QByteArray scan = progressive.mid(lastScan, progressive.size() - 2 - lastScan);
    QTest::newRow("progressive with its last scan 300 times")
        << progressive.left(lastScan) + scan.repeated(300) + "\xff\xd9" << 309;
}

void tst_PictureLoader::jpegScans()
{
    QFETCH(QByteArray, data);
    QFETCH(int, scans);
    // Counting stops just past the limit.
    QCOMPARE(PartialDecoder::probe(data).scans, std::min(scans, limits::MaxJpegScans + 1));
    try {
        const Picture picture = PictureLoader::fromData(data);
        QVERIFY(scans <= limits::MaxJpegScans);
        QCOMPARE(picture.size(), QSize(40, 20));
    } catch (const Error& e) {
        QVERIFY(scans > limits::MaxJpegScans);
        QCOMPARE(e.description(), QStringLiteral("Invalid picture: more than 256 scans is too many to load"));
    }
}

// Damaged or too large pictures are refused before a library sees them: every record that
// carries a bitmap has its header checked against the record first. 'refusal' is part of the
// error's description ("Invalid picture": all of it); empty: the picture loads.
void tst_PictureLoader::refusals_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("refusal");
    const QString loads, damaged = QStringLiteral("a bitmap in the metafile is damaged");
    using test::Dib;
    const QString invalid = QStringLiteral("Invalid picture"), tooLarge = QStringLiteral("too large");
    QTest::newRow("text file named .bmp") << readFile("/invalid/text.bmp") << invalid;
    QTest::newRow("empty file") << QByteArray() << invalid;
    const QByteArray emf = test::makeEmf(48, 24, QRect(0, 0, 24, 24), 0xFF);
    QTest::newRow("EMF with a negative frame") << patched<qint32>(emf, { { 32, -5000 } }) << invalid;
    QTest::newRow("EMF without its EOF record") << emf.left(emf.size() - 20) << invalid;
    QTest::newRow("EMF record size past the end") << patched<quint32>(emf, { { 88 + 4, 0x7FFFFFF0u } }) << invalid;
    // Found by fuzzing: the converter read the description at an offset past the header.
    QTest::newRow("EMF description offset at the end of the file") << QByteArray::fromHex(
        "010000005800000000000000f80000000b000000070000000000000000000000"
        "3d010000d300000020454d4600000100b4000000060000000200000000000000"
        "b400000000000000c0030000c0030000fe000000fe0000002700000018000000"
        "0145000000000000ff00000000000000250000000c0000000100000025000000"
        "0c000000080000802b0000001800000000000000000000000600000008000000"
        "0e00000014000000000000001000000014000000") << invalid;
    // 10 characters at 80: inside the header's fields.
    QTest::newRow("EMF description inside the header's fields")
        << patched<quint32>(emf, { { 60, 10 }, { 64, 80 } }) << invalid;
    const QByteArray wmf = test::makeWmf(48, 24, QRect(0, 0, 24, 24), 0xFF);
    QTest::newRow("WMF with 0 units per inch") << patched<quint16>(wmf, { { 14, 0 } }) << invalid;
    QTest::newRow("WMF with a negative bounding box") << patched<qint16>(wmf, { { 10, -100 } }) << invalid;
    // The header's largest record (words at 22 + 12) claims 3.9 GB: libwmf would allocate it.
    QTest::newRow("WMF header claiming a 3.9 GB record")
        << patched<quint32>(wmf, { { 22 + 12, 0x746E6968u } }) << invalid;
    QTest::newRow("WMF without its EOF record") << wmf.left(wmf.size() - 6) << invalid;
    QTest::newRow("WMF record longer than the file") << patched<quint32>(wmf, { { 22 + 18, 0x10000u } }) << invalid;
    // Qt's BMP reader gives up on the header already: nothing is allocated either way.
    QTest::newRow("BMP claiming 30000x30000 without pixels") << QByteArray::fromHex(
        "424d36bbeea0000000003600000028000000307500003075000001001800000000000000000000000000000000000000000000000000")
                                                             << invalid;
    QTest::newRow("PNG claiming 30000x30000") << pngBomb("000075300000753008060000006627f8ba") << tooLarge;
    QTest::newRow("PNG claiming 6000x6000, 36 megapixels") << pngBomb("00001770000017700806000000e3548743") << tooLarge;
    QTest::newRow("EMF frame of 30000x30000 pixels")
        << patched<qint32>(emf, { { 32, 30000 * 2540 / 96 }, { 36, 30000 * 2540 / 96 } }) << tooLarge;
    QTest::newRow("WMF box of 32000x32000 at 72 units per inch")
        << patched<qint16>(wmf, { { 10, 32000 }, { 12, 32000 }, { 14, 72 } }) << tooLarge;

    QTest::newRow("WMF StretchDIB 4x4, 24 bits") << wmfOf(stretchDib(Dib {}.bytes())) << loads;
    QTest::newRow("WMF StretchDIB with a core header") << wmfOf(stretchDib(Dib { .biSize = 12 }.bytes())) << loads;
    QTest::newRow("WMF StretchDIB with a version 5 header")
        << wmfOf(stretchDib(Dib { .biSize = 124 }.bytes())) << loads;
    QTest::newRow("WMF StretchDIB top-down, 8 bits")
        << wmfOf(stretchDib(Dib { .height = -4, .bitCount = 8 }.bytes())) << loads;
    QTest::newRow("WMF StretchDIB run-length coded, 8 bits")
        << wmfOf(stretchDib(Dib { .bitCount = 8, .compression = 1, .pixelBytes = 4 }.bytes())) << loads;
    QTest::newRow("WMF DIBBitBlt without a bitmap")
        << wmfOf(test::wmfRecord(0x0940, params({ 0x0021, 0x00F0, 0, 0, 0, 40, 40, 0, 0 }))) << loads;
    QTest::newRow("WMF BitBlt with a BITMAP16 of 8x8, 1 bit") << wmfOf(test::wmfRecord(
        0x0922, params({ 0x0020, 0x00CC, 0, 0, 8, 8, 0, 0, 0, 8, 8, 2 }) + QByteArray(2, 1) + QByteArray(16, '\0')))
                                                              << loads;

    QTest::newRow("WMF biSize 0 (libwmf loops forever)") << wmfOf(stretchDib(Dib { .biSize = 0 }.bytes())) << damaged;
    QTest::newRow("WMF biSize 39") << wmfOf(stretchDib(Dib { .biSize = 39 }.bytes())) << damaged;
    QTest::newRow("WMF 2 planes") << wmfOf(stretchDib(Dib { .planes = 2 }.bytes())) << damaged;
    QTest::newRow("WMF 3 bits per pixel") << wmfOf(stretchDib(Dib { .bitCount = 3 }.bytes())) << damaged;
    QTest::newRow("WMF width 0") << wmfOf(stretchDib(Dib { .width = 0 }.bytes())) << damaged;
    QTest::newRow("WMF JPEG compression")
        << wmfOf(stretchDib(Dib { .compression = 4, .pixelBytes = 8 }.bytes())) << damaged;
    QTest::newRow("WMF run-length coding at 24 bits")
        << wmfOf(stretchDib(Dib { .compression = 1, .pixelBytes = 4 }.bytes())) << damaged;
    QTest::newRow("WMF run-length coded top-down")
        << wmfOf(stretchDib(Dib { .height = -4, .bitCount = 8, .compression = 1, .pixelBytes = 4 }.bytes())) << damaged;
    QTest::newRow("WMF pixels a row short") << wmfOf(stretchDib(Dib { .pixelBytes = 36 }.bytes())) << damaged;
    QTest::newRow("WMF colour table past the record")
        << wmfOf(stretchDib(Dib { .bitCount = 8 }.bytes().left(40 + 4 * 200))) << damaged;
    QTest::newRow("WMF more colours than 8 bits hold")
        << wmfOf(stretchDib(Dib { .bitCount = 8, .clrUsed = 257 }.bytes())) << damaged;
    QTest::newRow("WMF DIBCreatePatternBrush cut inside its header")
        << wmfOf(test::wmfRecord(0x0142, params({ 5, 0 }) + Dib {}.bytes().left(20))) << damaged;
    QTest::newRow("WMF BITMAP16 rows narrower than its width") << wmfOf(test::wmfRecord(
        0x0922, params({ 0x0020, 0x00CC, 0, 0, 8, 8, 0, 0, 0, 64, 8, 2 }) + QByteArray(2, 1) + QByteArray(16, '\0')))
                                                               << damaged;

    QTest::newRow("WMF run-length coded 58737x58737 (3.45 GB in libwmf)") << wmfOf(test::wmfRecord(0x0B41,
        params({ 0x0020, 0x00CC, 40, 40, 0, 0, 40, 40, 0, 0 })
            + Dib { .width = 58737, .height = 58737, .bitCount = 8, .compression = 1, .pixelBytes = 64 }
                  .bytes())) << QStringLiteral("a bitmap of 58737 x 58737 pixels in the metafile is too large to load");
    const QByteArray brush = test::wmfRecord(0x0142,
        params({ 5, 0 })
            + Dib { .width = 5000, .height = 5000, .bitCount = 8, .compression = 1, .pixelBytes = 8 }.bytes());
    QTest::newRow("WMF three pattern brushes of 25 megapixels")
        << wmfOf(brush + brush + brush) << QStringLiteral("the metafile's bitmaps are too large to load");
    QTest::newRow("WMF of 20,001 records")
        << wmfOf(test::wmfRecord(0x001E, {}).repeated(20001)) << QStringLiteral("too many records");
    QTest::newRow("WMF polygons of 200,001 points in all")
        << wmfOf(test::wmfRecord(0x0324, params({ 1 }) + QByteArray(4, '\0')) // META_POLYGON
               + test::wmfRecord(0x0538,
                   params({ 8, 25000, 25000, 25000, 25000, 25000, 25000, 25000, 25000 }) + QByteArray(800000, '\0')))
        << QStringLiteral("too many points");

    QTest::newRow("EMF StretchDIBits 4x4, 32 bits")
        << test::makeEmf(40, 40, stretchDiBits(Dib { .bitCount = 32 })) << loads;
    QTest::newRow("EMF BitBlt without a source") << test::makeEmf(40, 40, [] {
        QByteArray r(100, '\0');
        qToLittleEndian<quint32>(76, r.data());
        qToLittleEndian<quint32>(100, r.data() + 4);
        qToLittleEndian<quint32>(0x00F00021, r.data() + 40); // PATCOPY
        return r;
    }()) << loads;
    QTest::newRow("EMF StretchDIBits pixels past the record")
        << test::makeEmf(40, 40, stretchDiBits(Dib {}, 56, 400)) << damaged;
    QTest::newRow("EMF StretchDIBits header larger than cbBmi")
        << test::makeEmf(40, 40, stretchDiBits(Dib {}, 52, 20)) << damaged;
    QTest::newRow("EMF StretchDIBits pixels a byte short")
        << test::makeEmf(40, 40, stretchDiBits(Dib {}, 60, 47)) << damaged;
    QTest::newRow("EMF CreateDIBPatternBrushPt shorter than its fields") << test::makeEmf(40, 40, [] {
        QByteArray r(24, '\0');
        qToLittleEndian<quint32>(94, r.data());
        qToLittleEndian<quint32>(24, r.data() + 4);
        return r;
    }()) << damaged;
    QTest::newRow("EMF MaskBlt whose mask has 2 planes") << test::makeEmf(40, 40, [] {
        QByteArray r = emfBitmapRecord(78, 128, 84, Dib {});
        const QByteArray mask = emfBitmapRecord(78, 128, 112, Dib { .bitCount = 1, .planes = 2 });
        // The mask's header and pixels after the source's.
        const quint32 at = quint32(r.size());
        qToLittleEndian<quint32>(at, r.data() + 112);
        qToLittleEndian<quint32>(qFromLittleEndian<quint32>(mask.constData() + 116), r.data() + 116);
        qToLittleEndian<quint32>(at + qFromLittleEndian<quint32>(mask.constData() + 116), r.data() + 120);
        qToLittleEndian<quint32>(qFromLittleEndian<quint32>(mask.constData() + 124), r.data() + 124);
        r += mask.mid(128);
        qToLittleEndian<quint32>(quint32(r.size()), r.data() + 4);
        return r;
    }()) << damaged;
    QTest::newRow("EMF StretchDIBits of 6000x6000")
        << test::makeEmf(40, 40, stretchDiBits(Dib { .width = 6000, .height = 6000, .bitCount = 1, .pixelBytes = 0 }))
        << QStringLiteral("a bitmap of 6000 x 6000 pixels in the metafile is too large to load");
    QTest::newRow("EMF StretchDIBits of 3000x3000 (the converter makes a PNG of it)")
        << test::makeEmf(40, 40, stretchDiBits(Dib { .width = 3000, .height = 3000, .bitCount = 1 }))
        << QStringLiteral("the metafile's bitmaps are too large to load");
    QTest::newRow("EMF of 20,001 records")
        << test::makeEmf(40, 40, QByteArray::fromHex("2100000008000000").repeated(20001))
        << QStringLiteral("too many records");
    // EMR_POLYLINE16 claiming 200,001 points.
    QTest::newRow("EMF polyline claiming 200,001 points") << test::makeEmf(
        40, 40, QByteArray::fromHex("570000002000000000000000000000002800000028000000410d030000000000"))
                                                          << QStringLiteral("too many points");
}

void tst_PictureLoader::refusals()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, refusal);
    try {
        const Picture picture = PictureLoader::fromData(data);
        QVERIFY2(refusal.isEmpty(), "loaded");
        QCOMPARE(picture.size(), QSize(40, 40));
    } catch (const Error& e) {
        QCOMPARE(e.number(), err::InvalidPicture);
        QVERIFY2(refusal == QLatin1String("Invalid picture") ? e.description() == refusal
                                                             : !refusal.isEmpty() && e.description().contains(refusal),
            qPrintable(e.description()));
    }
}

// A drawing that fills its frame: blue, with the top-left quarter red and the bottom-right
// quarter green as the picture shows them; or only the red quarter ("quarter only"), which
// libwmf's own converter would stretch over the whole picture.
void tst_PictureLoader::placeableFrame_data()
{
    QTest::addColumn<QByteArray>("wmf");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("quarterOnly");
    const auto row
        = [](const char* name, test::WmfLayout layout, QRect box, QLine frame, QSize size, bool quarterOnly = false) {
              layout.box = box;
              // Pixel (x, y) of the picture in logical units, from the frame's top-left corner.
              const auto lx = [&](int x) { return frame.x1() + x * (frame.x2() - frame.x1()) / size.width(); };
              const auto ly = [&](int y) { return frame.y1() + y * (frame.y2() - frame.y1()) / size.height(); };
              const int w = size.width(), h = size.height();
              const test::WmfFill quarter { lx(0), ly(0), lx(w / 2), ly(h / 2), 0x0000FF };
              QTest::newRow(name) << (quarterOnly ? test::makeWmf(layout, { quarter })
                                                  : test::makeWmf(layout,
                                                      { { lx(0), ly(0), lx(w), ly(h), 0xFF0000 }, quarter,
                                                          { lx(w / 2), ly(h / 2), lx(w), ly(h), 0x00FF00 } }))
                                  << size << quarterOnly;
          };
    row("anisotropic window 0,0-40,40, quarter only", { 96, {}, 8, { 0, 0 }, QSize(40, 40) }, QRect(0, 0, 40, 40),
        QLine(0, 0, 40, 40), QSize(40, 40), true);
    row("no mapping mode at 1440 per inch, quarter only", { 1440, {}, 0, { 0, 0 }, QSize(600, 600) },
        QRect(0, 0, 600, 600), QLine(0, 0, 600, 600), QSize(40, 40), true);
    enum { MM_TEXT = 1, MM_ANISOTROPIC = 8 };
    row("anisotropic window 0,0-40,40 at 96 per inch", { 96, {}, MM_ANISOTROPIC, { 0, 0 }, QSize(40, 40) },
        QRect(0, 0, 40, 40), QLine(0, 0, 40, 40), QSize(40, 40));
    row("anisotropic window twice the box", { 96, {}, MM_ANISOTROPIC, { 0, 0 }, QSize(80, 80) }, QRect(0, 0, 40, 40),
        QLine(0, 0, 80, 80), QSize(40, 40));
    row("anisotropic at 72 per inch, window from 100,50", { 72, {}, MM_ANISOTROPIC, { 100, 50 }, QSize(30, 30) },
        QRect(100, 50, 30, 30), QLine(100, 50, 130, 80), QSize(40, 40));
    row("anisotropic, y up (negative extent)", { 96, {}, MM_ANISOTROPIC, { 0, 40 }, QSize(40, -40) },
        QRect(0, 0, 40, 40), QLine(0, 40, 40, 0), QSize(40, 40));
    row("anisotropic, both extents negative, at 192 per inch",
        { 192, {}, MM_ANISOTROPIC, { 200, 100 }, QSize(-80, -40) }, QRect(120, 60, 80, 40), QLine(200, 100, 120, 60),
        QSize(40, 20));
    row("no mapping mode, window = box, 1440 per inch", { 1440, {}, 0, { 0, 0 }, QSize(600, 300) },
        QRect(0, 0, 600, 300), QLine(0, 0, 600, 300), QSize(40, 20));
    row("MM_TEXT at 96 per inch without a window", { 96, {}, MM_TEXT, {}, {} }, QRect(0, 0, 40, 40),
        QLine(0, 0, 40, 40), QSize(40, 40));
    row("MM_TEXT at 72 per inch, window origin 10,10", { 72, {}, MM_TEXT, { 10, 10 }, QSize(30, 30) },
        QRect(10, 10, 30, 30), QLine(10, 10, 40, 40), QSize(40, 40));
}

void tst_PictureLoader::placeableFrame()
{
    QFETCH(QByteArray, wmf);
    QFETCH(QSize, size);
    QFETCH(bool, quarterOnly);
    const int w = size.width(), h = size.height();
    const auto draw = [&](const QByteArray& data) {
        const Picture picture = PictureLoader::fromData(data);
        Surface surface = Surface::colour(w, h, Back);
        if (picture.size() == size)
            picture.drawOn(surface);
        return surface;
    };
    const Surface drawn = draw(wmf);
    QCOMPARE(PictureLoader::fromData(wmf).size(), size);
    const test::Fill quarter { QRect(0, 0, w / 2, h / 2), 0x0000FF };
    const Surface emf = draw(quarterOnly
            ? test::makeEmf(w, h, { quarter })
            : test::makeEmf(w, h,
                { { QRect(0, 0, w, h), 0xFF0000 }, quarter, { QRect(w / 2, h / 2, w - w / 2, h - h / 2), 0x00FF00 } }));

    // libwmf's own converter maps the drawing's extent onto its picture; the drawing fills
    // its frame, so it agrees up to the half pen it adds around the extent.
    QImage peer;
    const QString wmf2svg = QStandardPaths::findExecutable(QStringLiteral("wmf2svg"));
    QTemporaryDir dir;
    if (!wmf2svg.isEmpty() && !quarterOnly) {
        QVERIFY(test::writeFile(dir.filePath(QStringLiteral("f.wmf")), wmf));
        QProcess::execute(
            wmf2svg, { QStringLiteral("-o"), dir.filePath(QStringLiteral("f.svg")), dir.filePath("f.wmf") });
        QSvgRenderer renderer(dir.filePath(QStringLiteral("f.svg")));
        QVERIFY(renderer.isValid());
        peer = QImage(size, QImage::Format_RGB32);
        peer.fill(Qt::black);
        QPainter p(&peer);
        renderer.render(&p, QRectF(0, 0, w, h));
    }

    // The middles of an 8 x 8 grid: a drawing twice too large or shifted by a few pixels
    // shows in some of them.
    for (int gy = 0; gy < 8; ++gy) {
        for (int gx = 0; gx < 8; ++gx) {
            const int x = (2 * gx + 1) * w / 16, y = (2 * gy + 1) * h / 16;
            const Colour expected = (gx < 4 && gy < 4) ? RGB(255, 0, 0)
                : quarterOnly                          ? Back
                : (gx >= 4 && gy >= 4)                 ? RGB(0, 255, 0)
                                                       : RGB(0, 0, 255);
            const QByteArray where = QByteArray::number(x) + "," + QByteArray::number(y);
            QVERIFY2(near(drawn.pixel(x, y), expected), where.constData());
            QVERIFY2(near(emf.pixel(x, y), expected), ("EMF " + where).constData());
            if (!peer.isNull()) {
                const QRgb c = peer.pixel(x, y);
                QVERIFY2(near(RGB(qRed(c), qGreen(c), qBlue(c)), expected), ("wmf2svg " + where).constData());
            }
        }
    }
    if (peer.isNull() && !quarterOnly)
        QSKIP("wmf2svg (libwmf-bin) is not installed: checked against the EMF only");
}

void tst_PictureLoader::pictureBoxRedraws()
{
    PictureBox box(50, 30, Back);
    int changes = 0;
    QObject::connect(&box, &PictureBox::changed, [&] { ++changes; });
    // A caller may change the surface's background colour (as icon making does); the
    // box still fills with its own colour on the next redraw.
    box.surface().setBackgroundColour(RGB(255, 0, 255));
    box.setPicture(PictureLoader::fromData(encode(halfRed(QImage::Format_ARGB32), "png")));
    QCOMPARE(changes, 1);
    QCOMPARE(box.pixel(0, 0), RGB(255, 0, 0));
    QCOMPARE(box.pixel(25, 5), Back);

    box.setBackColour(RGB(1, 2, 3));
    QCOMPARE(box.pixel(25, 5), RGB(1, 2, 3));
    QCOMPARE(box.pixel(0, 0), RGB(255, 0, 0));

    box.resize(10, 60);
    QCOMPARE(box.pixel(5, 55), RGB(1, 2, 3));
    box.clearPicture();
    QCOMPARE(changes, 4);
    QVERIFY(box.picture().isNull());
    QCOMPARE(box.pixel(5, 5), RGB(1, 2, 3));
}

// Found by fuzzing: an EMF its converter draws at its own size only still fills every square.
void tst_PictureLoader::squareOfEverySize()
{
    const Picture picture = PictureLoader::fromData(QByteArray::fromBase64(
        "AQAAAFgAAAAAAAAAANvRCAAQYQAAAAAAAAAAAAAAAAA9AQAA0wAAACBFTUYAAAEAtAAAAAYAAAACAAAAAAAAAAAAAAAAAAAAwAMAAMADAAD+"
        "AAAA/gAAACcAAAAYAAAAAQAAAAAAAAD/AAAAAAAAACUAAAAMAAAAAQAAACUAAAAMAAAACAAAgCsAAAAYAAAAAAAAAAAAAAAGAAAACAAAAA4A"
        "AAAUAAAAAAAAABAAAAAUAAAA"));
    for (const int side : { 16, 300 })
        QCOMPARE(picture.square(side, Placement::Fit).size(), QSize(side, side));
}

QTEST_MAIN(tst_PictureLoader)
#include "tst_pictureloader.moc"
