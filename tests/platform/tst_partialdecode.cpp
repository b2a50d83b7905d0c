#include "platform/Error.h"
#include "platform/PictureLoader.h"
#include "platform/decode/PartialDecoder.h"
#include "support/PlainFiles.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;

namespace {

// The whole picture as the loader has Qt read it.
QImage qtDecode(QByteArray data, QSize scaledTo = QSize())
{
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);
    reader.setScaledSize(scaledTo);
    return reader.read();
}

// The same format, colour table (past Qt's: black) and pixels over the top-left 'region'.
void compareTopLeft(const QImage& part, QImage whole, QSize region)
{
    QList<QRgb> table = whole.colorTable();
    table.resize(part.colorCount(), qRgb(0, 0, 0));
    QCOMPARE(part.colorTable(), table);
    whole.setColorTable(table);
    whole.setColorSpace(part.colorSpace()); // the pixels count, not Qt's colour space tag
    QCOMPARE(part.copy(QRect(QPoint(), region)), whole.copy(QRect(QPoint(), region)));
}

} // namespace

class tst_PartialDecode : public QObject {
    Q_OBJECT
    QTemporaryDir m_corpus;

private Q_SLOTS:
    void initTestCase()
    {
        QProcess script;
        script.start(QStringLiteral(BREVANE_PYTHON), { QStringLiteral(BREVANE_CORPUS_SCRIPT), m_corpus.path() });
        QVERIFY2(script.waitForFinished(120000) && script.exitCode() == 0, script.readAllStandardError().constData());
    }

    void matchesWholeDecode_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSize>("needed");
        const QStringList files = QDir(m_corpus.path()).entryList(QDir::Files, QDir::Name);
        QVERIFY(files.size() > 60);
        for (const QString& file : files)
            for (const QSize needed : { QSize(18, 18), QSize(34, 34), QSize(50, 50), QSize() })
                QTest::addRow("%s, %d", qPrintable(file), needed.width()) << file << needed;
    }

    // Every picture, every part: the pixels and format of Qt's whole decode, or left to Qt.
    void matchesWholeDecode()
    {
        QFETCH(QString, file);
        QFETCH(QSize, needed);
        const QByteArray data = test::readFile(m_corpus.filePath(file));
        // Left to Qt: "qt-" files, a GIF cut short when whole (libjpeg makes up a JPEG's rest as Qt does).
        const bool handled = !file.startsWith("qt-") && !(file.startsWith("gif-cut-short") && needed.isEmpty());
        // Qt leaves a quarter of each row of a 16-bit RGB picture with a tRNS colour unset. No
        // pixel of this one has that colour: it is the picture without the chunk, made opaque.
        const qsizetype trns = file.contains("rgb16-trns") ? data.indexOf("tRNS") - 4 : -1;
        const QImage whole = trns < 0
            ? qtDecode(data)
            : qtDecode(QByteArray(data).remove(trns, 12 + data.mid(trns, 4).toHex().toInt(nullptr, 16)))
                  .convertToFormat(QImage::Format_RGBA64);
        QVERIFY(!whole.isNull());
        const PartialDecoder::Header header = PartialDecoder::probe(data);
        const QImage part = PartialDecoder::decode(data, header, needed);
        QCOMPARE(!part.isNull(), handled);
        if (!handled)
            return;
        QCOMPARE(PictureLoader::fromData(data, needed).size(), whole.size()); // the header's size, kept
        QSize region = needed.isEmpty() ? whole.size() : whole.size().boundedTo(needed);
        QCOMPARE(part.size(), region);
        if (file.startsWith("bmp") && file.contains("cut-short")) // top-down, 24 bits
            region.setHeight(std::min(region.height(), int((data.size() - 54) / (region.width() * 3))));
        compareTopLeft(part, whole, region);
    }

    // A JPEG reduced by the least factor keeping it that large, as Qt reads it at that size.
    void scaledJpegMatchesQt_data()
    {
        QTest::addColumn<QSize>("atLeast");
        QTest::addColumn<int>("scale"); // eighths
        for (const auto& [atLeast, scale] :
            { std::pair(QSize(60, 40), 2), { QSize(97, 40), 4 }, { QSize(32, 24), 1 }, { QSize(250, 100), 8 } })
            QTest::addRow("to %dx%d", atLeast.width(), atLeast.height()) << atLeast << scale;
    }

    void scaledJpegMatchesQt()
    {
        QFETCH(QSize, atLeast);
        QFETCH(int, scale);
        for (const char* file : { "jpeg-baseline-256x192.jpg", "jpeg-progressive-256x192.jpg" }) {
            const QByteArray data = test::readFile(m_corpus.filePath(file));
            const PartialDecoder::Header header = PartialDecoder::probe(data);
            int used = 0;
            const QImage scaled = PartialDecoder::decodeScaled(data, header, atLeast, &used);
            QCOMPARE(used, scale);
            const QSize expected = header.size * scale / 8;
            QCOMPARE(scaled.size(), expected);
            compareTopLeft(scaled, qtDecode(data, expected), expected);
        }
    }

    // Refused from the header alone, the limit named; a JPEG of 256 scans is not refused for them.
    void refusesBeforeDecoding_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("text");
        const char* tooLarge = "Invalid picture: %d x %d pixels is too large to load";
        for (const auto& [name, hex, w, h] :
            { std::tuple("PNG", "89504e470d0a1a0a0000000d4948445200009c4000000010080200000000000000", 40000, 16),
                { "PNG", "89504e470d0a1a0a0000000d494844520000200000002000080200000000000000", 8192, 8192 },
                { "JPEG", "ffd8ffc0000b082328232801011100ffda0008010100003f00ffd9", 9000, 9000 },
                { "GIF", "474946383961409c020000000021f90401000000002c00000000409c0200000208", 40000, 2 },
                { "BMP", "424d000000000000000036000000280000007017000090e8ffff01001800", 6000, 6000 } })
            QTest::addRow("%s %dx%d", name, w, h)
                << QByteArray::fromHex(hex).leftJustified(80, 0) << QString::asprintf(tooLarge, w, h);
        // A progressive frame, then as many start-of-scan segments of one byte each.
        const auto jpeg = [](const char* lines, int scans) {
            return QByteArray::fromHex(QByteArray("ffd8ffc2000b0800") + lines + "000801011100")
                + QByteArray::fromHex("ffda0008010100003f0000").repeated(scans) + QByteArray::fromHex("ffd9");
        };
        const QString scans = QStringLiteral("Invalid picture: more than 256 scans is too many to load");
        QTest::newRow("JPEG of 20000 scans") << jpeg("08", 20000) << scans;
        QTest::newRow("JPEG of 20000 scans, frame of no lines") << jpeg("00", 20000) << scans;
        QTest::newRow("JPEG of 256 scans") << jpeg("08", 256) << QString();
    }

    // No crash, no read past the data (the sanitizer builds watch that).
    void refusesBeforeDecoding()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, text);
        for (const QSize needed : { QSize(1, 1), QSize(50, 50), QSize(300, 7), QSize() }) {
            try {
                const Picture picture = PictureLoader::fromData(data, needed);
                QVERIFY2(text.isEmpty() && !picture.size().isEmpty(), "the picture was loaded");
            } catch (const Error& e) {
                QCOMPARE(e.number(), err::InvalidPicture);
                if (text.isEmpty())
                    QVERIFY(!e.description().contains("scans"));
                else
                    QCOMPARE(e.description(), text);
            }
        }
    }
};

QTEST_MAIN(tst_PartialDecode)
#include "tst_partialdecode.moc"
