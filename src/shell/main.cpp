#include <QApplication>

#include "platform/widgets/QtPrompts.h"
#include "shell/Startup.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    brevane::QtPrompts prompts;
    brevane::Startup::showMainWindow(prompts);
    return app.exec();
}
