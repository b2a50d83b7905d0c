// brevane-cli convert and multi with 32-bit images, large sizes, fitting and vector
// pictures; every icon written is read back by Pillow (and icotool), never by our code.
#include "support/IconCheck.h"
#include "support/PilProbe.h"

#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace brevane::test;

namespace {

// Alpha 0, 128 and 255 in bands of rows, colours telling every pixel apart (under alpha 0 too).
QImage alphaBands(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y,
                qRgba(x * 5 % 256, y * 3 % 256, (x + 2 * y) % 256,
                    y % 3 == 0       ? 0
                        : y % 3 == 1 ? 128
                                     : 255));
    return img;
}

// Magenta on every seventh pixel of the alpha bands.
QImage withMagenta(const QImage& picture)
{
    QImage img = picture;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((x + 3 * y) % 7 == 0)
                img.setPixel(x, y, qRgba(255, 0, 255, qAlpha(img.pixel(x, y))));
    return img;
}

QImage keyedOut(const QImage& picture, QRgb key)
{
    QImage img = picture;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFFu) == (key & 0xFFFFFFu))
                img.setPixel(x, y, 0);
    return img;
}

} // namespace

class tst_CliModern : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void convertsExactly_data();
    void convertsExactly();
    void fitCentres();
    void checkerboardTurnsGrey();
    void svgIsCrisp_data();
    void svgIsCrisp();
    void iconPictureKeepsItsMask();
    void multiFromOnePicture();
    void multiMissingPicture();
    void usageErrors_data();
    void usageErrors();

private:
    // A PNG written by Qt, then turned into 'format' by Pillow when it is not png.
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
    // Lossless, colours under alpha 0 kept.
    const ToolRun r = runTool(m_python,
        { "-c",
            "import sys; from PIL import Image; Image.open(sys.argv[1]).save(sys.argv[2], lossless=True, exact=True)",
            png, out });
    if (r.exitCode != 0)
        qFatal("Pillow cannot write %s: %s", qPrintable(out), qPrintable(r.err));
    QFile::remove(png);
    return out;
}

void tst_CliModern::convertsExactly_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("png");
    QTest::addColumn<QImage>("expected"); // before cropping
    const QImage bands = alphaBands(40, 40);
    const QImage magenta = withMagenta(bands);
    QTest::newRow("40x40 RGBA PNG, -b 32 -s 32: the top-left square exactly")
        << bands << "png" << QStringList { "-b", "32", "-s", "32" } << 32 << false << bands;
    QTest::newRow("-t 255,0,255 at 32 bits keys magenta out, nothing else")
        << magenta << "png" << QStringList { "-b", "32", "-s", "32", "-t", "255,0,255" } << 32 << false
        << keyedOut(magenta, qRgb(255, 0, 255));
    QTest::newRow("-s 256 -b 32: PNG-stored, the top-left 256x256")
        << alphaBands(300, 270) << "png" << QStringList { "-b", "32", "-s", "256" } << 256 << true
        << alphaBands(300, 270);
    QTest::newRow("WebP lossless") << bands << "webp" << QStringList { "-b", "32", "-s", "32" } << 32 << false << bands;
    // Qt reads TIFF through libtiff's RGBA interface, which premultiplies: only see-through
    // and opaque pixels come back exactly.
    QImage solid = bands;
    for (int y = 1; y < 40; y += 3)
        for (int x = 0; x < 40; ++x)
            solid.setPixel(x, y, solid.pixel(x, y) | 0xFF000000u);
    QTest::newRow("TIFF") << solid << "tiff" << QStringList { "-b", "32", "-s", "32" } << 32 << false << solid;
}

void tst_CliModern::convertsExactly()
{
    QFETCH(QImage, picture);
    QFETCH(QString, format);
    QFETCH(QStringList, options);
    QFETCH(int, size);
    QFETCH(bool, png);
    QFETCH(QImage, expected);
    QTemporaryDir out;
    const QString pic = this->picture(QStringLiteral("pic"), picture, format);
    const ToolRun r
        = runCli(QStringLiteral("convert"), QStringList { "-o", out.path() } + options + QStringList { pic });
    QCOMPARE(r.err, QString());
    QCOMPARE(r.exitCode, 0);
    const QString icon = out.filePath(QStringLiteral("pic.ico"));
    QCOMPARE(icotoolList(icon), (QList<ListedImage> { { size, size, 32 } }));
    const QList<PilImage> read = pilRead(icon);
    QCOMPARE(read.size(), 1);
    QCOMPARE(read[0].png, png);
    const QImage square = expected.copy(0, 0, size, size);
    if (format == QLatin1String("tiff"))
        VERIFY_SAME(firstDifference(read[0].image, square));
    else
        VERIFY_SAME(exactDifference(read[0].image, square));
    if (!png)
        QCOMPARE(read[0].mask, maskFromAlpha(square));
}

// A 256x128 picture fitted into 48: 48x24 in the middle rows, at 32 and at 24 bits.
void tst_CliModern::fitCentres()
{
    QImage wide(256, 128, QImage::Format_RGB32);
    wide.fill(qRgb(200, 30, 40));
    const QString pic = picture(QStringLiteral("wide"), wide);
    for (const QString& bits : { QStringLiteral("32"), QStringLiteral("24") }) {
        QTemporaryDir out;
        const ToolRun r = runCli(
            QStringLiteral("convert"), { "-o", out.path(), "--fit", "-s", "48", "-b", bits, "-t", "1,2,3", pic });
        QCOMPARE(r.exitCode, 0);
        const QList<PilImage> read = pilRead(out.filePath(QStringLiteral("wide.ico")));
        QCOMPARE(read.size(), 1);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 48; ++x) {
                const QRgb p = read[0].image.pixel(x, y);
                if (y >= 12 && y < 36)
                    QCOMPARE(p, qRgb(200, 30, 40));
                else
                    QCOMPARE(qAlpha(p), 0);
            }
    }
}

// A 1-pixel black and white checkerboard reduced 16 times is an even grey, not a pattern.
void tst_CliModern::checkerboardTurnsGrey()
{
    QImage board(256, 256, QImage::Format_RGB32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            board.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    QTemporaryDir out;
    const ToolRun r = runCli(
        QStringLiteral("convert"), { "-o", out.path(), "--fit", "-s", "16", "-b", "32", picture("board", board) });
    QCOMPARE(r.exitCode, 0);
    const QList<PilImage> read = pilRead(out.filePath(QStringLiteral("board.ico")));
    QCOMPARE(read.size(), 1);
    const QRgb grey = read[0].image.pixel(0, 0);
    QVERIFY2(qRed(grey) > 100 && qRed(grey) < 220, qPrintable(QString::number(grey, 16)));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            QCOMPARE(read[0].image.pixel(x, y), qRgb(qRed(grey), qRed(grey), qRed(grey)));
}

void tst_CliModern::svgIsCrisp_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("64") << 64;
    QTest::newRow("256") << 256;
}

// An SVG circle is drawn at the icon's size: its soft edge is about one pixel wide, never
// the blur of a small drawing enlarged.
void tst_CliModern::svgIsCrisp()
{
    QFETCH(int, size);
    const QString svg = writeFile(m_dir.path(), QStringLiteral("circle.svg"),
        R"(<svg xmlns="http://www.w3.org/2000/svg" width="20" height="20" viewBox="0 0 20 20">)"
        R"(<circle cx="10" cy="10" r="8" fill="#0060c0"/></svg>)");
    QTemporaryDir out;
    const ToolRun r = runCli(
        QStringLiteral("convert"), { "-o", out.path(), "--fit", "-b", "32", "-s", QString::number(size), svg });
    QCOMPARE(r.exitCode, 0);
    const QList<PilImage> read = pilRead(out.filePath(QStringLiteral("circle.ico")));
    QCOMPARE(read.size(), 1);
    const QImage& img = read[0].image;
    int soft = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            soft += qAlpha(img.pixel(x, y)) > 0 && qAlpha(img.pixel(x, y)) < 255;
    const double circumference = 2 * M_PI * 0.4 * size;
    QVERIFY2(soft > 0.6 * circumference && soft < 1.6 * circumference, qPrintable(QString::number(soft)));
    QCOMPARE(img.pixel(size / 2, size / 2), qRgb(0, 0x60, 0xc0));
    QCOMPARE(qAlpha(img.pixel(1, 1)), 0);
}

// The CLI reads an icon used as a picture with its mask: the see-through corner takes the
// transparent colour, and so becomes transparent again.
void tst_CliModern::iconPictureKeepsItsMask()
{
    QImage corner(32, 32, QImage::Format_ARGB32);
    corner.fill(qRgb(30, 90, 150));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            corner.setPixel(x, y, 0);
    // icotool stores it as a 24-bit image with an AND mask.
    const QString png = picture(QStringLiteral("corner"), corner);
    const QString ico = m_dir.filePath(QStringLiteral("corner24.ico"));
    if (runTool(QStringLiteral("icotool"), { "-c", "-b", "24", "-o", ico, png }).exitCode != 0)
        QSKIP("icotool is missing");
    QTemporaryDir out;
    const ToolRun r = runCli(QStringLiteral("convert"), { "-o", out.path(), "-s", "32", "-t", "1,2,3", ico });
    QCOMPARE(r.exitCode, 0);
    QImage over(corner.size(), QImage::Format_RGB32);
    over.fill(qRgb(1, 2, 3));
    QPainter(&over).drawImage(0, 0, corner);
    VERIFY_SAME(iconDiffers(out.filePath(QStringLiteral("corner24.ico")), over, 32, 0, qRgb(1, 2, 3)));
}

// One picture to the default sizes, smallest first; own pictures used exactly as drawn.
void tst_CliModern::multiFromOnePicture()
{
    QImage big(1024, 1024, QImage::Format_ARGB32);
    big.fill(qRgba(20, 120, 220, 255));
    const QImage own32 = alphaBands(40, 40), own16 = withMagenta(alphaBands(16, 16));
    const QString from = picture(QStringLiteral("big"), big);
    QTemporaryDir out;
    const ToolRun r = runCli(QStringLiteral("multi"),
        { "-o", out.filePath(QStringLiteral("m")), "--from", from, "--image",
            QStringLiteral("32=") + picture(QStringLiteral("own32"), own32), "--image",
            QStringLiteral("16=") + picture(QStringLiteral("own16"), own16) });
    QCOMPARE(r.err, QString());
    QCOMPARE(r.exitCode, 0);
    const QString icon = out.filePath(QStringLiteral("m.ico"));
    const QList<ListedImage> sizes { { 16, 16, 32 }, { 24, 24, 32 }, { 32, 32, 32 }, { 48, 48, 32 }, { 256, 256, 32 } };
    QCOMPARE(icotoolList(icon), sizes);
    const QList<PilImage> read = pilRead(icon);
    QCOMPARE(read.size(), 5);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(read[i].image.size(), QSize(sizes[i].width, sizes[i].width));
    QVERIFY(read[4].png);
    VERIFY_SAME(exactDifference(read[0].image, own16));
    VERIFY_SAME(exactDifference(read[2].image, own32.copy(0, 0, 32, 32)));
    QCOMPARE(read[1].image.pixel(12, 12), qRgb(20, 120, 220));
    QCOMPARE(read[4].image.pixel(200, 30), qRgb(20, 120, 220));
}

void tst_CliModern::multiMissingPicture()
{
    QTemporaryDir out;
    const QString missing = m_dir.filePath(QStringLiteral("missing.png"));
    const ToolRun r = runCli(QStringLiteral("multi"),
        { "-o", out.filePath(QStringLiteral("m")), "--from", picture("ok", alphaBands(20, 20)), "--image",
            QStringLiteral("48=") + missing });
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(missing), qPrintable(r.err));
    QVERIFY(filesIn(out.path()).isEmpty());
}

void tst_CliModern::usageErrors_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("args"); // PIC stands for a good picture
    QTest::newRow("convert -s 17") << "convert" << QStringList { "-s", "17", "PIC" };
    QTest::newRow("convert -s 512") << "convert" << QStringList { "-s", "512", "PIC" };
    QTest::newRow("convert -b 16") << "convert" << QStringList { "-b", "16", "PIC" };
    QTest::newRow("multi --sizes 16,17") << "multi" << QStringList { "--from", "PIC", "--sizes", "16,17" };
    QTest::newRow("multi -b 2") << "multi" << QStringList { "--from", "PIC", "-b", "2" };
    QTest::newRow("multi --image 50=PIC") << "multi" << QStringList { "--image", "50=PIC" };
    QTest::newRow("multi --sizes without a picture for 32")
        << "multi" << QStringList { "--sizes", "16,32", "--image", "16=PIC" };
}

void tst_CliModern::usageErrors()
{
    QFETCH(QString, command);
    QFETCH(QStringList, args);
    const QString pic = picture(QStringLiteral("good"), alphaBands(20, 20));
    QTemporaryDir out;
    for (QString& a : args)
        a.replace(QLatin1String("PIC"), pic);
    args.prepend(command == QLatin1String("convert") ? out.path() : out.filePath(QStringLiteral("m")));
    args.prepend(QStringLiteral("-o"));
    const ToolRun r = runCli(command, args);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(!r.err.isEmpty());
    QVERIFY(filesIn(out.path()).isEmpty());
}

QTEST_GUILESS_MAIN(tst_CliModern)
#include "tst_cli_modern.moc"
