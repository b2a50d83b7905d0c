#pragma once

#include "icon/IconFile.h"

#include <QList>
#include <QString>

namespace brevane {

// An ICO or CUR file as a report shows it: its header, its directory and what each image
// block's own header says, read without loading the file as a document (which takes icons
// only). However large the file, only a few KiB of it are read.
struct IconSummary {
    enum class Type { Unknown, Icon, Cursor };

    struct Image {
        // As the directory states it; in a cursor wPlanes and wBitCount hold the hotspot.
        IconDirEntry entry;
        ImageBlockInfo info;
    };

    Type type = Type::Unknown;
    QList<Image> images;
    // Empty for a sound file; otherwise what is wrong with it, naming the image at fault.
    QString problem;

    bool valid() const { return problem.isEmpty(); }

    // Never throws: a file that cannot be read at all is a summary with only its problem set.
    static IconSummary read(const QString& path);
};

} // namespace brevane
