#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// Ctrl-C or a kill in a 3,000-picture batch: the icons so far are whole, no temporary is left.
class tst_CliSignals : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void interruptedBatch_data();
    void interruptedBatch();

private:
    QTemporaryDir m_dir;
    QStringList m_pictures;
};

void tst_CliSignals::initTestCase()
{
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::magenta);
    QVERIFY(picture.save(m_dir.filePath(QStringLiteral("p.bmp"))));
    for (int i = 0; i < 3000; ++i) {
        m_pictures << m_dir.filePath(QStringLiteral("p%1.bmp").arg(i));
        QVERIFY(QFile::copy(m_dir.filePath(QStringLiteral("p.bmp")), m_pictures.last()));
    }
}

void tst_CliSignals::interruptedBatch_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
}

void tst_CliSignals::interruptedBatch()
{
    QFETCH(int, signal);
    QTemporaryDir out;
    QProcess cli;
    cli.start(QStringLiteral(BREVANE_BINARY_DIR "/brevane-cli"), QStringList { "convert", "-o", out.path() } + m_pictures);
    QVERIFY(cli.waitForStarted());
    const QDir folder(out.path());
    QVERIFY(QTest::qWaitFor([&] { return folder.entryList({ "*.ico" }, QDir::Files).size() >= 20; }, 60000));
    QVERIFY(::kill(pid_t(cli.processId()), signal) == 0);
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitStatus(), QProcess::CrashExit);
    QCOMPARE(cli.exitCode(), signal);
    const QFileInfoList icons = folder.entryInfoList({ "*.ico" }, QDir::Files);
    if (icons.size() == m_pictures.size())
        QSKIP("the batch ended before the signal arrived");
    QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden | QDir::System).size(), icons.size());
    for (const QFileInfo& icon : icons)
        QCOMPARE(icon.size(), icons.first().size());
}

QTEST_GUILESS_MAIN(tst_CliSignals)
#include "tst_cli_signals.moc"
