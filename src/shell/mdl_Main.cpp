#include "shell/mdl_Main.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>

#include "platform/mdl_ErrorHandle.h"
#include "platform/mdl_Paths.h"
#include "platform/widgets/QtPrompts.h"
#include "shell/frm_Main.h"

namespace brevane::mdl_Main {

void Main(Prompts& prompts)
{
    InitCommonControlClasses();
    auto* form = new frm_Main(prompts);
    form->setAttribute(Qt::WA_DeleteOnClose);
    // Message boxes and choosers stay in front of the main window.
    if (auto* desktop = dynamic_cast<QtPrompts*>(&prompts))
        desktop->setParentWidget(form);
    form->show();
    form->ShowStartupTips();
}

bool InitCommonControlClasses()
{
    try {
        if (QCoreApplication::instance()) {
            QCoreApplication::setApplicationName(QStringLiteral("brevane"));
            QGuiApplication::setApplicationDisplayName(QStringLiteral("Brevane"));
            QGuiApplication::setDesktopFileName(QStringLiteral("brevane"));
            QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/brevane.svg")));
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool IsRunningInIde()
{
    return false;
}

QString FolderOfPath(const QString& sPath)
{
    return mdl_Paths::FolderOfPath(sPath);
}

bool FileExists(const QString& sPath)
{
    return mdl_Paths::FileExists(sPath);
}

QString ProgramFolder()
{
    return mdl_ErrorHandle::programFolder();
}

QString ProgramFile(const QString& sName)
{
    const QString beside = QDir(ProgramFolder()).filePath(sName);
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed = QDir(ProgramFolder()).filePath(QStringLiteral("../share/brevane/") + sName);
    if (QFileInfo::exists(installed))
        return QDir::cleanPath(installed);
    return beside;
}

} // namespace brevane::mdl_Main
