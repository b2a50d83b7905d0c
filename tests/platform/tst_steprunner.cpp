#include "platform/StepRunner.h"
#include "platform/Error.h"
#include "platform/mdl_ErrorHandle.h"
#include "support/ScriptedPrompts.h"

#include <stdexcept>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;

namespace {
const QString Location = QStringLiteral("{5F9DC491-1691-4A9F-A8D2-F66856159B3F}");

QStringList logLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromLocal8Bit(file.readAll());
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}
}

class tst_StepRunner : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void answers_data();
    void answers();
    void messageText_data();
    void messageText();
    void retryThatKeepsFailing();
    void stepsAfterAbortDoNotRun();
    void logAppendsAndKeepsEarlierContent();
    void logLineShape();
    void unwritableProgramFolderFallsBack_data();
    void unwritableProgramFolderFallsBack();
    void noWritableLogStillObeysAnswer();

private:
    QTemporaryDir* m_dir = nullptr;
};

void tst_StepRunner::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void tst_StepRunner::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    mdl_ErrorHandle::setProgramFolder(m_dir->path());
}

void tst_StepRunner::cleanup()
{
    delete m_dir;
    m_dir = nullptr;
}

void tst_StepRunner::answers_data()
{
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<QString>("expectedTrace");
    QTest::addColumn<bool>("expectedResult");

    // Step 2 fails once: "a" before it, "b1" inside before the failure, "b2" after it, "c" after.
    QTest::newRow("abort leaves at once") << MsgAnswer::Abort << QStringLiteral("a b1") << false;
    QTest::newRow("retry reruns the step") << MsgAnswer::Retry << QStringLiteral("a b1 b1 b2 c") << true;
    QTest::newRow("ignore goes on with the next") << MsgAnswer::Ignore << QStringLiteral("a b1 c") << true;
    QTest::newRow("cancel, not offered, leaves") << MsgAnswer::Cancel << QStringLiteral("a b1") << false;
}

void tst_StepRunner::answers()
{
    QFETCH(MsgAnswer, answer);
    QFETCH(QString, expectedTrace);
    QFETCH(bool, expectedResult);

    test::ScriptedPrompts prompts;
    prompts.answers.enqueue(answer);
    QStringList trace;
    int failures = 1;
    StepRunner runner(prompts, Location);
    const bool result = runner.run({
        [&] { trace << QStringLiteral("a"); },
        [&] {
            trace << QStringLiteral("b1");
            if (failures-- > 0)
                throw Error::runtime(err::FileNotFound);
            trace << QStringLiteral("b2");
        },
        [&] { trace << QStringLiteral("c"); },
    });

    QCOMPARE(trace.join(QLatin1Char(' ')), expectedTrace);
    QCOMPARE(result, expectedResult);
    QCOMPARE(runner.aborted(), !expectedResult);
    QCOMPARE(prompts.messages.size(), 1);
    const QStringList lines = logLines(m_dir->filePath(QStringLiteral("program.log")));
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().endsWith(Location + QStringLiteral(":2:53")), qPrintable(lines.first()));
}

void tst_StepRunner::messageText_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("numberAndDescription");
    QTest::addColumn<QString>("logTail");

    QTest::newRow("run-time error 53") << 0 << QStringLiteral("53:1\r\nFile not found") << QStringLiteral(":1:53");
    QTest::newRow("class error, negative with its sign")
        << 1 << QStringLiteral("-2147221499:1\r\nThe icon is broken") << QStringLiteral(":1:-2147221499");
    QTest::newRow("out of memory is 7") << 2 << QStringLiteral("7:1\r\nOut of memory") << QStringLiteral(":1:7");
    QTest::newRow("foreign exception is reported too")
        << 3 << QStringLiteral("51:1\r\nInternal error: boom") << QStringLiteral(":1:51");
}

void tst_StepRunner::messageText()
{
    QFETCH(int, kind);
    QFETCH(QString, numberAndDescription);
    QFETCH(QString, logTail);

    test::ScriptedPrompts prompts;
    prompts.answers.enqueue(MsgAnswer::Ignore);
    StepRunner runner(prompts, Location);
    const StepRunner::Result result = runner.step(1, [kind] {
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
    });
    QCOMPARE(result, StepRunner::Result::Skipped);
    QCOMPARE(prompts.messages.size(), 1);
    const test::ShownMessage& shown = prompts.messages.first();
    QCOMPARE(shown.title, QStringLiteral("Error"));
    QCOMPARE(shown.icon, MsgIcon::Critical);
    QCOMPARE(shown.buttons, MsgButtons::AbortRetryIgnore);
    QCOMPARE(shown.text,
        QStringLiteral("There was an error, if you think this is serious then please write the information "
                       "bellow: \r\n")
            + numberAndDescription);
    const QStringList lines = logLines(m_dir->filePath(QStringLiteral("program.log")));
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().endsWith(Location + logTail), qPrintable(lines.first()));
}

void tst_StepRunner::retryThatKeepsFailing()
{
    test::ScriptedPrompts prompts;
    prompts.answers << MsgAnswer::Retry << MsgAnswer::Retry << MsgAnswer::Abort;
    int attempts = 0;
    StepRunner runner(prompts, Location);
    const StepRunner::Result result = runner.step(4, [&] {
        ++attempts;
        throw Error::runtime(err::InvalidPicture);
    });
    QCOMPARE(result, StepRunner::Result::Aborted);
    QCOMPARE(attempts, 3);
    QCOMPARE(prompts.messages.size(), 3);
    QCOMPARE(logLines(m_dir->filePath(QStringLiteral("program.log"))).size(), 3);
}

void tst_StepRunner::stepsAfterAbortDoNotRun()
{
    test::ScriptedPrompts prompts;
    StepRunner runner(prompts, Location); // unscripted: the first button, Abort
    QCOMPARE(runner.step(1, [] { throw Error::runtime(err::Overflow); }), StepRunner::Result::Aborted);
    bool ran = false;
    QCOMPARE(runner.step(2, [&] { ran = true; }), StepRunner::Result::Aborted);
    QVERIFY(!ran);
}

void tst_StepRunner::logAppendsAndKeepsEarlierContent()
{
    const QString path = m_dir->filePath(QStringLiteral("program.log"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("earlier line\r\n");
    }
    test::ScriptedPrompts prompts;
    prompts.answers << MsgAnswer::Ignore << MsgAnswer::Ignore;
    StepRunner runner(prompts, Location);
    runner.run({ [] { throw Error::runtime(err::TypeMismatch); }, [] { throw Error::runtime(err::Overflow); } });

    const QStringList lines = logLines(path);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0), QStringLiteral("earlier line"));
    QVERIFY(lines.at(1).endsWith(Location + QStringLiteral(":1:13")));
    QVERIFY(lines.at(2).endsWith(Location + QStringLiteral(":2:6")));
    QCOMPARE(mdl_ErrorHandle::lastLogPath(), path);
}

void tst_StepRunner::logLineShape()
{
    QVERIFY(mdl_ErrorHandle::WriteErrorLog(QStringLiteral("{X}:0:53")));
    const QString path = m_dir->filePath(QStringLiteral("program.log"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray raw = file.readAll();
    QVERIFY(raw.endsWith("\r\n"));
    QCOMPARE(raw.count('\n'), 1);
    // A time stamp (date, a blank, time), then the text, nothing else.
    static const QRegularExpression shape(QStringLiteral("^\\S+ \\S.*\\d:\\{X\\}:0:53\r\n$"));
    QVERIFY2(shape.match(QString::fromLocal8Bit(raw)).hasMatch(), raw.constData());
}

void tst_StepRunner::unwritableProgramFolderFallsBack_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("program folder below a plain file") << 0;
    QTest::newRow("program.log is a folder") << 1;
}

void tst_StepRunner::unwritableProgramFolderFallsBack()
{
    QFETCH(int, kind);
    // Running as root makes permission bits useless here; these cannot be written by anyone.
    if (kind == 0) {
        QFile plain(m_dir->filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
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
    const QStringList lines = logLines(fallback);
    QCOMPARE(lines.size(), 1);
    QVERIFY(lines.first().endsWith(Location + QStringLiteral(":1:53")));
    QFile::remove(fallback);
}

void tst_StepRunner::noWritableLogStillObeysAnswer()
{
    QFile plain(m_dir->filePath(QStringLiteral("plain")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
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
