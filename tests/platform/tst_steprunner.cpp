#include "platform/StepRunner.h"
#include "platform/Error.h"
#include "platform/ErrorLog.h"
#include "support/PlainFiles.h"
#include "support/ScriptedPrompts.h"

#include <functional>
#include <stdexcept>

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;

static const QString Location = QStringLiteral("{5F9DC491-1691-4A9F-A8D2-F66856159B3F}");

class tst_StepRunner : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void answers_data();
    void answers();
    void logFallsBackToUserData();
};

void tst_StepRunner::answers_data()
{
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<int>("kind"); // what step 2 throws, once: a run-time error, a class error, another exception
    QTest::addColumn<QString>("trace"); // "b1" in step 2 before the failure, "b2" after
    QTest::addColumn<QString>("report"); // number and description
    const QString notFound = QStringLiteral("53:2\r\nFile not found");
    QTest::newRow("abort leaves at once") << MsgAnswer::Abort << 0 << "a b1" << notFound;
    QTest::newRow("retry reruns the step") << MsgAnswer::Retry << 0 << "a b1 b1 b2 c" << notFound;
    QTest::newRow("ignore goes on with the next") << MsgAnswer::Ignore << 0 << "a b1 c" << notFound;
    QTest::newRow("class error") << MsgAnswer::Ignore << 1 << "a b1 c" << "-2147221499:2\r\nThe icon is broken";
    QTest::newRow("foreign exception") << MsgAnswer::Ignore << 2 << "a b1 c" << "51:2\r\nInternal error: boom";
}

void tst_StepRunner::answers()
{
    QFETCH(MsgAnswer, answer);
    QFETCH(int, kind);
    const std::function<void()> fail[] = { [] { throw Error::runtime(err::FileNotFound); },
        [] { throw Error(err::classError(5), errorSource("cFileIcon"), QStringLiteral("The icon is broken")); },
        [] { throw std::runtime_error("boom"); } };
    QFETCH(QString, trace);
    QFETCH(QString, report);
    QTemporaryDir dir;
    ErrorLog::setProgramFolder(dir.path());
    const QString log = dir.filePath(QStringLiteral("program.log"));
    QVERIFY(test::writeFile(log, "earlier line\r\n")); // the report is appended
    test::ScriptedPrompts prompts;
    prompts.answers.enqueue(answer);
    QStringList seen;
    int failures = 1;
    const bool result = StepRunner(prompts, Location).run({
        [&] { seen << QStringLiteral("a"); },
        [&] {
            seen << QStringLiteral("b1");
            if (failures-- > 0)
                fail[kind]();
            seen << QStringLiteral("b2");
        },
        [&] { seen << QStringLiteral("c"); },
    });
    QCOMPARE(seen.join(QLatin1Char(' ')), trace);
    QCOMPARE(result, answer != MsgAnswer::Abort);
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages.first().buttons, MsgButtons::AbortRetryIgnore);
    QCOMPARE(prompts.messages.first().text,
        "There was an error, if you think this is serious then please write the information bellow: \r\n" + report);
    const QStringList lines = test::logLines(log);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.first(), QStringLiteral("earlier line"));
    QVERIFY2(lines.last().endsWith(Location + ":2:" + report.section(':', 0, 0)), qPrintable(lines.last()));
}

// The log goes to the user's data folder when the program's folder cannot be written (as root
// permission bits stop nobody: a folder below a plain file), or when it is installed.
void tst_StepRunner::logFallsBackToUserData()
{
    for (const auto& [program, made] :
        { std::pair { "plain/program", "plain" }, { "prefix/bin", "prefix/share/brevane/" } }) {
        QTemporaryDir temporary;
        const QDir dir(temporary.path());
        QVERIFY(QString(made).endsWith('/') ? dir.mkpath(made) && dir.mkpath(program)
                                            : test::writeFile(dir.filePath(made), {}));
        ErrorLog::setProgramFolder(dir.filePath(program));
        const QString log = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + "/program.log";
        QFile::remove(log);
        test::ScriptedPrompts prompts;
        prompts.answers << MsgAnswer::Ignore;
        QVERIFY(StepRunner(prompts, Location).run({ [] { throw Error::runtime(err::FileNotFound); }, [] {} }));
        const QStringList lines = test::logLines(log);
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines.first().endsWith(Location + ":1:53"));
        QVERIFY(!QFile::exists(dir.filePath(program) + "/program.log"));
        QFile::remove(log);
    }
}

QTEST_GUILESS_MAIN(tst_StepRunner)
#include "tst_steprunner.moc"
