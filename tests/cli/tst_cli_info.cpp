#include "icon/IconFile.h"
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
    void preview();

private:
    QTemporaryDir m_dir;
};

void tst_CliInfo::initTestCase()
{
    QVERIFY(m_dir.isValid());
    IconFile icon;
    QVERIFY_THROWS_NO_EXCEPTION(icon.addImage(32, 32, 16));
    QVERIFY_THROWS_NO_EXCEPTION(icon.addImage(16, 16, 2));
    QVERIFY_THROWS_NO_EXCEPTION(icon.save(m_dir.filePath(QStringLiteral("two.ico"))));
    QVERIFY(writeFile(m_dir.filePath(QStringLiteral("notes.ico")), "these are not the pixels you are looking for\n"));
    // A directory that passes the icon check but points its image past the end of the file.
    QVERIFY(writeFile(m_dir.filePath(QStringLiteral("corrupt.ico")),
        QByteArray::fromHex("000001000100"
                            "1010020001000100"
                            "28000000e8030000")
            + QByteArray(40, '\0')));
}

void tst_CliInfo::info_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("stdoutHas");
    QTest::addColumn<QString>("stderrHas");
    QTest::newRow("valid icon") << QStringList { "info", "two.ico" } << 0
                                << "2: 16x16, 1 bpp, 2 colours, 176 bytes at offset 782" << QString();
    QTest::newRow("text file") << QStringList { "info", "notes.ico" } << 1 << QString()
                               << "notes.ico: not an icon or cursor file";
    QTest::newRow("error 1050, its text exactly")
        << QStringList { "info", "corrupt.ico" } << 1 << QString()
        << "brevane-cli info: corrupt.ico: Failed to load icon: Icon Images Array is Corrupt. (image 1: ";
    QTest::newRow("no file given") << QStringList { "info" } << 2 << QString() << "wrong number of arguments";
    QTest::newRow("preview without -o") << QStringList { "preview", "two.ico" } << 2 << QString() << "-o";
}

void tst_CliInfo::info()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, stdoutHas);
    QFETCH(QString, stderrHas);
    const CliRun r = runCli(args, m_dir.path());
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.out.contains(stdoutHas), qPrintable(r.out));
    QVERIFY2(stderrHas.isEmpty() ? r.err.isEmpty() : r.err.contains(stderrHas), qPrintable(r.err));
}

void tst_CliInfo::preview()
{
    // Two true-colour images of the pattern, magenta transparent.
    IconFile pictures;
    for (int size : { 16, 32 }) {
        QVERIFY_THROWS_NO_EXCEPTION(pictures.addImage(size, size, 1000));
        Surface s = makePicture(size, size);
        QVERIFY_THROWS_NO_EXCEPTION(pictures.setImageFromSurface(s, pictures.imageCount(), 0, 0, Magenta));
    }
    const QString in = m_dir.filePath(QStringLiteral("pictures.ico"));
    const QString out = m_dir.filePath(QStringLiteral("preview.png"));
    QVERIFY_THROWS_NO_EXCEPTION(pictures.save(in));
    QCOMPARE(runCli({ QStringLiteral("preview"), in, QStringLiteral("-o"), out, QStringLiteral("--scale"),
                        QStringLiteral("3") })
                 .exitCode,
        0);
    // The images side by side, 8 pixels apart and from the edges; transparent shows a checkerboard.
    const QImage sheet(out);
    QCOMPARE(sheet.size(), QSize(8 + 48 + 8 + 96 + 8, 96 + 16));
    int left = 8;
    for (int size : { 16, 32 }) {
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const QRgb got = sheet.pixel(left + x * 3, 8 + y * 3);
                if (patternAt(x, y) == Magenta)
                    QVERIFY(got == qRgb(255, 255, 255) || got == qRgb(204, 204, 204));
                else
                    QCOMPARE(got, toQRgb(patternAt(x, y)));
            }
        left += size * 3 + 8;
    }
}

QTEST_GUILESS_MAIN(tst_CliInfo)
#include "tst_cli_info.moc"
