#pragma once

#include <QString>
#include <QStringList>

namespace brevane {
class Prompts;
}

namespace brevane::Startup {

// Prepares the widgets, shows the main window modeless, with the pictures the program was
// started with in its list, and, once it is on screen, the tip of the day over it.
// The main window deletes itself when closed; the prompts must outlive it.
void showMainWindow(Prompts& prompts, const QStringList& pictures = {});
// Application-wide names and icon.
void setUpApplication();

// A file that ships with the program (tips.txt, files.gif): beside the executable, or
// for an installed copy in its data folder. The first of these that exists; else the first.
QString programFile(const QString& name);

} // namespace brevane::Startup
