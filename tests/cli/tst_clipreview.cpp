#include "icon/cls_IconFile.h"
#include "platform/Surface.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;

namespace {

constexpr Colour Magenta = RGB(255, 0, 255);

Colour patternAt(int x, int y)
{
    return (x + y) % 3 == 0 ? Magenta : RGB(x * 7 % 256, 200, y * 5 % 256);
}

int runCli(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(BREVANE_BINARY_DIR "/brevane-cli"), args);
    if (!p.waitForFinished(60000))
        return -1;
    return p.exitCode();
}

QString makeIcon(const QTemporaryDir& dir)
{
    cls_IconFile icon;
    for (int size : { 16, 32 }) {
        icon.AddImage(size, size, 1000);
        Surface s = Surface::colour(size, size);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                s.SetPixel(x, y, patternAt(x, y));
        icon.SetIconFromBitmap(s, icon.ImageCount());
    }
    const QString path = dir.filePath(QStringLiteral("two.ico"));
    icon.saveicon(path);
    return path;
}

} // namespace

class tst_CliPreview : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sheet_data();
    void sheet();
    void failures_data();
    void failures();
};

void tst_CliPreview::sheet_data()
{
    QTest::addColumn<int>("scale");
    QTest::newRow("unscaled") << 1;
    QTest::newRow("each pixel 3 times") << 3;
}

void tst_CliPreview::sheet()
{
    QFETCH(int, scale);
    QTemporaryDir dir;
    const QString ico = makeIcon(dir);
    const QString out = dir.filePath(QStringLiteral("sheet.png"));
    QCOMPARE(runCli({ QStringLiteral("preview"), ico, QStringLiteral("-o"), out, QStringLiteral("--scale"),
                 QString::number(scale) }),
        0);
    const QImage sheet(out);
    QCOMPARE(sheet.size(), QSize(8 + 16 * scale + 8 + 32 * scale + 8, 32 * scale + 16));
    int left = 8;
    for (int size : { 16, 32 }) {
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const QRgb got = sheet.pixel(left + x * scale, 8 + y * scale);
                if (patternAt(x, y) == Magenta)
                    QVERIFY(got == qRgb(255, 255, 255) || got == qRgb(204, 204, 204)); // checkerboard
                else
                    QCOMPARE(got, toQRgb(patternAt(x, y)));
            }
        left += size * scale + 8;
    }
}

void tst_CliPreview::failures_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<bool>("withOutput");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("not an icon") << "hello" << true << 1;
    QTest::newRow("no -o") << "" << false << 2;
}

void tst_CliPreview::failures()
{
    QFETCH(QString, content);
    QFETCH(bool, withOutput);
    QFETCH(int, exitCode);
    QTemporaryDir dir;
    QString input = makeIcon(dir);
    if (!content.isEmpty()) {
        input = dir.filePath(QStringLiteral("text.ico"));
        QFile f(input);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content.toUtf8());
    }
    const QString out = dir.filePath(QStringLiteral("sheet.png"));
    QStringList args { QStringLiteral("preview"), input };
    if (withOutput)
        args << QStringLiteral("-o") << out;
    QCOMPARE(runCli(args), exitCode);
    QVERIFY(!QFile::exists(out));
}

QTEST_GUILESS_MAIN(tst_CliPreview)
#include "tst_clipreview.moc"
