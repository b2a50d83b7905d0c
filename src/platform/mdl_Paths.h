#pragma once

#include <QString>

namespace brevane::mdl_Paths {

// The folder part of a path, up to and including its last "/" or "\" (the separator the
// path itself used), letter case kept; empty when the path holds no separator.
QString FolderOfPath(const QString& sPath);

// Whether something (a file or a folder) exists at the path.
bool FileExists(const QString& sPath);

// Joins a folder and a file name with the platform's separator, without doubling one the
// folder already ends with (a root folder).
QString JoinPath(const QString& sFolder, const QString& sName);

// Whether the character separates folders in the paths the program handles.
bool IsPathSeparator(QChar c);

} // namespace brevane::mdl_Paths
