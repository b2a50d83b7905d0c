#include <QApplication>
#include <QTextStream>

#include <cstdio>

#include "platform/SafeWrite.h"
#include "platform/widgets/QtPrompts.h"
#include "shell/LaunchArguments.h"
#include "shell/Startup.h"

int main(int argc, char* argv[])
{
    brevane::removeTemporariesOnSignals();
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QTextStream out(stdout);
    if (const int code = brevane::LaunchArguments::answerWithoutWindow(arguments, out); code >= 0)
        return code;

    QApplication app(argc, argv);
    // Again without Qt's own options (-platform, -style), which the first look did not know.
    if (const int code = brevane::LaunchArguments::answerWithoutWindow(QApplication::arguments(), out); code >= 0)
        return code;
    QTextStream err(stderr);
    const auto pictures = brevane::LaunchArguments::pictures(QApplication::arguments(), err);
    err.flush();
    if (!pictures)
        return 2;
    brevane::QtPrompts prompts;
    brevane::Startup::showMainWindow(prompts, *pictures);
    return app.exec();
}
