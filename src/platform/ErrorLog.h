#pragma once

#include <QString>

namespace brevane::ErrorLog {

// Appends the time stamp, ":" and the text as one CR LF line to program.log in the
// program's folder; for an installed copy, or when that folder cannot be written, in the
// per-user data folder (~/.local/share/brevane).
// Never throws; returns whether a line was written.
bool append(const QString& text);

// The program's folder: the executable's, unless tests point it elsewhere.
QString programFolder();
void setProgramFolder(const QString& folder); // tests point it elsewhere
// The folder an installed copy keeps its shipped files in (<prefix>/share/brevane for a
// program in <prefix>/bin); empty when the program runs from elsewhere, its build folder say.
QString installedDataFolder();

} // namespace brevane::ErrorLog
