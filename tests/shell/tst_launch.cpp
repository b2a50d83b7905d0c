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
    void version();
    void startsWithPictures();
};

// No display at all: the version must not need a window system.
void tst_Launch::version()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        env.remove(QString::fromLatin1(name));
    for (const QString program : { "brevane", "brevane-cli" }) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(BREVANE_BINARY_DIR "/") + program, { QStringLiteral("--version") });
        QVERIFY(p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(QString::fromLocal8Bit(p.readAllStandardOutput()), program + QStringLiteral(" " BREVANE_VERSION "\n"));
    }
}

// Pictures in the order given, below the working folder; a missing file and a folder are
// reported and skipped.
void tst_Launch::startsWithPictures()
{
    QTemporaryDir dir;
    QVERIFY(QFile::copy(QStringLiteral(BREVANE_BINARY_DIR "/files.gif"), dir.filePath(QStringLiteral("files.gif"))));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    QVERIFY(test::writeFile(dir.filePath(QStringLiteral("one.gif")), "GIF89a"));
    QVERIFY(test::writeFile(dir.filePath(QStringLiteral("sub/two.png")), "png"));
    ErrorLog::setProgramFolder(dir.path());
    QDir::setCurrent(dir.path());
    QString errText;
    QTextStream err(&errText);
    const auto pictures = LaunchArguments::pictures({ "brevane", "sub/two.png", "gone.bmp", "one.gif", "sub" }, err);
    err.flush();
    QVERIFY(pictures);
    test::ScriptedPrompts prompts;
    prompts.settings.insert(QStringLiteral("Options/Show Tips at Startup"), QStringLiteral("0"));
    Startup::showMainWindow(prompts, *pictures);
    MainWindow* form = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        form = form ? form : qobject_cast<MainWindow*>(w);
    QVERIFY(form && form->isVisible());
    QStringList texts;
    for (const PictureRow& row : form->rows())
        texts.append(QFileInfo::exists(row.fullPath()) ? row.text : QStringLiteral("missing ") + row.text);
    delete form;
    QCOMPARE(texts, QStringList({ "two.png", "one.gif" }));
    const QStringList lines = errText.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].contains("gone.bmp: no such file") && lines[1].contains("sub: not a file"), qPrintable(errText));
}

QTEST_MAIN(tst_Launch)
#include "tst_launch.moc"
