#include "shell/Startup.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>

#include "platform/ErrorLog.h"
#include "platform/widgets/QtPrompts.h"
#include "shell/MainWindow.h"

namespace brevane::Startup {

void showMainWindow(Prompts& prompts)
{
    setUpApplication();
    auto* window = new MainWindow(prompts);
    window->setAttribute(Qt::WA_DeleteOnClose);
    // Message boxes and choosers stay in front of the main window.
    if (auto* desktop = dynamic_cast<QtPrompts*>(&prompts))
        desktop->setParentWidget(window);
    window->show();
    window->showStartupTipsOnScreen();
}

void setUpApplication()
{
    if (!QCoreApplication::instance())
        return;
    QCoreApplication::setApplicationName(QStringLiteral("brevane"));
    // No display name: Qt would append it to every caption, and captions are exactly the
    // windows' own texts.
    QGuiApplication::setDesktopFileName(QStringLiteral("brevane"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/brevane.svg")));
}

QString programFile(const QString& name)
{
    const QDir folder(ErrorLog::programFolder());
    const QString beside = folder.filePath(name);
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed = folder.filePath(QStringLiteral("../share/brevane/") + name);
    if (QFileInfo::exists(installed))
        return QDir::cleanPath(installed);
    return beside;
}

} // namespace brevane::Startup
