#include "platform/mdl_Paths.h"

#include <QDir>
#include <QFileInfo>

namespace brevane::mdl_Paths {

bool IsPathSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
}

QString FolderOfPath(const QString& sPath)
{
    for (qsizetype i = sPath.size() - 1; i >= 0; --i) {
        if (IsPathSeparator(sPath.at(i)))
            return sPath.left(i + 1);
    }
    return QString();
}

bool FileExists(const QString& sPath)
{
    if (sPath.isEmpty())
        return false;
    return QFileInfo::exists(sPath);
}

QString JoinPath(const QString& sFolder, const QString& sName)
{
    if (sFolder.isEmpty())
        return sName;
    if (IsPathSeparator(sFolder.back()))
        return sFolder + sName;
    return sFolder + QDir::separator() + sName;
}

} // namespace brevane::mdl_Paths
