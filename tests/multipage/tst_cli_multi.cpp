#include "support/IconCheck.h"

#include <QTest>

using namespace brevane::test;

// The real brevane-cli: the options reach MultiPageIcon and the exit codes tell.
class tst_CliMulti : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void multi_data();
    void multi();

private:
    QTemporaryDir m_dir;
};

void tst_CliMulti::multi_data()
{
    QTest::addColumn<QStringList>("args"); // after -o OUT/NAME
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // on stdout when written, else on stderr; written: its name
    QTest::addColumn<QList<int>>("sizes");
    QString f[3]; // 16x16, 32x32, 48x48 (red top-left)
    for (int i = 0; i < 3; ++i)
        f[i] = writePicture(m_dir.path(), QStringLiteral("p%1.bmp").arg(i),
            patternPicture(16 * (i + 1), 16 * (i + 1), i == 2 ? qRgb(255, 0, 0) : qRgb(40, 40, 100)));
    QTest::newRow("all three, .ICO") << QStringList { "a.ICO", "--large", f[2], "--small", f[0], "--normal", f[1] } << 0
                                     << "a.ICO" << QList<int> { 16, 32, 48 };
    QTest::newRow("-t top-left, no extension: the red corner goes")
        << QStringList { "b", "--large", f[2], "-t", "top-left" } << 0 << "b.ico" << QList<int> { 48 };
    QTest::newRow("no slot") << QStringList { "c" } << 1 << "There are no images !" << QList<int> {};
    QTest::newRow("component above 255, refused as convert does")
        << QStringList { "d", "--small", f[0], "-t", "300,0,0" } << 2 << "R,G,B" << QList<int> {};
}

void tst_CliMulti::multi()
{
    REQUIRE_TOOL("icotool");
    REQUIRE_TOOL("/usr/bin/convert");
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QFETCH(QList<int>, sizes);
    QTemporaryDir out;
    args[0] = out.filePath(args[0]);
    const ToolRun r = runCli(QStringLiteral("multi"), QStringList { "-o" } + args);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2((exitCode ? r.err : r.out).contains(message), qPrintable(r.err + r.out));
    QCOMPARE(filesIn(out.path()), exitCode ? QStringList {} : QStringList { message });
    if (exitCode)
        return;
    QCOMPARE(icotoolList(out.filePath(message)), sizes24(sizes));
    const QList<QImage> decoded = magickImages(out.filePath(message));
    QCOMPARE(decoded.size(), sizes.size());
    QCOMPARE(qAlpha(decoded.last().pixel(0, 0)) == 0, args.contains("top-left"));
    QCOMPARE(decoded.last().pixel(20, 9), patternPicture(48, 48, 0).pixel(20, 9));
}

QTEST_GUILESS_MAIN(tst_CliMulti)
#include "tst_cli_multi.moc"
