#include "icon/IconPictureFormat.h"
#include "platform/Error.h"
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
using namespace brevane::test;

namespace {

const QString dataDir = QStringLiteral(BREVANE_TEST_DATA "/platform");
constexpr Colour Back = RGB(10, 200, 30);

// 40x40: left half red, right half transparent (green where the format has no alpha).
QByteArray halfRed(QImage::Format format, const char* type, bool progressive = false)
{
    QImage img(40, 40, QImage::Format_ARGB32);
    img.fill(format == QImage::Format_ARGB32 ? Qt::transparent : Qt::green);
    QPainter(&img).fillRect(0, 0, 20, 40, Qt::red);
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    QImageWriter w(&b, type);
    w.setQuality(95);
    w.setProgressiveScanWrite(progressive);
    if (!w.write(img.convertToFormat(format)))
        qFatal("cannot write test picture: %s", qPrintable(w.errorString()));
    return out;
}

// 'bytes' with little-endian fields set: { offset, value }.
template <typename T> QByteArray patched(QByteArray bytes, std::initializer_list<std::pair<int, T>> fields)
{
    for (const auto& [at, value] : fields)
        qToLittleEndian<T>(value, bytes.data() + at);
    return bytes;
}

bool near(Colour a, Colour b) // JPEG is lossy
{
    return std::abs(redOf(a) - redOf(b)) <= 12 && std::abs(greenOf(a) - greenOf(b)) <= 12
        && std::abs(blueOf(a) - blueOf(b)) <= 12;
}

// A placeable 40x40 WMF around 'records', its window the bounding box.
QByteArray wmfOf(const QByteArray& records)
{
    return makeWmf(WmfLayout { 96, QRect(0, 0, 40, 40), 0, {}, QSize(40, 40) }, records);
}

// META_STRETCHDIB of 'dib' over the picture: SRCCOPY, ColorUsage, source and destination.
QByteArray stretchDib(const Dib& dib)
{
    return wmfOf(wmfRecord(0x0F43, u16(0x0020, 0x00CC, 0, 4, 4, 0, 0, 40, 40, 0, 0) + dib.bytes()));
}

// An EMF of EMR_STRETCHDIBITS drawing 'dib' over 40x40 pixels, its header and pixels after
// the 80 fixed bytes; 'patch' changes a field.
QByteArray stretchDiBits(const Dib& dib, std::pair<int, quint32> patch = { 0, 81 })
{
    const QByteArray packed = dib.bytes();
    const quint32 pixels = dib.pixelBytes >= 0 ? dib.pixelBytes
                                               : (dib.width * dib.bitCount + 31) / 32 * 4 * std::abs(dib.height);
    const quint32 info = quint32(packed.size()) - pixels;
    QByteArray r = QByteArray(80, '\0') + packed;
    r.append((4 - r.size() % 4) % 4, '\0');
    return makeEmf(40, 40,
        patched<quint32>(r,
            { { 0, 81 }, { 4, quint32(r.size()) }, { 40, quint32(dib.width) }, { 44, quint32(std::abs(dib.height)) },
                { 48, 80 }, { 52, info }, { 56, 80 + info }, { 60, pixels }, { 68, 0x00CC0020 }, { 72, 40 },
                { 76, 40 }, patch }));
}

} // namespace

class tst_PictureLoader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loads_data();
    void loads();
    void refusals_data();
    void refusals();
    void placeableFrame_data();
    void placeableFrame();
    void squareOfEverySize();
    void iconFitsFromNearestImage();
};

void tst_PictureLoader::loads_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("transparent"); // the right half
    QTest::newRow("BMP named .dib") << halfRed(QImage::Format_RGB888, "bmp") << "p.dib" << QSize(40, 40) << false;
    QTest::newRow("PNG") << halfRed(QImage::Format_ARGB32, "png") << "p.png" << QSize(40, 40) << true;
    QTest::newRow("JPEG") << halfRed(QImage::Format_RGB32, "jpeg") << "p.jpg" << QSize(40, 40) << false;
    QTest::newRow("GIF") << readFile(dataDir + "/valid/halfred.gif") << "p.gif" << QSize(48, 24) << true;
}

void tst_PictureLoader::loads()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, fileName);
    QFETCH(QSize, size);
    QFETCH(bool, transparent);
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(fileName), data));
    const Picture picture = PictureLoader::load(dir.filePath(fileName));
    QCOMPARE(picture.size(), size);
    // Drawn unscaled at the top-left over a surface larger than the picture.
    Surface surface = Surface::colour(size.width() + 5, size.height() + 5, Back);
    picture.drawOn(surface);
    QVERIFY(near(surface.pixel(5, 5), RGB(255, 0, 0)));
    QCOMPARE(surface.pixel(size.width() + 2, size.height() + 2), Back);
    QCOMPARE(surface.pixel(size.width() * 3 / 4, size.height() / 2) == Back, transparent);
}

// Damaged or too large pictures are refused before a library sees them: every record that
// carries a bitmap has its header checked against the record first. 'refusal' is part of the
// error's description ("Invalid picture": all of it); empty: the picture loads. The bombs
// the hostile suite runs through the program are not repeated here.
void tst_PictureLoader::refusals_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("refusal");
    const QString loads, damaged = QStringLiteral("a bitmap in the metafile is damaged");
    const QString invalid = QStringLiteral("Invalid picture"), tooLarge = QStringLiteral("too large");
    const auto row = [](const char* name, const QByteArray& in, const QString& no) { QTest::newRow(name) << in << no; };
    row("text file", "not a picture", invalid);
    row("empty file", {}, invalid);
    const QByteArray emf = makeEmf(48, 24, QRect(0, 0, 24, 24), 0xFF);
    row("EMF with a negative frame", patched<qint32>(emf, { { 32, -5000 } }), invalid);
    row("EMF without its EOF record", emf.left(emf.size() - 20), invalid);
    row("EMF record size past the end", patched<quint32>(emf, { { 88 + 4, 0x7FFFFFF0u } }), invalid);
    // Found by fuzzing: 10 characters of description past the header.
    row("EMF description past the header", patched<quint32>(emf, { { 60, 10 }, { 64, 88 } }), invalid);
    const QByteArray wmf = makeWmf(48, 24, QRect(0, 0, 24, 24), 0xFF);
    row("WMF with 0 units per inch", patched<quint16>(wmf, { { 14, 0 } }), invalid);
    row("WMF with a negative bounding box", patched<qint16>(wmf, { { 10, -100 } }), invalid);
    // The header's largest record claims 3.9 GB: libwmf would allocate it.
    row("WMF header claiming a 3.9 GB record", patched<quint32>(wmf, { { 22 + 12, 0x746E6968u } }), invalid);
    row("WMF without its EOF record", wmf.left(wmf.size() - 6), invalid);
    row("WMF record longer than the file", patched<quint32>(wmf, { { 22 + 18, 0x10000u } }), invalid);
    row("EMF frame of 30000x30000 pixels", patched<qint32>(emf, { { 32, 793750 }, { 36, 793750 } }), tooLarge);
    row("WMF box 32000x32000 at 72/inch", patched<qint16>(wmf, { { 10, 32000 }, { 12, 32000 }, { 14, 72 } }), tooLarge);
    // Each scan is a pass over the whole picture. They are counted by walking the segments: a
    // marker inside one (here a comment) is no scan.
    const QByteArray progressive = halfRed(QImage::Format_RGB32, "jpeg", true);
    const qsizetype lastScan = progressive.lastIndexOf("\xff\xda");
    const QByteArray scan = progressive.mid(lastScan, progressive.size() - 2 - lastScan);
    const auto scans = [&](int repeats) { return progressive.left(lastScan) + scan.repeated(repeats) + "\xff\xd9"; };
    row("JPEG of 256 scans, ten SOS markers in a comment",
        scans(247).insert(2, QByteArray::fromHex("fffe0016") + QByteArray::fromHex("ffda").repeated(10)), loads);
    row("JPEG of 257 scans", scans(248), QStringLiteral("Invalid picture: more than 256 scans is too many to load"));

    row("WMF StretchDIB 4x4, 24 bits", stretchDib({}), loads);
    row("WMF StretchDIB with a core header", stretchDib({ .biSize = 12 }), loads);
    row("WMF StretchDIB RLE, 8 bits", stretchDib({ .bitCount = 8, .compression = 1, .pixelBytes = 4 }), loads);
    row("WMF DIBBitBlt without a bitmap", wmfOf(wmfRecord(0x0940, u16(0x21, 0xF0, 0, 0, 0, 40, 40, 0, 0))), loads);
    const QByteArray bitmap16 = u16(0x20, 0xCC, 0, 0, 8, 8, 0, 0, 0, 8, 8, 2, 0x0101) + QByteArray(16, '\0');
    row("WMF BitBlt with a BITMAP16 of 8x8, 1 bit", wmfOf(wmfRecord(0x0922, bitmap16)), loads);
    row("WMF 2 planes", stretchDib({ .planes = 2 }), damaged);
    row("WMF JPEG compression", stretchDib({ .compression = 4, .pixelBytes = 8 }), damaged);
    row("WMF RLE top-down", stretchDib({ .height = -4, .bitCount = 8, .compression = 1, .pixelBytes = 4 }), damaged);
    row("WMF pixels a row short", stretchDib({ .pixelBytes = 36 }), damaged);
    row("WMF more colours than 8 bits hold", stretchDib({ .bitCount = 8, .clrUsed = 257 }), damaged);
    row("WMF pattern brush cut in its header", wmfOf(wmfRecord(0x0142, u16(5, 0) + Dib {}.bytes().left(20))), damaged);
    row("WMF BITMAP16 rows too narrow", wmfOf(wmfRecord(0x0922, patched<quint16>(bitmap16, { { 18, 64 } }))), damaged);
    row("WMF of 20,001 records", wmfOf(wmfRecord(0x001E, {}).repeated(20001)), QStringLiteral("too many records"));

    row("EMF StretchDIBits 4x4, 32 bits", stretchDiBits({ .bitCount = 32 }), loads);
    row("EMF BitBlt without a source (PATCOPY)",
        makeEmf(40, 40, patched<quint32>(QByteArray(100, 0), { { 0, 76 }, { 4, 100 }, { 40, 0x00F00021 } })), loads);
    row("EMF StretchDIBits pixels past the record", stretchDiBits({}, { 56, 400 }), damaged);
    row("EMF CreateDIBPatternBrushPt shorter than its fields", makeEmf(40, 40, u32(94, 24, 0, 0, 0, 0)), damaged);
    row("EMF StretchDIBits 6000x6000", stretchDiBits({ .width = 6000, .height = 6000, .bitCount = 1, .pixelBytes = 0 }),
        QStringLiteral("a bitmap of 6000 x 6000 pixels in the metafile is too large to load"));
    row("EMF polyline of 200,001 points", makeEmf(40, 40, u32(87, 32, 0, 0, 40, 40, 200001, 0)), "too many points");
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
    const auto row = [](const char* name, const WmfLayout& layout, QLine frame, QSize size, bool quarterOnly = false) {
        // Pixel (x, y) of the picture in logical units, from the frame's top-left corner.
        const auto lx = [&](int x) { return frame.x1() + x * (frame.x2() - frame.x1()) / size.width(); };
        const auto ly = [&](int y) { return frame.y1() + y * (frame.y2() - frame.y1()) / size.height(); };
        const int w = size.width(), h = size.height();
        const WmfFill quarter { lx(0), ly(0), lx(w / 2), ly(h / 2), 0x0000FF };
        QTest::newRow(name) << (quarterOnly ? makeWmf(layout, { quarter })
                                            : makeWmf(layout,
                                                { { lx(0), ly(0), lx(w), ly(h), 0xFF0000 }, quarter,
                                                    { lx(w / 2), ly(h / 2), lx(w), ly(h), 0x00FF00 } }))
                            << size << quarterOnly;
    };
    enum { MM_TEXT = 1, MM_ANISOTROPIC = 8 };
    const QSize s40(40, 40);
    row("anisotropic window = box, quarter only", { 96, QRect(0, 0, 40, 40), MM_ANISOTROPIC, {}, s40 },
        QLine(0, 0, 40, 40), s40, true);
    row("anisotropic window twice the box", { 96, QRect(0, 0, 40, 40), MM_ANISOTROPIC, {}, QSize(80, 80) },
        QLine(0, 0, 80, 80), s40);
    row("anisotropic, both extents negative, at 192 per inch",
        { 192, QRect(120, 60, 80, 40), MM_ANISOTROPIC, { 200, 100 }, QSize(-80, -40) }, QLine(200, 100, 120, 60),
        QSize(40, 20));
    row("no mapping mode, window = box, 1440 per inch", { 1440, QRect(0, 0, 600, 300), 0, {}, QSize(600, 300) },
        QLine(0, 0, 600, 300), QSize(40, 20));
    row("MM_TEXT at 72 per inch, window at 10,10", { 72, QRect(10, 10, 30, 30), MM_TEXT, { 10, 10 }, QSize(30, 30) },
        QLine(10, 10, 40, 40), s40);
}

void tst_PictureLoader::placeableFrame()
{
    QFETCH(QByteArray, wmf);
    QFETCH(QSize, size);
    QFETCH(bool, quarterOnly);
    const int w = size.width(), h = size.height();
    const Picture picture = PictureLoader::fromData(wmf);
    QCOMPARE(picture.size(), size);
    Surface drawn = Surface::colour(w, h, Back);
    picture.drawOn(drawn);

    // libwmf's own converter maps the drawing's extent onto its picture; the drawing fills
    // its frame, so it agrees up to the half pen it adds around the extent.
    QImage peer;
    const QString wmf2svg = QStandardPaths::findExecutable(QStringLiteral("wmf2svg"));
    QTemporaryDir dir;
    if (!wmf2svg.isEmpty() && !quarterOnly) {
        QVERIFY(writeFile(dir.filePath(QStringLiteral("f.wmf")), wmf));
        QProcess::execute(wmf2svg, { QStringLiteral("-o"), dir.filePath("f.svg"), dir.filePath("f.wmf") });
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
            const QRgb c = peer.isNull() ? 0 : peer.pixel(x, y);
            QVERIFY2(peer.isNull() || near(fromQRgb(c), expected), ("wmf2svg " + where).constData());
        }
    }
    if (peer.isNull() && !quarterOnly)
        QSKIP("wmf2svg (libwmf-bin) is not installed: checked against the expected colours only");
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

// Fitted from the image that covers the size with the fewest pixels (the one of more bits
// among equals), else the largest; cropped from the one nearest 32x32, the first among equals.
void tst_PictureLoader::iconFitsFromNearestImage()
{
    registerIconPictureFormat();
    QByteArray directory = QByteArray::fromHex("000001000400"), blocks;
    for (const auto& [w, format, fill] :
        { std::tuple(16, QImage::Format_ARGB32, Qt::red), { 32, QImage::Format_RGB32, Qt::green },
            { 32, QImage::Format_ARGB32, Qt::blue }, { 48, QImage::Format_ARGB32, Qt::yellow } }) {
        QImage image(w, w, format);
        image.fill(fill);
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "png")); // 24 or 32 bits
        directory
            += patched<quint32>(QByteArray(16, 0), { { 0, w * 257 }, { 8, png.size() }, { 12, 70 + blocks.size() } });
        blocks += png;
    }
    const Picture picture = PictureLoader::fromData(directory + blocks);
    for (const auto& [side, placement, colour] :
        { std::tuple(16, Placement::Fit, Qt::red), { 20, Placement::Fit, Qt::blue }, { 40, Placement::Fit, Qt::yellow },
            { 256, Placement::Fit, Qt::yellow }, { 48, Placement::Crop, Qt::green } })
        QCOMPARE(QColor(picture.square(side, placement).pixel(side / 2 - 1, side / 2 - 1)), QColor(colour));
}

QTEST_MAIN(tst_PictureLoader)
#include "tst_pictureloader.moc"
