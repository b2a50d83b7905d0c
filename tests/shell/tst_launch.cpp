#include "platform/ErrorLog.h"
#include "shell/LaunchArguments.h"
#include "shell/MainWindow.h"
#include "shell/Startup.h"
#include "support/PlainFiles.h"
#include "support/ScriptedPrompts.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;

// How each program is started from a terminal or a file manager: --version, and pictures to list.
class tst_Launch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void version_data();
    void version();
    void startsWithPictures_data();
    void startsWithPictures();
};

void tst_Launch::version_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("desktop program") << "brevane";
    QTest::newRow("command-line tool") << "brevane-cli";
}

void tst_Launch::version()
{
    QFETCH(QString, program);
    // No display at all: the version must not need a window system.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        env.remove(QString::fromLatin1(name));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(BREVANE_BINARY_DIR "/") + program, { QStringLiteral("--version") });
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(QString::fromLocal8Bit(p.readAllStandardOutput()), program + QStringLiteral(" " BREVANE_VERSION "\n"));
}

void tst_Launch::startsWithPictures_data()
{
    QTest::addColumn<QStringList>("arguments"); // below a temporary folder holding one.gif and sub/
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QStringList>("reported");
    QTest::newRow("no argument: empty list") << QStringList {} << QStringList {} << QStringList {};
    QTest::newRow("two pictures, in order")
        << QStringList { "sub/two.png", "one.gif" } << QStringList { "two.png", "one.gif" } << QStringList {};
    QTest::newRow("missing file and folder skipped") << QStringList { "gone.bmp", "one.gif",
        "sub" } << QStringList { "one.gif" } << QStringList { "gone.bmp: no such file", "sub: not a file" };
}

void tst_Launch::startsWithPictures()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, listed);
    QFETCH(QStringList, reported);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QFile::copy(QStringLiteral(BREVANE_BINARY_DIR "/files.gif"), dir.filePath(QStringLiteral("files.gif"))));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    QVERIFY(test::writeFile(dir.filePath(QStringLiteral("one.gif")), "GIF89a"));
    QVERIFY(test::writeFile(dir.filePath(QStringLiteral("sub/two.png")), "png"));
    ErrorLog::setProgramFolder(dir.path());
    QDir::setCurrent(dir.path());

    QString errText;
    QTextStream err(&errText);
    const auto pictures = LaunchArguments::pictures(QStringList { QStringLiteral("brevane") } + arguments, err);
    err.flush();
    QVERIFY(pictures);
    test::ScriptedPrompts prompts;
    prompts.settings.insert(QStringLiteral("Options/Show Tips at Startup"), QStringLiteral("0"));
    Startup::showMainWindow(prompts, *pictures);
    MainWindow* form = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        form = form ? form : qobject_cast<MainWindow*>(w);
    QVERIFY(form);
    QVERIFY(form->isVisible());
    QStringList texts;
    for (const PictureRow& row : form->rows()) {
        texts.append(row.text);
        QVERIFY(QFileInfo::exists(row.fullPath()));
    }
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(texts, listed);
    const QStringList lines = errText.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), reported.size());
    for (int i = 0; i < lines.size(); ++i)
        QVERIFY2(lines.at(i).contains(reported.at(i)), qPrintable(lines.at(i)));
}

QTEST_MAIN(tst_Launch)
#include "tst_launch.moc"
