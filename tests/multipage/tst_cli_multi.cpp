#include "support/IconCheck.h"

#include <QTest>

using namespace brevane::test;

// The real brevane-cli: the save itself is tested on MultiPageIcon; here the options reach it
// and the exit codes tell.
class tst_CliMulti : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void multi_data();
    void multi();

private:
    QTemporaryDir m_dir;
    QString m_files[3]; // 16x16, 32x32, 48x48
};

void tst_CliMulti::initTestCase()
{
    for (int i = 0; i < 3; ++i)
        m_files[i] = writePicture(m_dir.path(), QStringLiteral("p%1.bmp").arg(i),
            patternPicture(16 * (i + 1), 16 * (i + 1), i == 2 ? qRgb(255, 0, 0) : qRgb(40, 40, 100)));
}

void tst_CliMulti::multi_data()
{
    QTest::addColumn<QString>("name"); // given to -o
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("written"); // "" when refused
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // on stdout when written, else on stderr
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<bool>("topLeftSeeThrough");
    const QString &s = m_files[0], &n = m_files[1], &l = m_files[2];
    QTest::newRow("all three, .ICO") << "a.ICO" << QStringList { "--large", l, "--small", s, "--normal", n } << "a.ICO"
                                     << 0 << "a.ICO" << QList<int> { 16, 32, 48 } << false;
    QTest::newRow("-t top-left, no extension: the red corner goes")
        << "b" << QStringList { "--large", l, "-t", "top-left" } << "b.ico" << 0 << "b.ico" << QList<int> { 48 }
        << true;
    QTest::newRow("no slot") << "c" << QStringList {} << "" << 1 << "There are no images !" << QList<int> {} << false;
    QTest::newRow("component above 255, refused as convert does")
        << "d" << QStringList { "--small", s, "-t", "300,0,0" } << "" << 2 << "R,G,B" << QList<int> {} << false;
    QTest::newRow("colour not R,G,B") << "e" << QStringList { "--small", s, "-t", "white" } << "" << 2 << "R,G,B"
                                      << QList<int> {} << false;
}

void tst_CliMulti::multi()
{
    REQUIRE_TOOL("icotool");
    REQUIRE_TOOL("/usr/bin/convert");
    QFETCH(QString, name);
    QFETCH(QStringList, args);
    QFETCH(QString, written);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QFETCH(QList<int>, sizes);
    QFETCH(bool, topLeftSeeThrough);
    QTemporaryDir out;
    const ToolRun r = runCli(QStringLiteral("multi"), QStringList { "-o", out.filePath(name) } + args);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2((written.isEmpty() ? r.err : r.out).contains(message), qPrintable(r.err + r.out));
    QCOMPARE(filesIn(out.path()), written.isEmpty() ? QStringList {} : QStringList { written });
    if (written.isEmpty())
        return;
    QCOMPARE(icotoolList(out.filePath(written)), sizes24(sizes));
    const QList<QImage> decoded = magickImages(out.filePath(written));
    QCOMPARE(decoded.size(), sizes.size());
    QCOMPARE(qAlpha(decoded.last().pixel(0, 0)) == 0, topLeftSeeThrough);
    QCOMPARE(decoded.last().pixel(20, 9), patternPicture(48, 48, 0).pixel(20, 9));
}

QTEST_GUILESS_MAIN(tst_CliMulti)
#include "tst_cli_multi.moc"
