#pragma once

#include <QHashFunctions>
#include <QString>

#include <optional>

namespace brevane {

// Which file a path leads to: its device and inode, links followed. Two paths lead to the
// same file whatever their spelling, links or hard links in between.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
    friend size_t qHash(const FileIdentity& id, size_t seed = 0) noexcept
    {
        return qHashMulti(seed, id.device, id.inode);
    }
};

// Nothing when the path leads to no file (a missing file, a dangling link).
std::optional<FileIdentity> fileIdentity(const QString& path);

// Whether writing `output` would write over `input`. A missing output is never the same
// file as anything, so a command checks each of its inputs against its output before
// writing: `if (sameFile(input, output))` refuse.
bool sameFile(const QString& input, const QString& output);

} // namespace brevane
