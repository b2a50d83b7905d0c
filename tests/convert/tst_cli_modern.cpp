// brevane-cli convert and multi with 32-bit images, large sizes, fitting and vector
// pictures; every icon written is read back by Pillow (and icotool), never by our code.
#include "support/IconCheck.h"
#include "support/PilProbe.h"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace brevane::test;

namespace {

// Magenta on every seventh pixel, the alpha kept.
QImage withMagenta(QImage img)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((x + 3 * y) % 7 == 0)
                img.setPixel(x, y, qRgba(255, 0, 255, qAlpha(img.pixel(x, y))));
    return img;
}

} // namespace

class tst_CliModern : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void convertsExactly_data();
    void convertsExactly();
    void fitted_data();
    void fitted();
    void multiFromOnePicture();
    void refused_data();
    void refused();

private:
    // A PNG written by Qt, made into 'format' by Pillow (lossless, colours under alpha 0 kept).
    QString picture(const QString& name, const QImage& image, const QString& format = QStringLiteral("png"));
    QString m_python;
    QTemporaryDir m_dir;
};

void tst_CliModern::initTestCase()
{
    m_python = pilPython();
    if (m_python.isEmpty())
        QSKIP("python3 with Pillow is missing");
}

QString tst_CliModern::picture(const QString& name, const QImage& image, const QString& format)
{
    const QString png = writePicture(m_dir.path(), name + QStringLiteral(".png"), image, "PNG");
    if (format == QLatin1String("png"))
        return png;
    const QString out = m_dir.filePath(name + QLatin1Char('.') + format);
    if (runTool(m_python,
            { "-c",
                "import sys; from PIL import Image; Image.open(sys.argv[1]).save(sys.argv[2], lossless=True, "
                "exact=True)",
                png, out })
            .exitCode
        != 0)
        qFatal("Pillow cannot write %s", qPrintable(out));
    return out;
}

void tst_CliModern::convertsExactly_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("png");
    const QImage bands = alphaBands(40, 40);
    const QStringList b32 { "-b", "32", "-s", "32" };
    QTest::newRow("40x40 RGBA PNG: the top-left square exactly") << bands << "png" << b32 << 32 << false;
    QTest::newRow("-t 255,0,255 keys magenta out, nothing else")
        << withMagenta(bands) << "png" << b32 + QStringList { "-t", "255,0,255" } << 32 << false;
    QTest::newRow("-s 256: PNG-stored, the top-left 256x256")
        << alphaBands(300, 270) << "png" << QStringList { "-b", "32", "-s", "256" } << 256 << true;
    QTest::newRow("WebP lossless") << bands << "webp" << b32 << 32 << false;
    // Qt reads TIFF through libtiff's RGBA interface, which premultiplies: only see-through
    // and opaque pixels come back exactly.
    QImage solid = bands;
    for (int y = 1; y < 40; y += 3)
        for (int x = 0; x < 40; ++x)
            solid.setPixel(x, y, solid.pixel(x, y) | 0xFF000000u);
    QTest::newRow("TIFF") << solid << "tiff" << b32 << 32 << false;
}

void tst_CliModern::convertsExactly()
{
    QFETCH(QImage, image);
    QFETCH(QString, format);
    QFETCH(QStringList, options);
    QFETCH(int, size);
    QFETCH(bool, png);
    QTemporaryDir out;
    const ToolRun r = runCli(QStringLiteral("convert"),
        QStringList { "-o", out.path() } + options + QStringList { picture("pic", image, format) });
    QCOMPARE(r.err, QString());
    QCOMPARE(r.exitCode, 0);
    const QString icon = out.filePath(QStringLiteral("pic.ico"));
    QCOMPARE(icotoolList(icon), (QList<ListedImage> { { size, size, 32 } }));
    const QList<PilImage> read = pilRead(icon);
    QCOMPARE(read.size(), 1);
    QCOMPARE(read[0].png, png);
    QImage square = image.copy(0, 0, size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (options.contains(QLatin1String("255,0,255")) && (square.pixel(x, y) & 0xFFFFFF) == 0xFF00FF)
                square.setPixel(x, y, 0);
    if (format == QLatin1String("tiff"))
        VERIFY_SAME(firstDifference(read[0].image, square));
    else
        QCOMPARE(read[0].image, square);
    if (!png)
        QCOMPARE(read[0].mask, maskFromAlpha(square));
}

enum class Expect { Centred, EvenGrey, CrispEdge };

void tst_CliModern::fitted_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<Expect>("expect");
    QImage wide(256, 128, QImage::Format_RGB32);
    wide.fill(qRgb(200, 30, 40));
    const QString widePic = picture("wide", wide);
    QTest::newRow("256x128 in 48 at 32 bits: 48x24 in the middle rows")
        << widePic << QStringList { "-s", "48", "-b", "32" } << Expect::Centred;
    QTest::newRow("the same at 24 bits") << widePic << QStringList { "-s", "48", "-b", "24", "-t", "1,2,3" }
                                         << Expect::Centred;
    QImage board(256, 256, QImage::Format_RGB32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            board.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    QTest::newRow("1-pixel checkerboard 16 times smaller: grey")
        << picture("board", board) << QStringList { "-s", "16", "-b", "32" } << Expect::EvenGrey;
    const QString svg = writeFile(m_dir.path(), QStringLiteral("circle.svg"),
        R"(<svg xmlns="http://www.w3.org/2000/svg" width="20" height="20" viewBox="0 0 20 20">)"
        R"(<circle cx="10" cy="10" r="8" fill="#0060c0"/></svg>)");
    for (const char* size : { "64", "256" })
        QTest::addRow("SVG circle of 20 pixels at %s", size)
            << svg << QStringList { "-s", size, "-b", "32" } << Expect::CrispEdge;
}

void tst_CliModern::fitted()
{
    QFETCH(QString, picture);
    QFETCH(QStringList, options);
    QFETCH(Expect, expect);
    QTemporaryDir out;
    const ToolRun r = runCli(
        QStringLiteral("convert"), QStringList { "-o", out.path(), "--fit" } + options + QStringList { picture });
    QCOMPARE(r.exitCode, 0);
    const QList<PilImage> read = pilRead(out.filePath(QFileInfo(picture).completeBaseName() + QStringLiteral(".ico")));
    QCOMPARE(read.size(), 1);
    const QImage& img = read[0].image;
    const int size = img.width();
    int soft = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const QRgb p = img.pixel(x, y);
            soft += qAlpha(p) > 0 && qAlpha(p) < 255;
            if (expect == Expect::Centred)
                QCOMPARE(p, y >= 12 && y < 36 ? qRgb(200, 30, 40) : 0u);
            if (expect == Expect::EvenGrey)
                QCOMPARE(p, img.pixel(0, 0));
        }
    if (expect == Expect::EvenGrey)
        QVERIFY2(qRed(img.pixel(0, 0)) == qBlue(img.pixel(0, 0)) && qRed(img.pixel(0, 0)) > 100
                && qRed(img.pixel(0, 0)) < 220,
            qPrintable(QString::number(img.pixel(0, 0), 16)));
    if (expect == Expect::CrispEdge) {
        // Drawn at this size, the soft edge is about one pixel wide all round.
        const double circumference = 2 * M_PI * 0.4 * size;
        QVERIFY2(soft > 0.6 * circumference && soft < 1.6 * circumference, qPrintable(QString::number(soft)));
        QCOMPARE(img.pixel(size / 2, size / 2), qRgb(0, 0x60, 0xc0));
    }
}

// One picture to the default sizes, smallest first; own pictures used exactly as drawn.
void tst_CliModern::multiFromOnePicture()
{
    QImage big(1024, 1024, QImage::Format_ARGB32);
    big.fill(qRgb(20, 120, 220));
    const QImage own32 = alphaBands(40, 40), own16 = withMagenta(alphaBands(16, 16));
    QTemporaryDir out;
    const ToolRun r = runCli(QStringLiteral("multi"),
        { "-o", out.filePath(QStringLiteral("m")), "--from", picture("big", big), "--image",
            QStringLiteral("32=") + picture("own32", own32), "--image",
            QStringLiteral("16=") + picture("own16", own16) });
    QCOMPARE(r.err, QString());
    QCOMPARE(r.exitCode, 0);
    const QString icon = out.filePath(QStringLiteral("m.ico"));
    const QList<int> sizes { 16, 24, 32, 48, 256 };
    const QList<PilImage> read = pilRead(icon);
    QCOMPARE(read.size(), sizes.size());
    for (int i = 0; i < sizes.size(); ++i) {
        QCOMPARE(icotoolList(icon).value(i), (ListedImage { sizes[i], sizes[i], 32 }));
        QCOMPARE(read[i].image.size(), QSize(sizes[i], sizes[i]));
        QCOMPARE(read[i].png, sizes[i] == 256);
    }
    QCOMPARE(read[0].image, own16);
    QCOMPARE(read[2].image, own32.copy(0, 0, 32, 32));
    QCOMPARE(read[1].image.pixel(12, 12), qRgb(20, 120, 220));
    QCOMPARE(read[4].image.pixel(200, 30), qRgb(20, 120, 220));
}

void tst_CliModern::refused_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("args"); // PIC stands for a good picture
    QTest::addColumn<int>("exitCode");
    QTest::newRow("convert -s 17") << "convert" << QStringList { "-s", "17", "PIC" } << 2;
    QTest::newRow("convert -s 512") << "convert" << QStringList { "-s", "512", "PIC" } << 2;
    QTest::newRow("convert -b 16") << "convert" << QStringList { "-b", "16", "PIC" } << 2;
    QTest::newRow("multi --sizes 16,17") << "multi" << QStringList { "--from", "PIC", "--sizes", "16,17" } << 2;
    QTest::newRow("multi -b 2") << "multi" << QStringList { "--from", "PIC", "-b", "2" } << 2;
    QTest::newRow("multi --image 50=PIC") << "multi" << QStringList { "--image", "50=PIC" } << 2;
    QTest::newRow("multi --sizes without a picture for 32")
        << "multi" << QStringList { "--sizes", "16,32", "--image", "16=PIC" } << 2;
    QTest::newRow("multi with a missing picture, named")
        << "multi" << QStringList { "--from", "PIC", "--image", "48=MISSING" } << 1;
}

// Refused before anything is written.
void tst_CliModern::refused()
{
    QFETCH(QString, command);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    const QString pic = picture(QStringLiteral("good"), alphaBands(20, 20));
    const QString missing = m_dir.filePath(QStringLiteral("missing.png"));
    QTemporaryDir out;
    for (QString& a : args)
        a.replace(QLatin1String("PIC"), pic).replace(QLatin1String("MISSING"), missing);
    const QString target = command == QLatin1String("convert") ? out.path() : out.filePath(QStringLiteral("m"));
    const ToolRun r = runCli(command, QStringList { "-o", target } + args);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY(exitCode == 2 ? !r.err.isEmpty() : r.err.contains(missing));
    QVERIFY(filesIn(out.path()).isEmpty());
}

QTEST_GUILESS_MAIN(tst_CliModern)
#include "tst_cli_modern.moc"
