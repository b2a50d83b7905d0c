#include "platform/StepRunner.h"
#include "platform/Error.h"
#include "platform/ErrorLog.h"
#include "support/PlainFiles.h"
#include "support/ScriptedPrompts.h"

#include <stdexcept>

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;

namespace {
const QString Location = QStringLiteral("{5F9DC491-1691-4A9F-A8D2-F66856159B3F}");

[[noreturn]] void fail(int kind)
{
    if (kind == 0)
        throw Error::runtime(err::FileNotFound);
    if (kind == 1)
        throw Error(err::classError(5), errorSource("cFileIcon"), QStringLiteral("The icon is broken"));
    throw std::runtime_error("boom");
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
    void logFallsBackToUserData_data();
    void logFallsBackToUserData();

private:
    QString logPath() const { return m_dir->filePath(QStringLiteral("program.log")); }
    QTemporaryDir* m_dir = nullptr;
};

void tst_StepRunner::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    ErrorLog::setProgramFolder(m_dir->path());
}

void tst_StepRunner::answers_data()
{
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<int>("kind"); // what step 2 throws, once
    QTest::addColumn<QString>("trace");
    QTest::addColumn<QString>("report"); // number and description
    // "a" before the failing step, "b1" inside before the failure, "b2" after it, "c" after.
    const QString notFound = QStringLiteral("53:2\r\nFile not found");
    QTest::newRow("abort leaves at once") << MsgAnswer::Abort << 0 << "a b1" << notFound;
    QTest::newRow("retry reruns the step") << MsgAnswer::Retry << 0 << "a b1 b1 b2 c" << notFound;
    QTest::newRow("ignore goes on with the next") << MsgAnswer::Ignore << 0 << "a b1 c" << notFound;
    QTest::newRow("class error, negative with its sign") << MsgAnswer::Ignore << 1 << "a b1 c"
                                                         << "-2147221499:2\r\nThe icon is broken";
    QTest::newRow("foreign exception") << MsgAnswer::Ignore << 2 << "a b1 c"
                                       << "51:2\r\nInternal error: boom";
}

void tst_StepRunner::answers()
{
    QFETCH(MsgAnswer, answer);
    QFETCH(int, kind);
    QFETCH(QString, trace);
    QFETCH(QString, report);
    QVERIFY(test::writeFile(logPath(), "earlier line\r\n")); // the report is appended
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
    QCOMPARE(result, answer != MsgAnswer::Abort);
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages.first().buttons, MsgButtons::AbortRetryIgnore);
    QCOMPARE(prompts.messages.first().text,
        QStringLiteral("There was an error, if you think this is serious then please write the information "
                       "bellow: \r\n")
            + report);
    const QStringList lines = test::logLines(logPath());
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.first(), QStringLiteral("earlier line"));
    QVERIFY2(lines.last().endsWith(Location + QStringLiteral(":2:") + report.section(QLatin1Char(':'), 0, 0)),
        qPrintable(lines.last()));
}

void tst_StepRunner::logFallsBackToUserData_data()
{
    QTest::addColumn<QString>("program"); // the program's folder, below the temporary one
    QTest::addColumn<QString>("made"); // a folder made first, or a plain file when it has no "/"
    // Running as root makes permission bits useless here: a folder below a plain file cannot be written by anyone.
    QTest::newRow("folder cannot be written") << "plain/program"
                                              << "plain";
    QTest::newRow("installed: bin beside share/brevane") << "prefix/bin"
                                                         << "prefix/share/brevane/";
}

void tst_StepRunner::logFallsBackToUserData()
{
    QFETCH(QString, program);
    QFETCH(QString, made);
    const QDir dir(m_dir->path());
    QVERIFY(made.endsWith(QLatin1Char('/')) ? dir.mkpath(made) && dir.mkpath(program)
                                            : test::writeFile(dir.filePath(made), {}));
    ErrorLog::setProgramFolder(dir.filePath(program));
    const QString fallback = QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
                                 .filePath(QStringLiteral("program.log"));
    QFile::remove(fallback);
    test::ScriptedPrompts prompts;
    prompts.answers << MsgAnswer::Ignore;
    bool nextRan = false;
    StepRunner runner(prompts, Location);
    QVERIFY(runner.run({ [] { throw Error::runtime(err::FileNotFound); }, [&] { nextRan = true; } }));
    QVERIFY(nextRan);
    const QStringList lines = test::logLines(fallback);
    QCOMPARE(lines.size(), 1);
    QVERIFY(lines.first().endsWith(Location + QStringLiteral(":1:53")));
    QVERIFY(!QFile::exists(dir.filePath(program + QStringLiteral("/program.log"))));
    QFile::remove(fallback);
}

QTEST_GUILESS_MAIN(tst_StepRunner)
#include "tst_steprunner.moc"
