#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <variant>

namespace brevane {

// Reads the resources of a Windows executable or library (PE32 and PE32+) without running
// or mapping it: the four steps a program needs of the platform's resource loader
// (find by name and type, load, lock, size). Every offset and size the file states is
// checked against the file, its section and the resource before it is used.
// Lookups take constant time once a directory was seen (an index is built on first use),
// so reading every group of a file is linear in its size. One object may be shared
// between threads.
class PeResources {
public:
    // A resource name or type: a number or a string.
    using Key = std::variant<quint16, QString>;

    // What find() hands out: the resource's data entry.
    struct Found {
        quint32 dataRva = 0;
        quint32 size = 0;
    };
    // What load() hands out: where the resource's bytes lie in the file.
    struct Loaded {
        qint64 offset = 0;
        qint64 size = 0;
    };

    // Standard resource types this program asks for.
    static constexpr quint16 RT_ICON = 3;
    static constexpr quint16 RT_GROUP_ICON = 14;

    // Nothing when the bytes are not a PE image whose headers and section table fit.
    static std::optional<PeResources> fromBytes(QByteArray bytes);
    // Looks at the headers first and reads only as far as the headers and sections reach
    // (an appended payload is skipped), refusing a file whose sections reach past
    // limits::MaxExecutableBytes. `whyNot` says why nothing was returned.
    static std::optional<PeResources> fromFile(const QString& path, QString* whyNot = nullptr);

    // "#" followed by decimal digits names a number; anything else is a string.
    static Key key(const QString& name);
    static QString keyText(const Key& k);

    // The first language of the resource named and typed so; names compare without
    // regard to case.
    std::optional<Found> find(const Key& name, const Key& type) const;
    std::optional<Found> find(const QString& name, quint16 type) const { return find(key(name), Key(type)); }
    // Nothing when the data lies outside the file or outside every section.
    std::optional<Loaded> load(const Found& found) const;
    std::optional<std::span<const quint8>> lock(const Loaded& loaded) const;
    static quint32 size(const Found& found) { return found.size; }

    // Names of every resource of one type, in directory order (strings first, then numbers).
    QList<Key> names(const Key& type) const;
    // Whether the file has a resource directory at all; a program without one has no icons.
    bool hasResources() const { return m_rsrcOffset >= 0; }

private:
    struct Section {
        quint32 virtualAddress = 0;
        quint32 rawSize = 0;
        qint64 rawOffset = 0;
    };
    struct DirEntry {
        quint32 name = 0;
        quint32 target = 0;
    };

    struct Index;

    PeResources() = default;

    std::span<const quint8> bytes() const;
    // File offset and bytes available from an address up to the end of its section.
    std::optional<std::pair<qint64, qint64>> mapRva(quint32 rva) const;
    // Entries of the subdirectory at a directory-relative offset; empty when it does not fit.
    QList<DirEntry> entries(quint32 dirOffset) const;
    std::optional<QString> nameString(quint32 name) const;
    std::optional<quint32> subdirectory(quint32 dirOffset, const Key& k) const;

    QByteArray m_data;
    QList<Section> m_sections;
    // The resource directory: where it starts in the file and how many bytes its section holds from there.
    qint64 m_rsrcOffset = -1;
    qint64 m_rsrcLength = 0;
    std::shared_ptr<Index> m_index;
};

} // namespace brevane
