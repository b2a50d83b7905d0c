#include "platform/Error.h"
#include "platform/PictureLoader.h"
#include "platform/Surface.h"
#include "platform/decode/PartialDecoder.h"

#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QProcess>
#include <QtEndian>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;

namespace {

// The whole picture as the loader has Qt read it.
QImage qtDecode(const QByteArray& data, QSize scaledTo = QSize())
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(false);
    if (scaledTo.isValid())
        reader.setScaledSize(scaledTo);
    return reader.read();
}

// The same format, colour table and pixels over the top-left 'region' of both; padding
// bits past the region's width do not count.
void compareTopLeft(const QImage& part, const QImage& whole, QSize region)
{
    QCOMPARE(part.format(), whole.format());
    QCOMPARE(part.colorTable().first(whole.colorCount()), whole.colorTable()); // past Qt's table: black
    for (int y = 0; y < region.height(); ++y) {
        if (part.depth() >= 8) {
            const qsizetype bytes = qsizetype(region.width()) * part.depth() / 8;
            if (std::memcmp(part.constScanLine(y), whole.constScanLine(y), std::size_t(bytes)) != 0)
                QFAIL(qPrintable(QStringLiteral("row %1 differs").arg(y)));
        } else {
            for (int x = 0; x < region.width(); ++x)
                if (part.pixelIndex(x, y) != whole.pixelIndex(x, y))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 differs").arg(x).arg(y)));
        }
    }
}

QByteArray fromHex(const char* hex)
{
    return QByteArray::fromHex(QByteArray(hex));
}

// The picture limits come before any library reads the data: the chunk's CRC is not checked.
QByteArray pngHeader(quint32 width, quint32 height)
{
    QByteArray ihdr = fromHex("0000000d49484452");
    for (quint32 v : { width, height })
        for (int shift = 24; shift >= 0; shift -= 8)
            ihdr.append(char(v >> shift));
    return fromHex("89504e470d0a1a0a") + ihdr + fromHex("080200000000000000") + fromHex("0000000049454e44ae426082");
}

// A progressive JPEG header followed by 'scans' start-of-scan segments of one byte each.
QByteArray jpegWithScans(int scans)
{
    QByteArray out = fromHex("ffd8ffc2000b080008000801011100");
    const QByteArray scan = fromHex("ffda0008010100003f0000");
    for (int i = 0; i < scans; ++i)
        out += scan;
    return out + fromHex("ffd9");
}

void expectRefused(const QByteArray& data, QSize needed, const QString& text)
{
    try {
        PictureLoader::fromData(data, needed);
        QFAIL("the picture was loaded");
    } catch (const Error& e) {
        QCOMPARE(e.number(), err::InvalidPicture);
        QCOMPARE(e.description(), text);
    }
}

} // namespace

class tst_PartialDecode : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void matchesWholeDecode_data();
    void matchesWholeDecode();
    void scaledJpegMatchesQt_data();
    void scaledJpegMatchesQt();
    void refusesBeforeDecoding_data();
    void refusesBeforeDecoding();
    void survivesHostileData();

private:
    QTemporaryDir m_corpus;
};

void tst_PartialDecode::initTestCase()
{
    QVERIFY(m_corpus.isValid());
    QProcess script;
    script.start(QStringLiteral(BREVANE_PYTHON), { QStringLiteral(BREVANE_CORPUS_SCRIPT), m_corpus.path() });
    QVERIFY2(script.waitForFinished(120000) && script.exitCode() == 0,
        qPrintable(QStringLiteral("the corpus script failed (python3-pil missing? run scripts/setup): ")
            + QString::fromLocal8Bit(script.readAllStandardError())));
}

void tst_PartialDecode::matchesWholeDecode_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("needed");
    QTest::addColumn<bool>("handled");
    const QStringList files = QDir(m_corpus.path()).entryList(QDir::Files, QDir::Name);
    QVERIFY(files.size() > 60);
    for (const QString& file : files) {
        for (const QSize needed : { QSize(18, 18), QSize(34, 34), QSize(50, 50), QSize() }) {
            // "qt-" files are left to Qt. A file cut short is decoded here only as far as
            // the data goes (libjpeg makes up the rest as Qt's reader sees it).
            const bool cutShort = file.contains(QLatin1String("cut-short")) && file.startsWith(QLatin1String("gif"));
            const bool handled = (!file.startsWith(QLatin1String("qt-")) || file.contains(QLatin1String("rgb16-trns"))
                                     || file.contains(QLatin1String("index-past-table")))
                && !(cutShort && needed.isEmpty());
            const QString size = needed.isEmpty() ? QStringLiteral("whole") : QString::number(needed.width());
            QTest::addRow("%s, %s", qPrintable(file), qPrintable(size)) << file << needed << handled;
        }
    }
}

void tst_PartialDecode::matchesWholeDecode()
{
    QFETCH(QString, file);
    QFETCH(QSize, needed);
    QFETCH(bool, handled);
    QFile f(m_corpus.filePath(file));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray data = f.readAll();

    // Qt leaves a quarter of each row of a 16-bit RGB picture with a tRNS colour unset. No pixel
    // of this one has that colour: it is the picture without the chunk, made opaque.
    const qsizetype trns = file.contains(QLatin1String("rgb16-trns")) ? data.indexOf("tRNS") - 4 : -1;
    const QImage whole = trns < 0 ? qtDecode(data)
                                  : qtDecode(QByteArray(data).remove(trns, 12 + qFromBigEndian<quint32>(data.constData() + trns)))
                                        .convertToFormat(QImage::Format_RGBA64);
    QVERIFY(!whole.isNull());
    const PartialDecoder::Header header = PartialDecoder::probe(data);
    const QImage part = PartialDecoder::decode(data, header, needed);
    QCOMPARE(!part.isNull(), handled);
    if (!handled)
        return;
    QCOMPARE(header.size, whole.size());
    QSize region = needed.isEmpty() ? whole.size() : whole.size().boundedTo(needed);
    QCOMPARE(part.size(), region);
    if (file.startsWith(QLatin1String("bmp")) && file.contains(QLatin1String("cut-short"))) // top-down, 24 bits
        region.setHeight(std::min(region.height(), int((data.size() - 54) / (region.width() * 3))));
    compareTopLeft(part, whole, region);

    // Through the loader: the natural size kept, the same pixels drawn.
    const Picture partial = PictureLoader::fromData(data, needed);
    const Picture full = PictureLoader::fromData(data);
    QCOMPARE(partial.size(), full.size());
    Surface a = Surface::colour(region.width(), region.height(), RGB(10, 200, 30));
    Surface b = Surface::colour(region.width(), region.height(), RGB(10, 200, 30));
    partial.drawOn(a);
    full.drawOn(b);
    QCOMPARE(a.image(), b.image());
}

void tst_PartialDecode::scaledJpegMatchesQt_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("atLeast");
    QTest::addColumn<int>("scale"); // eighths
    for (const char* file : { "jpeg-baseline-256x192.jpg", "jpeg-progressive-256x192.jpg" }) {
        QTest::addRow("%s to 60x40: a quarter", file) << QString::fromLatin1(file) << QSize(60, 40) << 2;
        QTest::addRow("%s to 97x40: a half", file) << QString::fromLatin1(file) << QSize(97, 40) << 4;
        QTest::addRow("%s to 32x24: an eighth", file) << QString::fromLatin1(file) << QSize(32, 24) << 1;
        QTest::addRow("%s to 250x100: whole", file) << QString::fromLatin1(file) << QSize(250, 100) << 8;
    }
}

void tst_PartialDecode::scaledJpegMatchesQt()
{
    QFETCH(QString, file);
    QFETCH(QSize, atLeast);
    QFETCH(int, scale);
    QFile f(m_corpus.filePath(file));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray data = f.readAll();
    const PartialDecoder::Header header = PartialDecoder::probe(data);
    int used = 0;
    const QImage scaled = PartialDecoder::decodeScaled(data, header, atLeast, &used);
    QCOMPARE(used, scale);
    const QSize expected = header.size * scale / 8;
    QCOMPARE(scaled.size(), expected);
    // Asked for exactly that size, Qt's reader has libjpeg scale by the same factor.
    compareTopLeft(scaled, qtDecode(data, expected), expected);
}

void tst_PartialDecode::refusesBeforeDecoding_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("text");
    const QString tooLarge = QStringLiteral("Invalid picture: %1 x %2 pixels is too large to load");
    QTest::newRow("PNG 40000 x 16") << pngHeader(40000, 16) << tooLarge.arg(40000).arg(16);
    QTest::newRow("PNG 8192 x 8192 (64 megapixels)") << pngHeader(8192, 8192) << tooLarge.arg(8192).arg(8192);
    QTest::newRow("JPEG 9000 x 9000") << fromHex("ffd8ffc0000b082328232801011100ffda0008010100003f00ffd9")
                                      << tooLarge.arg(9000).arg(9000);
    QTest::newRow("GIF screen 40000 x 2")
        << fromHex("474946383961409c020000000021f90401000000002c00000000409c0200000208") << tooLarge.arg(40000).arg(2);
    QTest::newRow("BMP top-down 6000 x 6000")
        << fromHex("424d000000000000000036000000280000007017000090e8ffff01001800").leftJustified(80, '\0')
        << tooLarge.arg(6000).arg(6000);
    const QString tooManyScans = QStringLiteral("Invalid picture: more than 256 scans is too many to load");
    QTest::newRow("JPEG of 20000 scans") << jpegWithScans(20000) << tooManyScans;
    QTest::newRow("JPEG of 20000 scans, frame of no lines")
        << jpegWithScans(20000).replace(QByteArray::fromHex("080008"), QByteArray::fromHex("080000")) << tooManyScans;
}

void tst_PartialDecode::refusesBeforeDecoding()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, text);
    expectRefused(data, QSize(50, 50), text);
    expectRefused(data, QSize(), text);
}

// No crash, no read past the data (the sanitizer builds watch that): a picture of the
// header's size, or the program's error. A JPEG of 256 scans is not refused for them.
void tst_PartialDecode::survivesHostileData()
{
    const QByteArray data = jpegWithScans(256);
    for (const QSize needed : { QSize(1, 1), QSize(18, 18), QSize(50, 50), QSize(300, 7), QSize() }) {
        try {
            const Picture picture = PictureLoader::fromData(data, needed);
            QVERIFY(!picture.size().isEmpty());
        } catch (const Error& e) {
            QCOMPARE(e.number(), err::InvalidPicture);
            QVERIFY(!e.description().contains(QLatin1String("scans")));
        }
    }
}

QTEST_MAIN(tst_PartialDecode)
#include "tst_partialdecode.moc"
