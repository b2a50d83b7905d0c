#include "support/IconCheck.h"

#include <QTest>

using namespace brevane::test;

// The real brevane-cli: the save itself is tested on MultiPageIcon; here the options reach it
// and the exit codes tell.
class tst_CliMulti : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void writesIcon_data();
    void writesIcon();
    void refused_data();
    void refused();

private:
    // %S, %N, %L, %T stand for the 16x16, 32x32 and 48x48 pictures and a text file named .bmp;
    // a word without a slash is a name in the output folder.
    QStringList expand(QStringList args) const
    {
        for (QString& a : args) {
            const int i = QStringLiteral("%S%N%L%T").indexOf(a) / 2;
            if (a.size() == 2 && a[0] == QLatin1Char('%'))
                a = m_files[i];
            else if (a.startsWith(QLatin1String("logo")))
                a = m_out->filePath(a);
        }
        return args;
    }

    QTemporaryDir m_pictures;
    QString m_files[4];
    std::unique_ptr<QTemporaryDir> m_out;
};

void tst_CliMulti::initTestCase()
{
    for (int i = 0; i < 3; ++i) {
        const int size = 16 * (i + 1);
        m_files[i] = writePicture(m_pictures.path(), QStringLiteral("p%1.bmp").arg(size),
            patternPicture(size, size, i == 2 ? qRgb(255, 0, 0) : qRgb(40, 40, 100)));
    }
    m_files[3] = writeFile(m_pictures.path(), QStringLiteral("readme.bmp"), "This is text, not a bitmap.\n");
}

void tst_CliMulti::init()
{
    m_out = std::make_unique<QTemporaryDir>();
}

void tst_CliMulti::writesIcon_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<bool>("topLeftSeeThrough");
    QTest::newRow("only large, no extension")
        << QStringList { "-o", "logo", "--large", "%N" } << "logo.ico" << QList<int> { 48 } << false;
    QTest::newRow("all three, .ICO") << QStringList { "-o", "logo.ICO", "--large", "%L", "--small", "%S", "--normal",
        "%N" } << "logo.ICO" << QList<int> { 16, 32, 48 }
                                     << false;
    QTest::newRow("-t top-left: the red corner goes")
        << QStringList { "-o", "logo", "--large", "%L", "-t", "top-left" } << "logo.ico" << QList<int> { 48 } << true;
}

void tst_CliMulti::writesIcon()
{
    QFETCH(QStringList, args);
    QFETCH(QString, written);
    QFETCH(QList<int>, sizes);
    QFETCH(bool, topLeftSeeThrough);
    const ToolRun r = runCli(QStringLiteral("multi"), expand(args));
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.contains(m_out->filePath(written)), qPrintable(r.out));
    QCOMPARE(filesIn(m_out->path()), QStringList { written });
    QCOMPARE(icotoolList(m_out->filePath(written)), sizes24(sizes));
    const QList<QImage> decoded = magickImages(m_out->filePath(written));
    QCOMPARE(decoded.size(), sizes.size());
    QCOMPARE(qAlpha(decoded.last().pixel(0, 0)) == 0, topLeftSeeThrough);
    QCOMPARE(decoded.last().pixel(20, 9), patternPicture(48, 48, 0).pixel(20, 9));
}

void tst_CliMulti::refused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("no slot") << QStringList { "-o", "logo" } << 1 << "There are no images !";
    QTest::newRow("letters in the colour")
        << QStringList { "-o", "logo", "--small", "%S", "-t", "255,x,0" } << 1 << "Invalid transparent color !";
    QTest::newRow("text file named .bmp") << QStringList { "-o", "logo", "--large", "%T" } << 1 << "Invalid picture !";
    QTest::newRow("missing picture") << QStringList { "-o", "logo", "--normal", "/no/such/picture.bmp" } << 1
                                     << "File not found";
    QTest::newRow("colour not R,G,B") << QStringList { "-o", "logo", "--small", "%S", "-t", "white" } << 2 << "R,G,B";
    QTest::newRow("no output") << QStringList { "--small", "%S" } << 2 << "-o FILE";
}

void tst_CliMulti::refused()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const ToolRun r = runCli(QStringLiteral("multi"), expand(args));
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(filesIn(m_out->path()).isEmpty());
}

QTEST_GUILESS_MAIN(tst_CliMulti)
#include "tst_cli_multi.moc"
