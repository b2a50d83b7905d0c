#include "shell/Startup.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>

#include "platform/ErrorLog.h"
#include "platform/widgets/QtPrompts.h"
#include "shell/MainWindow.h"

namespace brevane::Startup {

void showMainWindow(Prompts& prompts, const QStringList& pictures)
{
    setUpApplication();
    auto* window = new MainWindow(prompts);
    window->setAttribute(Qt::WA_DeleteOnClose);
    // Message boxes and choosers stay in front of the main window.
    if (auto* desktop = dynamic_cast<QtPrompts*>(&prompts))
        desktop->setParentWidget(window);
    window->addFiles(pictures);
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
    QGuiApplication::setDesktopFileName(QStringLiteral(BREVANE_APP_ID));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/brevane.svg")));
}

QString programFile(const QString& name)
{
    const QDir folder(ErrorLog::programFolder());
    const QString beside = folder.filePath(name);
    if (QFileInfo::exists(beside))
        return beside;
    const QString data = ErrorLog::installedDataFolder();
    if (!data.isEmpty() && QFileInfo::exists(QDir(data).filePath(name)))
        return QDir(data).filePath(name);
    return beside;
}

} // namespace brevane::Startup
