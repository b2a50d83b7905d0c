#pragma once

#include "cli/CommandLine.h"

#include "icon/IconFile.h"
#include "icon/PeResources.h"

namespace brevane::cli {

// "id 3" or "name MAINICON" (safe to print), as list and extract name a group.
inline QString groupLabel(const PeResources::Key& k)
{
    if (const quint16* id = std::get_if<quint16>(&k))
        return QStringLiteral("id %1").arg(*id);
    return QStringLiteral("name ") + printable(std::get<QString>(k));
}

// What list and extract say of a file without icon groups, and why it has none when the file knows.
inline QString noGroupsText(const PeResources& pe)
{
    return pe.hasResources() ? QStringLiteral("no icon groups")
                             : QStringLiteral("no icon groups: it has no resources at all");
}

// Loads the icon group with id or name k; false when it holds no images; raises Error when damaged.
inline bool loadGroup(IconFile& icon, const PeResources& pe, const QString& file, const PeResources::Key& k)
{
    if (const quint16* id = std::get_if<quint16>(&k))
        return icon.loadFromExecutable(pe, file, *id);
    return icon.loadFromExecutable(pe, file, 0, std::get<QString>(k));
}

} // namespace brevane::cli
