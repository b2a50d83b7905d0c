#include "platform/Error.h"
#include "platform/PictureBox.h"
#include "platform/PictureLoader.h"
#include "platform/Surface.h"

#include "support/MetafileWriter.h"
#include "support/PlainFiles.h"

#include <QBuffer>
#include <QImageWriter>
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

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing test file %s", qPrintable(path));
    return f.readAll();
}

// A BMP header claiming 30000 x 30000 pixels at 24 bits, with no pixels behind it.
QByteArray bmpBomb()
{
    test::RecordWriter w;
    w.u16(0x4D42);
    w.u32(54 + 30000u * 90000u);
    w.u32(0);
    w.u32(54);
    w.u32(40), w.i32(30000), w.i32(30000), w.u16(1), w.u16(24);
    w.u32(0), w.u32(0), w.i32(0), w.i32(0), w.u32(0), w.u32(0);
    return w.bytes();
}

quint32 crc32(const QByteArray& data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char c : data) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG whose header claims width x height pixels, with a tiny IDAT behind it.
QByteArray pngBomb(quint32 width, quint32 height)
{
    QByteArray out("\x89PNG\r\n\x1a\n", 8);
    auto chunk = [&](const char* type, const QByteArray& body) {
        char len[4];
        qToBigEndian<quint32>(quint32(body.size()), len);
        out.append(len, 4);
        const QByteArray typed = QByteArray(type) + body;
        out.append(typed);
        char crc[4];
        qToBigEndian<quint32>(crc32(typed), crc);
        out.append(crc, 4);
    };
    QByteArray ihdr(13, '\0');
    qToBigEndian<quint32>(width, ihdr.data());
    qToBigEndian<quint32>(height, ihdr.data() + 4);
    ihdr[8] = 8; // bit depth
    ihdr[9] = 6; // RGBA
    chunk("IHDR", ihdr);
    chunk("IDAT", QByteArray("\x78\x9c\x03\x00\x00\x00\x00\x01", 8));
    chunk("IEND", QByteArray());
    return out;
}

bool near(Colour a, Colour b, int tolerance)
{
    return std::abs(redOf(a) - redOf(b)) <= tolerance && std::abs(greenOf(a) - greenOf(b)) <= tolerance
        && std::abs(blueOf(a) - blueOf(b)) <= tolerance;
}

} // namespace

class tst_PictureLoader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loads_data();
    void loads();
    void rejects_data();
    void rejects();
    void bombIsRefused_data();
    void bombIsRefused();
    void monoSurface();
    void pictureBoxRedraws();
};

void tst_PictureLoader::loads_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("opaqueAt");
    QTest::addColumn<Colour>("opaqueColour");
    QTest::addColumn<int>("tolerance");
    QTest::addColumn<QPoint>("transparentAt"); // (-1, -1): the format has no transparency

    const QPoint none(-1, -1);
    const Colour red = RGB(255, 0, 0);
    QTest::newRow("BMP 24 bits") << encode(halfRed(QImage::Format_RGB888), "bmp") << "p.bmp" << QSize(40, 20)
                                 << QPoint(5, 5) << red << 0 << none;
    QTest::newRow("BMP named .dib") << encode(halfRed(QImage::Format_RGB888), "bmp") << "p.dib" << QSize(40, 20)
                                    << QPoint(19, 19) << red << 0 << none;
    QTest::newRow("BMP named .gif") << encode(halfRed(QImage::Format_RGB32), "bmp") << "p.gif" << QSize(40, 20)
                                    << QPoint(0, 0) << red << 0 << none;
    QTest::newRow("PNG with alpha") << encode(halfRed(QImage::Format_ARGB32), "png") << "p.png" << QSize(40, 20)
                                    << QPoint(3, 3) << red << 0 << QPoint(30, 10);
    QImage mono(17, 9, QImage::Format_Mono);
    mono.setColorTable({ qRgb(0, 0, 0), qRgb(255, 255, 255) });
    mono.fill(1);
    mono.setPixel(2, 3, 0);
    QTest::newRow("PNG 1 bit") << encode(mono, "png") << "m.png" << QSize(17, 9) << QPoint(2, 3) << RGB(0, 0, 0) << 0
                               << none;
    QTest::newRow("JPEG") << encode(halfRed(QImage::Format_RGB32), "jpeg") << "p.jpg" << QSize(40, 20) << QPoint(8, 10)
                          << red << 12 << none;
    QTest::newRow("GIF with a transparent colour") << readFile(dataDir + "/valid/halfred.gif") << "p.gif"
                                                   << QSize(48, 24) << QPoint(2, 2) << red << 0 << QPoint(40, 12);
    QTest::newRow("ICO of three sizes gives the 32x32 one")
        << readFile(dataDir + "/valid/three-sizes.ico") << "p.ico" << QSize(32, 32) << QPoint(4, 4) << RGB(0, 0, 255)
        << 0 << QPoint(28, 4);
    QTest::newRow("CUR") << readFile(dataDir + "/valid/halfgreen.cur") << "p.cur" << QSize(32, 32) << QPoint(4, 30)
                         << RGB(0, 255, 0) << 0 << QPoint(20, 30);
    QTest::newRow("EMF 48x24, rectangle on the left")
        << test::makeEmf(48, 24, QRect(0, 0, 24, 24), 0x000000FF) << "p.emf" << QSize(48, 24) << QPoint(10, 12) << red
        << 0 << QPoint(40, 12);
    QTest::newRow("EMF named .bmp") << test::makeEmf(30, 60, QRect(0, 30, 30, 30), 0x00FF0000) << "p.bmp"
                                    << QSize(30, 60) << QPoint(15, 45) << RGB(0, 0, 255) << 0 << QPoint(15, 10);
    QTest::newRow("WMF placeable 48x24 at 96 units per inch")
        << test::makeWmf(48, 24, QRect(0, 0, 24, 24), 0x000000FF) << "p.wmf" << QSize(48, 24) << QPoint(10, 12) << red
        << 0 << QPoint(40, 12);
    QTest::newRow("WMF placeable at 1440 units per inch")
        << test::makeWmf(64, 32, QRect(32, 0, 32, 32), 0x0000FF00, 1440) << "t.wmf" << QSize(64, 32) << QPoint(50, 16)
        << RGB(0, 255, 0) << 0 << QPoint(10, 16);
}

void tst_PictureLoader::loads()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, fileName);
    QFETCH(QSize, size);
    QFETCH(QPoint, opaqueAt);
    QFETCH(Colour, opaqueColour);
    QFETCH(int, tolerance);
    QFETCH(QPoint, transparentAt);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(fileName);
    QVERIFY(test::writeFile(path, data));
    const Picture picture = PictureLoader::load(path);
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.size(), size);

    // Drawn unscaled at the top-left over a surface larger than the picture.
    Surface surface = Surface::colour(size.width() + 5, size.height() + 5, Back);
    picture.drawOn(surface);
    const Colour got = surface.GetPixel(opaqueAt.x(), opaqueAt.y());
    QVERIFY2(near(got, opaqueColour, tolerance), qPrintable(QString::number(got, 16)));
    QCOMPARE(surface.GetPixel(size.width() + 2, size.height() + 2), Back);
    if (transparentAt.x() >= 0)
        QCOMPARE(surface.GetPixel(transparentAt.x(), transparentAt.y()), Back);

    // The same bytes from memory give the same picture.
    QCOMPARE(PictureLoader::fromData(data).size(), size);
}

void tst_PictureLoader::rejects_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("fileName"); // empty: no file at all
    QTest::newRow("missing file") << QByteArray() << "";
    QTest::newRow("text file named .bmp") << readFile(dataDir + "/invalid/text.bmp") << "t.bmp";
    QTest::newRow("empty file") << QByteArray() << "e.bmp";
    QTest::newRow("BMP cut inside its header") << encode(halfRed(QImage::Format_RGB888), "bmp").left(30) << "c.bmp";
    QTest::newRow("PNG signature only") << QByteArray("\x89PNG\r\n\x1a\n", 8) << "s.png";
    QTest::newRow("SVG is not one of the formats") << QByteArray("<svg xmlns='http://www.w3.org/2000/svg' "
                                                                 "width='4' height='4'/>")
                                                   << "v.svg";
    QByteArray emf = test::makeEmf(48, 24, QRect(0, 0, 24, 24), 0xFF);
    QByteArray negative = emf;
    qToLittleEndian<qint32>(-5000, negative.data() + 32); // rclFrame.right left of left
    QTest::newRow("EMF with a negative frame") << negative << "n.emf";
    QTest::newRow("EMF without its EOF record") << emf.left(emf.size() - 20) << "x.emf";
    QByteArray wrongRecord = emf;
    qToLittleEndian<quint32>(0x7FFFFFF0u, wrongRecord.data() + 88 + 4); // a record longer than the file
    QTest::newRow("EMF record size past the end") << wrongRecord << "r.emf";
    // Found by fuzzing: the converter read the description at an offset past the header.
    QTest::newRow("EMF description offset at the end of the file") << QByteArray::fromHex(
        "010000005800000000000000f80000000b000000070000000000000000000000"
        "3d010000d300000020454d4600000100b4000000060000000200000000000000"
        "b400000000000000c0030000c0030000fe000000fe0000002700000018000000"
        "0145000000000000ff00000000000000250000000c0000000100000025000000"
        "0c000000080000802b0000001800000000000000000000000600000008000000"
        "0e00000014000000000000001000000014000000") << "d.emf";
    QByteArray description = emf;
    qToLittleEndian<quint32>(10, description.data() + 60); // 10 characters at 80: inside the header's fields
    qToLittleEndian<quint32>(80, description.data() + 64);
    QTest::newRow("EMF description inside the header's fields") << description << "i.emf";
    QByteArray wmf = test::makeWmf(48, 24, QRect(0, 0, 24, 24), 0xFF);
    QByteArray inchZero = wmf;
    qToLittleEndian<quint16>(0, inchZero.data() + 14);
    QTest::newRow("WMF with 0 units per inch") << inchZero << "z.wmf";
    QByteArray flipped = wmf;
    qToLittleEndian<qint16>(-100, flipped.data() + 10);
    QTest::newRow("WMF with a negative bounding box") << flipped << "f.wmf";
    QByteArray random(300, '\0');
    for (int i = 0; i < random.size(); ++i)
        random[i] = char((i * 7919 + 13) % 251);
    QTest::newRow("random bytes") << random << "r.jpg";
    // The header's largest record (words at 22 + 12) claims 3.9 GB: libwmf would allocate it.
    QByteArray hugeRecord = wmf;
    qToLittleEndian<quint32>(0x746E6968u, hugeRecord.data() + 22 + 12);
    QTest::newRow("WMF header claiming a 3.9 GB record") << hugeRecord << "h.wmf";
    QByteArray noEof = wmf;
    noEof.chop(6);
    QTest::newRow("WMF without its EOF record") << noEof << "e.wmf";
    QByteArray longRecord = wmf;
    qToLittleEndian<quint32>(0x10000u, longRecord.data() + 22 + 18);
    QTest::newRow("WMF record longer than the file") << longRecord << "l.wmf";
    // Qt's BMP reader gives up on the header already: nothing is allocated either way.
    QTest::newRow("BMP claiming 30000x30000 without pixels") << bmpBomb() << "b.bmp";
}

void tst_PictureLoader::rejects()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, fileName);
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName.isEmpty() ? QStringLiteral("nothing.bmp") : fileName);
    if (!fileName.isEmpty())
        QVERIFY(test::writeFile(path, data));
    try {
        PictureLoader::load(path);
        QFAIL("no error raised");
    } catch (const Error& e) {
        QCOMPARE(e.number(), fileName.isEmpty() ? err::FileNotFound : err::InvalidPicture);
        if (!fileName.isEmpty())
            QCOMPARE(e.description(), QStringLiteral("Invalid picture"));
    }
}

void tst_PictureLoader::bombIsRefused_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("PNG claiming 30000x30000") << pngBomb(30000, 30000);
    QTest::newRow("PNG claiming 40000x1") << pngBomb(40000, 1);
    QTest::newRow("PNG claiming 6000x6000, 36 megapixels") << pngBomb(6000, 6000);
    QTest::newRow("EMF frame of 30000x30000 pixels") << [] {
        QByteArray emf = test::makeEmf(48, 24, QRect(0, 0, 24, 24), 0xFF);
        qToLittleEndian<qint32>(30000 * 2540 / 96, emf.data() + 32);
        qToLittleEndian<qint32>(30000 * 2540 / 96, emf.data() + 36);
        return emf;
    }();
    QTest::newRow("WMF box of 32000x32000 at 72 units per inch") << [] {
        QByteArray wmf = test::makeWmf(48, 24, QRect(0, 0, 24, 24), 0xFF);
        qToLittleEndian<qint16>(32000, wmf.data() + 10);
        qToLittleEndian<qint16>(32000, wmf.data() + 12);
        qToLittleEndian<quint16>(72, wmf.data() + 14);
        return wmf;
    }();
}

void tst_PictureLoader::bombIsRefused()
{
    QFETCH(QByteArray, data);
    try {
        PictureLoader::fromData(data);
        QFAIL("no error raised");
    } catch (const Error& e) {
        QCOMPARE(e.number(), err::InvalidPicture);
        QVERIFY2(e.description().contains(QLatin1String("too large")), qPrintable(e.description()));
    }
}

void tst_PictureLoader::monoSurface()
{
    const Picture p = PictureLoader::fromData(encode(halfRed(QImage::Format_ARGB32), "png"));
    Surface mono = Surface::mono(50, 20);
    mono.fill(RGB(255, 255, 255));
    p.drawOn(mono);
    QCOMPARE(mono.GetPixel(5, 5), RGB(0, 0, 0)); // red is nearer black
    QCOMPARE(mono.GetPixel(30, 5), RGB(255, 255, 255)); // transparent keeps white
    QCOMPARE(mono.GetPixel(45, 5), RGB(255, 255, 255));
}

void tst_PictureLoader::pictureBoxRedraws()
{
    PictureBox box(50, 30, Back);
    int changes = 0;
    box.onChanged = [&] { ++changes; };
    QCOMPARE(box.GetPixel(49, 29), Back);
    // A caller may change the surface's background colour (as icon making does); the
    // box still fills with its own colour on the next redraw.
    box.surface().SetBkColor(RGB(255, 0, 255));
    box.setPicture(PictureLoader::fromData(encode(halfRed(QImage::Format_ARGB32), "png")));
    QCOMPARE(changes, 1);
    QCOMPARE(box.GetPixel(0, 0), RGB(255, 0, 0));
    QCOMPARE(box.GetPixel(25, 5), Back);
    QCOMPARE(box.GetPixel(45, 25), Back);

    box.setBackColour(RGB(1, 2, 3));
    QCOMPARE(changes, 2);
    QCOMPARE(box.backColour(), RGB(1, 2, 3));
    QCOMPARE(box.GetPixel(25, 5), RGB(1, 2, 3));
    QCOMPARE(box.GetPixel(0, 0), RGB(255, 0, 0));

    box.resize(10, 60);
    QCOMPARE(changes, 3);
    QCOMPARE(box.width(), 10);
    QCOMPARE(box.GetPixel(5, 55), RGB(1, 2, 3));
    QCOMPARE(box.GetPixel(5, 5), RGB(255, 0, 0));

    box.clearPicture();
    QCOMPARE(changes, 4);
    QVERIFY(box.picture().isNull());
    QCOMPARE(box.GetPixel(5, 5), RGB(1, 2, 3));
}

QTEST_MAIN(tst_PictureLoader)
#include "tst_pictureloader.moc"
