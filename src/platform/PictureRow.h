#pragma once

#include "platform/Paths.h"

#include <QString>

namespace brevane {

// One row of the main window's picture list as the conversion reads it: the bare file
// name and the folder that holds it.
struct PictureRow {
    QString text;
    QString folderTag;
    QString targetFolder {}; // where its icon goes; empty: the conversion's own folder

    QString fullPath() const { return Paths::joinPath(folderTag, text); }
    bool operator==(const PictureRow&) const = default;
};

} // namespace brevane
