#include "icon/IconFile.h"

#include "icon/PeResources.h"
#include "platform/Error.h"
#include "platform/Limits.h"
#include "platform/LittleEndian.h"

#include <limits>
#include <map>

namespace brevane {

namespace {

    constexpr qint64 GroupHeaderBytes = 6;
    // A group entry is an ICO directory entry whose last field is the image's resource number.
    constexpr qint64 GroupEntryBytes = 14;

} // namespace

bool IconFile::loadFromExecutable(const QString& path, qint32 id, const QString& groupName)
{
    reset(path);
    const auto pe = PeResources::fromFile(path);
    if (!pe)
        return false;
    return loadFromExecutable(*pe, path, id, groupName);
}

bool IconFile::loadFromExecutable(const PeResources& pe, const QString& path, qint32 id, const QString& groupName)
{
    reset(path);

    QString name;
    if (id != 0) {
        name = QLatin1Char('#') + QString::number(id);
        m_resourceId = id;
    } else {
        name = groupName;
        m_resourceId = groupName;
    }
    const auto found = pe.find(name, PeResources::RT_GROUP_ICON);
    if (!found)
        raise(err::ResourceNotFound, QStringLiteral("Can't find resource."));
    const auto loaded = pe.load(*found);
    if (!loaded)
        raise(err::ResourceNotLoaded, QStringLiteral("Can't load resource."));
    const auto group = pe.lock(*loaded);
    if (!group)
        raise(err::ResourceNotLoaded, QStringLiteral("Can't lock resource."));

    const auto refuse = [&] {
        reset(path);
        raise(err::ResourceUnreadable, QStringLiteral("Failed to read bitmap bits from resource."));
    };
    // The group is read only as far as it really reaches.
    if (qint64(group->size()) < GroupHeaderBytes)
        refuse();
    IconHeader header { le::u16(*group, 0), le::u16(*group, 2), le::i16(*group, 4) };
    if (header.idCount < 1) {
        // A negative count would break the count-equals-entries rule, so it reads as none.
        header.idCount = 0;
        m_header = header;
        return false;
    }
    const qint64 count = header.idCount;
    if (qint64(group->size()) < GroupHeaderBytes + GroupEntryBytes * count)
        refuse();
    // An icon file holds at most 256 images; a group naming one image thousands of times
    // would otherwise become an icon of gigabytes.
    if (count > limits::MaxIconImages) {
        reset(path);
        throw Error(err::ResourceUnreadable, errorSource("cFileIcon"),
            QStringLiteral("Failed to read bitmap bits from resource."),
            QStringLiteral("%1: the icon group lists %2 images, more than an icon file holds (%3)")
                .arg(path)
                .arg(count)
                .arg(limits::MaxIconImages));
    }

    std::vector<IconDirEntry> entries(static_cast<std::size_t>(count));
    std::vector<quint16> ids(static_cast<std::size_t>(count));
    qint64 offset = GroupHeaderBytes + 16 * count;
    for (qint64 k = 0; k < count; ++k) {
        const std::size_t at = static_cast<std::size_t>(GroupHeaderBytes + GroupEntryBytes * k);
        IconDirEntry& e = entries[static_cast<std::size_t>(k)];
        e.bWidth = le::u8(*group, at);
        e.bHeight = le::u8(*group, at + 1);
        e.bColorCount = le::u8(*group, at + 2);
        e.bReserved = le::u8(*group, at + 3);
        e.wPlanes = le::u16(*group, at + 4);
        e.wBitCount = le::u16(*group, at + 6);
        e.dwBytesInRes = le::i32(*group, at + 8);
        ids[static_cast<std::size_t>(k)] = le::u16(*group, at + 12);
        // Laid out as save() will write the file; kept in 64 bits until every size is known to be real.
        e.dwImageOffset = static_cast<qint32>(offset);
        offset += e.dwBytesInRes;
    }

    std::vector<QByteArray> blocks(static_cast<std::size_t>(count));
    // A group may name one image several times; its bytes are then shared, not copied again.
    std::map<quint16, QByteArray> read;
    bool failed = false;
    for (qint64 k = 0; k < count; ++k) {
        const quint16 id = ids[static_cast<std::size_t>(k)];
        const qint32 wanted = entries[static_cast<std::size_t>(k)].dwBytesInRes;
        const auto image = pe.find(PeResources::Key(id), PeResources::Key(PeResources::RT_ICON));
        const auto imageLoaded = image ? pe.load(*image) : std::nullopt;
        if (!imageLoaded) {
            failed = true;
            break;
        }
        const quint32 size = PeResources::size(*image);
        if (size == 0 || wanted < 0 || size != static_cast<quint32>(wanted)) {
            failed = true;
            continue;
        }
        if (const auto it = read.find(id); it != read.end()) {
            blocks[static_cast<std::size_t>(k)] = it->second;
            continue;
        }
        const auto bits = pe.lock(*imageLoaded);
        if (!bits) {
            failed = true;
            break;
        }
        QByteArray block(reinterpret_cast<const char*>(bits->data()), static_cast<qsizetype>(bits->size()));
        read.emplace(id, block);
        blocks[static_cast<std::size_t>(k)] = std::move(block);
    }
    if (failed)
        refuse();
    // Only reachable when the same image is named often enough to pass 2 GiB of offsets.
    if (offset - entries.back().dwBytesInRes > std::numeric_limits<qint32>::max()) {
        reset(path);
        throw Error::runtime(err::Overflow);
    }

    m_header = header;
    m_entries = std::move(entries);
    m_blocks = std::move(blocks);
    return true;
}

} // namespace brevane
