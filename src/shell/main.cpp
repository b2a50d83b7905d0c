#include <QApplication>

#include "platform/SafeWrite.h"
#include "platform/widgets/QtPrompts.h"
#include "shell/Startup.h"

int main(int argc, char* argv[])
{
    brevane::removeTemporariesOnSignals();
    QApplication app(argc, argv);
    brevane::QtPrompts prompts;
    brevane::Startup::showMainWindow(prompts);
    return app.exec();
}
