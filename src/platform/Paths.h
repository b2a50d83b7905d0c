#pragma once

#include <QString>

namespace brevane::Paths {

// The folder part of a path, up to and including its last "/" or "\" (the separator the
// path itself used), letter case kept; empty when the path holds no separator.
QString folderOfPath(const QString& path);

// Joins a folder and a file name with the platform's separator, without doubling one the
// folder already ends with (a root folder).
QString joinPath(const QString& folder, const QString& name);

// Whether the character separates folders in the paths the program handles.
bool isPathSeparator(QChar c);

} // namespace brevane::Paths
