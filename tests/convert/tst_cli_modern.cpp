// brevane-cli convert and multi with 32-bit images, large sizes, fitting and vector
// pictures; every icon written is read back by Pillow, never by our code.
#include "support/IconCheck.h"
#include "support/PilProbe.h"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <functional>

using namespace brevane::test;

namespace {

// Every pixel of img through f(x, y, pixel).
QImage mapped(QImage img, const std::function<QRgb(int, int, QRgb)>& f)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, f(x, y, img.pixel(x, y)));
    return img;
}

// Magenta on every seventh pixel, the alpha kept.
QImage withMagenta(const QImage& img)
{
    return mapped(img, [](int x, int y, QRgb p) { return (x + 3 * y) % 7 ? p : qRgba(255, 0, 255, qAlpha(p)); });
}

enum class Expect { Exact, EvenGrey, CrispEdge, Refused };

} // namespace

class tst_CliModern : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void icons_data();
    void icons();

private:
    // A PNG written by Qt, made into 'format' by Pillow (lossless, colours under alpha 0 kept).
    QString picture(const QString& name, const QImage& image, const char* format = "png");
    QString m_python;
    QTemporaryDir m_dir;
};

void tst_CliModern::initTestCase()
{
    m_python = pilPython();
    if (m_python.isEmpty())
        QSKIP("python3 with Pillow is missing");
}

QString tst_CliModern::picture(const QString& name, const QImage& image, const char* format)
{
    const QString png = writePicture(m_dir.path(), name + QStringLiteral(".png"), image, "PNG");
    const QString out = m_dir.filePath(name + QLatin1Char('.') + QLatin1String(format));
    const char* save
        = "import sys; from PIL import Image; Image.open(sys.argv[1]).save(sys.argv[2], lossless=1, exact=1)";
    if (out != png && runTool(m_python, { "-c", save, png, out }).exitCode != 0)
        qFatal("Pillow cannot write %s", qPrintable(out));
    return out;
}

void tst_CliModern::icons_data()
{
    QTest::addColumn<QStringList>("args"); // the command and its arguments but -o
    // Every image in order, at 32 bits, 256 PNG-stored, AND mask from alpha; a null one is checked by 'expect'.
    QTest::addColumn<QList<QImage>>("expected");
    QTest::addColumn<Expect>("expect");
    const auto row = [](const char* name, const QStringList& args, const QList<QImage>& images,
                         Expect e = Expect::Exact) { QTest::newRow(name) << args << images << e; };
    const QImage bands = alphaBands(40, 40), big = alphaBands(300, 270), magenta = withMagenta(bands);
    const QString pic = picture("bands", bands);
    const auto b32 = [](const QString& picture, const char* size = "32", const QStringList& more = {}) {
        return QStringList { "convert", "-b", "32", "-s", size } + more + QStringList { picture };
    };
    row("40x40 RGBA PNG: the top-left square exactly", b32(pic), { bands.copy(0, 0, 32, 32) });
    const QImage keyed
        = mapped(magenta.copy(0, 0, 32, 32), [](int, int, QRgb p) { return p % 0x1000000 == 0xFF00FF ? 0 : p; });
    row("-t 255,0,255 keys magenta out, nothing else", b32(picture("magenta", magenta), "32", { "-t", "255,0,255" }),
        { keyed });
    row("-s 256: PNG-stored, the top-left 256x256", b32(picture("big", big), "256"), { big.copy(0, 0, 256, 256) });
    row("WebP lossless", b32(picture("bands", bands, "webp")), { bands.copy(0, 0, 32, 32) });
    // Qt reads TIFF through libtiff's RGBA interface, which premultiplies: only see-through
    // black and opaque pixels come back exactly.
    const QImage solid = mapped(bands, [](int, int, QRgb p) { return qAlpha(p) ? p | 0xFF000000u : 0; });
    row("TIFF", b32(picture("solid", solid, "tiff")), { solid.copy(0, 0, 32, 32) });
    const QImage wide
        = mapped(QImage(256, 128, QImage::Format_RGB32), [](int, int, QRgb) { return qRgb(200, 30, 40); });
    const QImage centred = mapped(QImage(48, 48, QImage::Format_ARGB32),
        [](int, int y, QRgb) { return y >= 12 && y < 36 ? qRgb(200, 30, 40) : 0u; });
    row("--fit 256x128 in 48: 48x24 in the middle rows", b32(picture("wide", wide), "48", { "--fit" }), { centred });
    const QImage board = mapped(QImage(256, 256, QImage::Format_RGB32),
        [](int x, int y, QRgb) { return (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0); });
    row("--fit 1-pixel checkerboard 16 times smaller: grey", b32(picture("board", board), "16", { "--fit" }),
        { QImage(16, 16, QImage::Format_ARGB32) }, Expect::EvenGrey);
    const QString svg = writeFile(m_dir.path(), QStringLiteral("circle.svg"),
        R"(<svg xmlns="http://www.w3.org/2000/svg" width="20" height="20" viewBox="0 0 20 20">)"
        R"(<circle cx="10" cy="10" r="8" fill="#0060c0"/></svg>)");
    for (const char* size : { "64", "256" })
        row(qPrintable(QStringLiteral("--fit SVG circle of 20 pixels at %1").arg(size)), b32(svg, size, { "--fit" }),
            { QImage(QString(size).toInt(), QString(size).toInt(), QImage::Format_ARGB32) }, Expect::CrispEdge);
    // One picture to the default sizes, smallest first; own pictures used exactly as drawn.
    const QImage own16 = withMagenta(alphaBands(16, 16));
    const auto blue = [](int size) {
        return mapped(QImage(size, size, QImage::Format_ARGB32), [](int, int, QRgb) { return qRgb(20, 120, 220); });
    };
    row("multi --from, --image 16= and 32=",
        { "multi", "--from", picture("logo", blue(1024)), "--image", "32=" + pic, "--image",
            "16=" + picture("own16", own16) },
        { own16, blue(24), bands.copy(0, 0, 32, 32), blue(48), blue(256) });
    // Bad sizes and depths are usage errors, refused before anything is written.
    for (const QStringList& args : QList<QStringList> { { "convert", "-s", "17" }, { "convert", "-s", "512" },
             { "convert", "-b", "16" }, { "multi", "--sizes", "16,17", "--from" }, { "multi", "-b", "2", "--from" },
             { "multi", "--image", "50=" + pic }, { "multi", "--sizes", "16,32", "--image", "16=" + pic } })
        row(qPrintable(args.join(' ').remove(pic)), args + QStringList { pic }, {}, Expect::Refused);
}

void tst_CliModern::icons()
{
    QFETCH(QStringList, args);
    QFETCH(QList<QImage>, expected);
    QFETCH(Expect, expect);
    QTemporaryDir out;
    const QString command = args.takeFirst();
    const ToolRun r = runCli(command, QStringList { "-o", out.filePath(command == "convert" ? "" : "m") } + args);
    if (expect == Expect::Refused) {
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.endsWith(QStringLiteral("Run 'brevane-cli %1 --help' for usage.\n").arg(command)));
        QVERIFY(filesIn(out.path()).isEmpty());
        return;
    }
    QCOMPARE(r.err, QString());
    QCOMPARE(r.exitCode, 0);
    const QList<PilImage> read = pilRead(out.filePath(filesIn(out.path()).value(0)));
    QCOMPARE(read.size(), expected.size());
    for (int i = 0; i < read.size(); ++i) {
        const QImage &img = read[i].image, &want = expected[i];
        const int size = want.width();
        QCOMPARE((QList<int> { read[i].width, img.width(), img.height(), read[i].bitCount, read[i].png }),
            (QList<int> { size, size, size, 32, size == 256 }));
        if (expect == Expect::Exact)
            QCOMPARE(img, want);
        if (expect == Expect::Exact && !read[i].png)
            QCOMPARE(read[i].mask, maskFromAlpha(want));
        if (const QRgb first = img.pixel(0, 0); expect == Expect::EvenGrey) {
            QCOMPARE(img, mapped(img, [&](int, int, QRgb) { return first; }));
            QVERIFY(qRed(first) == qBlue(first) && qRed(first) > 100 && qRed(first) < 220);
        }
        if (expect == Expect::CrispEdge) {
            // Drawn at this size, the soft edge is about one pixel wide all round.
            int soft = 0;
            mapped(img, [&](int, int, QRgb p) { return soft += qAlpha(p) > 0 && qAlpha(p) < 255, p; });
            QVERIFY2(std::abs(soft / (2 * M_PI * 0.4 * size) - 1.1) < 0.5, qPrintable(QString::number(soft)));
            QCOMPARE(img.pixel(size / 2, size / 2), qRgb(0, 0x60, 0xc0));
        }
    }
}

QTEST_GUILESS_MAIN(tst_CliModern)
#include "tst_cli_modern.moc"
