#pragma once

#include <QDir>
#include <QString>

namespace brevane {

// One row of the main window's picture list: the bare file name and the folder holding it.
struct PictureRow {
    QString text;      // e.g. Logo.bmp
    QString folderTag; // the folder, without a trailing separator (except at a root)

    QString fullPath() const
    {
        if (folderTag.isEmpty())
            return text;
        if (folderTag.endsWith(QLatin1Char('/')) || folderTag.endsWith(QLatin1Char('\\')))
            return folderTag + text;
        return folderTag + QDir::separator() + text;
    }
};

} // namespace brevane
