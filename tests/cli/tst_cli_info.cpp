#include "icon/cls_IconFile.h"
#include "platform/Surface.h"

#include "../support/IconTestSupport.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;
using namespace brevane::test;

class tst_CliInfo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void info_data();
    void info();
    void preview_data();
    void preview();

private:
    QTemporaryDir m_dir;
    QString m_pictures;
};

void tst_CliInfo::initTestCase()
{
    QVERIFY(m_dir.isValid());
    cls_IconFile icon;
    icon.AddImage(32, 32, 16);
    icon.AddImage(16, 16, 2);
    QVERIFY(icon.saveicon(m_dir.filePath(QStringLiteral("two.ico"))));
    QVERIFY(writeFile(m_dir.filePath(QStringLiteral("notes.ico")), "these are not the pixels you are looking for\n"));

    // Two true-colour images of the pattern, magenta transparent.
    cls_IconFile pictures;
    for (int size : { 16, 32 }) {
        pictures.AddImage(size, size, 1000);
        Surface s = makePicture(size, size);
        pictures.SetIconFromBitmap(s, pictures.ImageCount(), 0, 0, true, Magenta);
    }
    m_pictures = m_dir.filePath(QStringLiteral("pictures.ico"));
    QVERIFY(pictures.saveicon(m_pictures));
}

void tst_CliInfo::info_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("stdoutHas");
    QTest::addColumn<QString>("stderrHas");

    QTest::newRow("valid icon") << QStringList { "info", "two.ico" } << 0
                                << QStringList { "a valid icon file", "2 images",
                                       "1: 32x32, 4 bpp, 16 colours, 744 bytes at offset 38",
                                       "2: 16x16, 1 bpp, 2 colours, 176 bytes at offset 782" }
                                << QString();
    QTest::newRow("text file") << QStringList { "info", "notes.ico" } << 1 << QStringList { "not a valid icon file" }
                               << "is not a valid icon file";
    QTest::newRow("missing file") << QStringList { "info", "gone.ico" } << 1 << QStringList()
                                  << "is not a valid icon file";
    QTest::newRow("no file given") << QStringList { "info" } << 2 << QStringList() << "wrong number of arguments";
    QTest::newRow("unknown option") << QStringList { "info", "--frobnicate", "two.ico" } << 2 << QStringList()
                                    << "frobnicate";
    QTest::newRow("command help") << QStringList { "info", "--help" } << 0 << QStringList { "FILE.ico" } << QString();
    QTest::newRow("tool help") << QStringList { "--help" } << 0 << QStringList { "info" } << QString();
    QTest::newRow("no command") << QStringList() << 2 << QStringList() << "Usage:";
    QTest::newRow("unknown command") << QStringList { "frob" } << 2 << QStringList() << "unknown command";
    QTest::newRow("preview of no icon") << QStringList { "preview", "notes.ico", "-o", "sheet.png" } << 1
                                        << QStringList() << "not a valid icon file";
    QTest::newRow("preview without -o") << QStringList { "preview", "two.ico" } << 2 << QStringList() << "-o";
}

void tst_CliInfo::info()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QStringList, stdoutHas);
    QFETCH(QString, stderrHas);

    const CliRun r = runCli(args, m_dir.path());
    QCOMPARE(r.exitCode, exitCode);
    for (const QString& line : stdoutHas)
        QVERIFY2(r.out.contains(line), qPrintable(r.out));
    QVERIFY2(stderrHas.isEmpty() ? r.err.isEmpty() : r.err.contains(stderrHas), qPrintable(r.err));
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("sheet.png"))));
}

void tst_CliInfo::preview_data()
{
    QTest::addColumn<int>("scale");
    QTest::newRow("unscaled") << 1;
    QTest::newRow("each pixel 3 times") << 3;
}

void tst_CliInfo::preview()
{
    QFETCH(int, scale);
    const QString out = m_dir.filePath(QStringLiteral("preview.png"));
    QCOMPARE(runCli({ QStringLiteral("preview"), m_pictures, QStringLiteral("-o"), out, QStringLiteral("--scale"),
                        QString::number(scale) })
                 .exitCode,
        0);
    // The images side by side, 8 pixels apart and from the edges; transparent shows a checkerboard.
    const QImage sheet(out);
    QCOMPARE(sheet.size(), QSize(8 + 16 * scale + 8 + 32 * scale + 8, 32 * scale + 16));
    int left = 8;
    for (int size : { 16, 32 }) {
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const QRgb got = sheet.pixel(left + x * scale, 8 + y * scale);
                if (patternAt(x, y) == Magenta)
                    QVERIFY(got == qRgb(255, 255, 255) || got == qRgb(204, 204, 204));
                else
                    QCOMPARE(got, toQRgb(patternAt(x, y)));
            }
        left += size * scale + 8;
    }
}

QTEST_GUILESS_MAIN(tst_CliInfo)
#include "tst_cli_info.moc"
