#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// Ctrl-C or a kill in the middle of a long batch: the icons written so far are whole and
// no temporary is left beside them.
class tst_CliSignals : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void interruptedBatch_data();
    void interruptedBatch();
};

void tst_CliSignals::interruptedBatch_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
}

void tst_CliSignals::interruptedBatch()
{
    QFETCH(int, signal);
    QTemporaryDir in, out;
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::magenta);
    QVERIFY(picture.save(in.filePath(QStringLiteral("p.bmp"))));
    QStringList pictures;
    for (int i = 0; i < 3000; ++i)
        if (QFile::copy(in.filePath(QStringLiteral("p.bmp")), in.filePath(QStringLiteral("p%1.bmp").arg(i))))
            pictures << in.filePath(QStringLiteral("p%1.bmp").arg(i));
    QProcess cli;
    cli.start(QStringLiteral(BREVANE_BINARY_DIR "/brevane-cli"), QStringList { "convert", "-o", out.path() } + pictures);
    const QDir folder(out.path());
    QVERIFY(QTest::qWaitFor([&] { return folder.entryList({ "*.ico" }, QDir::Files).size() >= 20; }, 60000));
    QVERIFY(::kill(pid_t(cli.processId()), signal) == 0);
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitStatus(), QProcess::CrashExit);
    QCOMPARE(cli.exitCode(), signal);
    const QFileInfoList icons = folder.entryInfoList({ "*.ico" }, QDir::Files);
    if (icons.size() == pictures.size())
        QSKIP("the batch ended before the signal arrived");
    QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden | QDir::System).size(), icons.size());
    for (const QFileInfo& icon : icons)
        QCOMPARE(icon.size(), icons.first().size());
}

QTEST_GUILESS_MAIN(tst_CliSignals)
#include "tst_cli_signals.moc"
