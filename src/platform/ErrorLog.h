#pragma once

#include <QString>

namespace brevane::ErrorLog {

// Appends the time stamp, ":" and the text as one CR LF line to program.log in the
// program's folder (or, when that folder cannot be written, in the per-user data folder).
// Never throws; returns whether a line was written.
bool append(const QString& text);

// The folder program.log is kept in; defaults to the executable's folder.
QString programFolder();
void setProgramFolder(const QString& folder); // tests point it elsewhere

} // namespace brevane::ErrorLog
