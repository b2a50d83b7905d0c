#pragma once

#include <QString>

namespace brevane {
class Prompts;
}

namespace brevane::mdl_Main {

// Prepares the widgets, shows the main window modeless and, over it, the tip of the day.
// The main window deletes itself when closed; the prompts must outlive it.
void Main(Prompts& prompts);
// Application-wide set-up of the widget classes: names, icon. Never fails start-up.
bool InitCommonControlClasses();
// This build never runs hosted in a development environment.
bool IsRunningInIde();

QString FolderOfPath(const QString& sPath);
bool FileExists(const QString& sPath);

// The program's folder: the executable's, unless tests point it elsewhere.
QString ProgramFolder();
// A file that ships with the program (tips.txt, files.gif): beside the executable, or
// for an installed copy in its data folder. The first of these that exists; else the first.
QString ProgramFile(const QString& sName);

} // namespace brevane::mdl_Main
