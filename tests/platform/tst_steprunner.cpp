#include "platform/StepRunner.h"
#include "platform/Error.h"
#include "platform/mdl_ErrorHandle.h"
#include "support/PlainFiles.h"
#include "support/ScriptedPrompts.h"

#include <stdexcept>

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;

namespace {
const QString Location = QStringLiteral("{5F9DC491-1691-4A9F-A8D2-F66856159B3F}");

[[noreturn]] void fail(int kind)
{
    switch (kind) {
    case 0:
        throw Error::runtime(err::FileNotFound);
    case 1:
        throw Error(err::classError(5), errorSource("cFileIcon"), QStringLiteral("The icon is broken"));
    case 2:
        throw std::bad_alloc();
    default:
        throw std::runtime_error("boom");
    }
}
}

class tst_StepRunner : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup() { delete m_dir; }

    void answers_data();
    void answers();
    void retryThatKeepsFailingThenAbort();
    void logAppendsOneLinePerReport();
    void unwritableProgramFolderFallsBack_data();
    void unwritableProgramFolderFallsBack();
    void noWritableLogStillObeysAnswer();

private:
    QString logPath() const { return m_dir->filePath(QStringLiteral("program.log")); }
    QTemporaryDir* m_dir = nullptr;
};

void tst_StepRunner::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    mdl_ErrorHandle::setProgramFolder(m_dir->path());
}

void tst_StepRunner::answers_data()
{
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<int>("kind"); // what step 2 throws, once
    QTest::addColumn<QString>("trace");
    QTest::addColumn<bool>("finished");
    QTest::addColumn<QString>("report"); // number and description
    // "a" before the failing step, "b1" inside before the failure, "b2" after it, "c" after.
    const QString notFound = QStringLiteral("53:2\r\nFile not found");
    QTest::newRow("abort leaves at once") << MsgAnswer::Abort << 0 << "a b1" << false << notFound;
    QTest::newRow("retry reruns the step") << MsgAnswer::Retry << 0 << "a b1 b1 b2 c" << true << notFound;
    QTest::newRow("ignore goes on with the next") << MsgAnswer::Ignore << 0 << "a b1 c" << true << notFound;
    QTest::newRow("cancel, not offered, leaves") << MsgAnswer::Cancel << 0 << "a b1" << false << notFound;
    QTest::newRow("class error, negative with its sign")
        << MsgAnswer::Ignore << 1 << "a b1 c" << true << "-2147221499:2\r\nThe icon is broken";
    QTest::newRow("out of memory is 7") << MsgAnswer::Ignore << 2 << "a b1 c" << true << "7:2\r\nOut of memory";
    QTest::newRow("foreign exception is reported too")
        << MsgAnswer::Ignore << 3 << "a b1 c" << true << "51:2\r\nInternal error: boom";
}

void tst_StepRunner::answers()
{
    QFETCH(MsgAnswer, answer);
    QFETCH(int, kind);
    QFETCH(QString, trace);
    QFETCH(bool, finished);
    QFETCH(QString, report);

    test::ScriptedPrompts prompts;
    prompts.answers.enqueue(answer);
    QStringList seen;
    int failures = 1;
    StepRunner runner(prompts, Location);
    const bool result = runner.run({
        [&] { seen << QStringLiteral("a"); },
        [&] {
            seen << QStringLiteral("b1");
            if (failures-- > 0)
                fail(kind);
            seen << QStringLiteral("b2");
        },
        [&] { seen << QStringLiteral("c"); },
    });

    QCOMPARE(seen.join(QLatin1Char(' ')), trace);
    QCOMPARE(result, finished);
    QCOMPARE(runner.aborted(), !finished);
    QCOMPARE(prompts.messages.size(), 1);
    const test::ShownMessage& shown = prompts.messages.first();
    QCOMPARE(shown.title, QStringLiteral("Error"));
    QCOMPARE(shown.icon, MsgIcon::Critical);
    QCOMPARE(shown.buttons, MsgButtons::AbortRetryIgnore);
    QCOMPARE(shown.text,
        QStringLiteral("There was an error, if you think this is serious then please write the information "
                       "bellow: \r\n")
            + report);
    const QStringList lines = test::logLines(logPath());
    QCOMPARE(lines.size(), 1);
    const QString number = report.section(QLatin1Char(':'), 0, 0);
    QVERIFY2(lines.first().endsWith(Location + QStringLiteral(":2:") + number), qPrintable(lines.first()));
}

void tst_StepRunner::retryThatKeepsFailingThenAbort()
{
    test::ScriptedPrompts prompts;
    prompts.answers << MsgAnswer::Retry << MsgAnswer::Retry << MsgAnswer::Abort;
    int attempts = 0;
    StepRunner runner(prompts, Location);
    QCOMPARE(runner.step(4,
                 [&] {
                     ++attempts;
                     throw Error::runtime(err::InvalidPicture);
                 }),
        StepRunner::Result::Aborted);
    QCOMPARE(attempts, 3);
    QCOMPARE(prompts.messages.size(), 3);
    QCOMPARE(test::logLines(logPath()).size(), 3);
    // Steps after an abort do not run.
    bool ran = false;
    QCOMPARE(runner.step(5, [&] { ran = true; }), StepRunner::Result::Aborted);
    QVERIFY(!ran);
}

void tst_StepRunner::logAppendsOneLinePerReport()
{
    QVERIFY(test::writeFile(logPath(), "earlier line\r\n"));
    test::ScriptedPrompts prompts;
    prompts.answers << MsgAnswer::Ignore << MsgAnswer::Ignore;
    StepRunner runner(prompts, Location);
    runner.run({ [] { throw Error::runtime(err::TypeMismatch); }, [] { throw Error::runtime(err::Overflow); } });

    const QStringList lines = test::logLines(logPath());
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0), QStringLiteral("earlier line"));
    // A time stamp (date, a blank, time), then the location, line and number, nothing else.
    static const QRegularExpression shape(QStringLiteral("^\\S+ \\S.*\\d:\\{[-0-9A-F]+\\}:\\d:\\d+$"));
    for (const QString& line : lines.mid(1))
        QVERIFY2(shape.match(line).hasMatch(), qPrintable(line));
    QVERIFY(lines.at(1).endsWith(Location + QStringLiteral(":1:13")));
    QVERIFY(lines.at(2).endsWith(Location + QStringLiteral(":2:6")));
    QCOMPARE(mdl_ErrorHandle::lastLogPath(), logPath());
}

void tst_StepRunner::unwritableProgramFolderFallsBack_data()
{
    QTest::addColumn<bool>("belowAFile");
    QTest::newRow("program folder below a plain file") << true;
    QTest::newRow("program.log is a folder") << false;
}

void tst_StepRunner::unwritableProgramFolderFallsBack()
{
    QFETCH(bool, belowAFile);
    // Running as root makes permission bits useless here; these cannot be written by anyone.
    if (belowAFile) {
        QVERIFY(test::writeFile(m_dir->filePath(QStringLiteral("plain")), {}));
        mdl_ErrorHandle::setProgramFolder(m_dir->filePath(QStringLiteral("plain/program")));
    } else {
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("program.log")));
    }
    const QString fallback = QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
                                 .filePath(QStringLiteral("program.log"));
    QFile::remove(fallback);

    test::ScriptedPrompts prompts;
    prompts.answers << MsgAnswer::Ignore;
    bool nextRan = false;
    StepRunner runner(prompts, Location);
    QVERIFY(runner.run({ [] { throw Error::runtime(err::FileNotFound); }, [&] { nextRan = true; } }));
    QVERIFY(nextRan);
    QCOMPARE(mdl_ErrorHandle::lastLogPath(), fallback);
    const QStringList lines = test::logLines(fallback);
    QCOMPARE(lines.size(), 1);
    QVERIFY(lines.first().endsWith(Location + QStringLiteral(":1:53")));
    QFile::remove(fallback);
}

void tst_StepRunner::noWritableLogStillObeysAnswer()
{
    QVERIFY(test::writeFile(m_dir->filePath(QStringLiteral("plain")), {}));
    mdl_ErrorHandle::setProgramFolder(m_dir->filePath(QStringLiteral("plain")));
    QStandardPaths::setTestModeEnabled(false);
    const QByteArray savedHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", m_dir->filePath(QStringLiteral("plain/data")).toLocal8Bit());

    test::ScriptedPrompts prompts;
    prompts.answers << MsgAnswer::Retry << MsgAnswer::Ignore;
    int attempts = 0;
    bool nextRan = false;
    StepRunner runner(prompts, Location);
    const bool finished = runner.run({ [&] {
                                          ++attempts;
                                          throw Error::runtime(err::FileNotFound);
                                      },
        [&] { nextRan = true; } });

    if (savedHome.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", savedHome);
    QStandardPaths::setTestModeEnabled(true);

    QVERIFY(finished);
    QCOMPARE(attempts, 2);
    QVERIFY(nextRan);
    QVERIFY(mdl_ErrorHandle::lastLogPath().isEmpty());
}

QTEST_GUILESS_MAIN(tst_StepRunner)
#include "tst_steprunner.moc"
