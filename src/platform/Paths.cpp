#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>

namespace brevane::Paths {

bool isPathSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
}

QString folderOfPath(const QString& path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (isPathSeparator(path.at(i)))
            return path.left(i + 1);
    }
    return QString();
}

QString joinPath(const QString& folder, const QString& name)
{
    if (folder.isEmpty())
        return name;
    if (isPathSeparator(folder.back()))
        return folder + name;
    return folder + QDir::separator() + name;
}

} // namespace brevane::Paths
