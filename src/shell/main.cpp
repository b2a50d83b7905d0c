#include <QApplication>

#include "platform/widgets/QtPrompts.h"
#include "shell/mdl_Main.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    brevane::QtPrompts prompts;
    brevane::mdl_Main::Main(prompts);
    return app.exec();
}
