#include "icon/PeResources.h"

#include "platform/Error.h"
#include "platform/Limits.h"
#include "platform/LittleEndian.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <mutex>
#include <unordered_map>

namespace brevane {

namespace {

    constexpr qint64 DosHeaderBytes = 64;
    constexpr qint64 CoffHeaderBytes = 20;
    constexpr qint64 SectionHeaderBytes = 40;
    constexpr qint64 DirectoryBytes = 16;
    constexpr qint64 DirectoryEntryBytes = 8;
    constexpr qint64 DataEntryBytes = 16;
    constexpr quint32 HighBit = 0x80000000u;
    constexpr int ResourceDataDirectory = 2;

    bool fits(qint64 offset, qint64 length, qint64 total)
    {
        return offset >= 0 && length >= 0 && offset <= total && length <= total - offset;
    }

} // namespace

// Subdirectories by name, and the chosen language of a name's directory, for each
// directory looked up so far: a file of thousands of groups is then read in linear time,
// even when its directories are shared or out of order.
struct PeResources::Index {
    struct Directory {
        QHash<quint16, quint32> numbers;
        QHash<QString, quint32> names; // case-folded
    };
    std::mutex mutex;
    std::unordered_map<quint32, Directory> directories;
    std::unordered_map<quint32, std::optional<Found>> languages;
};

std::optional<PeResources> PeResources::fromFile(const QString& path, QString* whyNot)
{
    const auto refuse = [whyNot](const QString& reason) -> std::optional<PeResources> {
        if (whyNot)
            *whyNot = reason;
        return std::nullopt;
    };
    const QString notPe = QStringLiteral("not a Windows executable or library");
    const QFileInfo info(path);
    if (!info.exists())
        return refuse(QStringLiteral("no such file"));
    if (!info.isFile())
        return refuse(QStringLiteral("not a regular file"));
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return refuse(f.errorString());
    const qint64 total = f.size();

    // The DOS header, the PE header and the section table say how far the image reaches.
    const QByteArray dos = f.read(DosHeaderBytes);
    if (dos.size() != DosHeaderBytes || !dos.startsWith("MZ"))
        return refuse(notPe);
    const qint64 peOffset = le::u32(le::bytes(dos), 0x3C);
    if (!fits(peOffset, 4 + CoffHeaderBytes, total) || !f.seek(peOffset))
        return refuse(notPe);
    const QByteArray pe = f.read(4 + CoffHeaderBytes);
    if (pe.size() != 4 + CoffHeaderBytes || !pe.startsWith(QByteArrayView("PE\0\0", 4)))
        return refuse(notPe);
    const qint64 sectionCount = le::u16(le::bytes(pe), 4 + 2);
    const qint64 sectionTable = peOffset + 4 + CoffHeaderBytes + le::u16(le::bytes(pe), 4 + 16);
    if (!fits(sectionTable, sectionCount * SectionHeaderBytes, total) || !f.seek(sectionTable))
        return refuse(notPe);
    const QByteArray sections = f.read(sectionCount * SectionHeaderBytes);
    if (sections.size() != sectionCount * SectionHeaderBytes)
        return refuse(notPe);
    qint64 extent = sectionTable + sections.size();
    for (qint64 s = 0; s < sectionCount; ++s) {
        const qint64 rawSize = le::u32(le::bytes(sections), s * SectionHeaderBytes + 16);
        const qint64 rawOffset = le::u32(le::bytes(sections), s * SectionHeaderBytes + 20);
        if (rawOffset < total)
            extent = std::max(extent, std::min(rawOffset + rawSize, total));
    }
    if (extent > limits::MaxExecutableBytes)
        return refuse(QStringLiteral("its sections reach %1 bytes, more than an executable may have (%2)")
                          .arg(extent)
                          .arg(limits::MaxExecutableBytes));

    QByteArray data;
    try {
        if (f.seek(0))
            data = f.read(extent);
    } catch (const std::bad_alloc&) {
        return refuse(Error::runtimeDescription(err::OutOfMemory));
    }
    if (data.size() != extent)
        return refuse(f.errorString());
    auto result = fromBytes(std::move(data));
    if (!result)
        return refuse(notPe);
    return result;
}

std::optional<PeResources> PeResources::fromBytes(QByteArray bytes)
{
    PeResources pe;
    pe.m_data = std::move(bytes);
    pe.m_index = std::make_shared<Index>();
    const auto d = pe.bytes();
    const qint64 total = static_cast<qint64>(d.size());

    if (total < DosHeaderBytes || d[0] != 'M' || d[1] != 'Z')
        return std::nullopt;
    const qint64 peOffset = le::u32(d, 0x3C);
    if (!fits(peOffset, 4 + CoffHeaderBytes, total))
        return std::nullopt;
    if (d[peOffset] != 'P' || d[peOffset + 1] != 'E' || d[peOffset + 2] != 0 || d[peOffset + 3] != 0)
        return std::nullopt;

    const qint64 coff = peOffset + 4;
    const qint64 sectionCount = le::u16(d, coff + 2);
    const qint64 optionalSize = le::u16(d, coff + 16);
    const qint64 optional = coff + CoffHeaderBytes;
    if (optionalSize < 2 || !fits(optional, optionalSize, total))
        return std::nullopt;

    // PE32 and PE32+ differ in where the data directories start.
    qint64 countAt = 0;
    switch (le::u16(d, optional)) {
    case 0x10B:
        countAt = 92;
        break;
    case 0x20B:
        countAt = 108;
        break;
    default:
        return std::nullopt;
    }
    if (optionalSize < countAt + 4)
        return std::nullopt;

    const qint64 sectionTable = optional + optionalSize;
    if (!fits(sectionTable, sectionCount * SectionHeaderBytes, total))
        return std::nullopt;
    for (qint64 s = 0; s < sectionCount; ++s) {
        const qint64 at = sectionTable + s * SectionHeaderBytes;
        Section sec;
        sec.virtualAddress = le::u32(d, at + 12);
        const qint64 rawSize = le::u32(d, at + 16);
        sec.rawOffset = le::u32(d, at + 20);
        // Raw data that runs past the end of the file is cut at the end of the file.
        sec.rawSize = sec.rawOffset >= total ? 0 : static_cast<quint32>(std::min(rawSize, total - sec.rawOffset));
        pe.m_sections.push_back(sec);
    }

    // A PE without a resource directory is still an executable: it just has no resources.
    const qint64 directoryCount = le::u32(d, optional + countAt);
    const qint64 resourceEntry = countAt + 4 + ResourceDataDirectory * 8;
    if (directoryCount > ResourceDataDirectory && optionalSize >= resourceEntry + 8) {
        const quint32 rva = le::u32(d, optional + resourceEntry);
        if (rva != 0) {
            if (const auto mapped = pe.mapRva(rva)) {
                pe.m_rsrcOffset = mapped->first;
                pe.m_rsrcLength = mapped->second;
            }
        }
    }
    return pe;
}

std::span<const quint8> PeResources::bytes() const
{
    return le::bytes(m_data);
}

std::optional<std::pair<qint64, qint64>> PeResources::mapRva(quint32 rva) const
{
    for (const Section& s : m_sections) {
        if (rva >= s.virtualAddress && rva - s.virtualAddress < s.rawSize) {
            const qint64 into = rva - s.virtualAddress;
            return std::make_pair(s.rawOffset + into, qint64(s.rawSize) - into);
        }
    }
    return std::nullopt;
}

QList<PeResources::DirEntry> PeResources::entries(quint32 dirOffset) const
{
    QList<DirEntry> out;
    if (m_rsrcOffset < 0 || !fits(dirOffset, DirectoryBytes, m_rsrcLength))
        return out;
    const auto d = bytes();
    const qint64 at = m_rsrcOffset + dirOffset;
    const qint64 count = qint64(le::u16(d, at + 12)) + le::u16(d, at + 14);
    // A directory that claims more entries than its section holds is refused as a whole.
    if (!fits(qint64(dirOffset) + DirectoryBytes, count * DirectoryEntryBytes, m_rsrcLength))
        return out;
    out.reserve(count);
    for (qint64 i = 0; i < count; ++i) {
        const qint64 e = at + DirectoryBytes + i * DirectoryEntryBytes;
        out.push_back({ le::u32(d, e), le::u32(d, e + 4) });
    }
    return out;
}

std::optional<QString> PeResources::nameString(quint32 name) const
{
    if (!(name & HighBit))
        return std::nullopt;
    const qint64 rel = name & ~HighBit;
    if (!fits(rel, 2, m_rsrcLength))
        return std::nullopt;
    const auto d = bytes();
    const qint64 length = le::u16(d, m_rsrcOffset + rel);
    if (!fits(rel + 2, length * 2, m_rsrcLength))
        return std::nullopt;
    QString s(length, Qt::Uninitialized);
    for (qint64 i = 0; i < length; ++i)
        s[i] = QChar(le::u16(d, m_rsrcOffset + rel + 2 + 2 * i));
    return s;
}

std::optional<quint32> PeResources::subdirectory(quint32 dirOffset, const Key& k) const
{
    const std::lock_guard lock(m_index->mutex);
    auto [it, added] = m_index->directories.try_emplace(dirOffset);
    Index::Directory& dir = it->second;
    if (added) {
        // The first entry of a name wins, as a scan in directory order would find it.
        for (const DirEntry& e : entries(dirOffset)) {
            if (!(e.target & HighBit))
                continue;
            if (!(e.name & HighBit)) {
                if (e.name <= 0xFFFF && !dir.numbers.contains(static_cast<quint16>(e.name)))
                    dir.numbers.insert(static_cast<quint16>(e.name), e.target & ~HighBit);
            } else if (const auto s = nameString(e.name)) {
                if (const QString folded = s->toCaseFolded(); !dir.names.contains(folded))
                    dir.names.insert(folded, e.target & ~HighBit);
            }
        }
    }
    if (const quint16* number = std::get_if<quint16>(&k)) {
        if (const auto found = dir.numbers.constFind(*number); found != dir.numbers.cend())
            return *found;
    } else if (const auto found = dir.names.constFind(std::get<QString>(k).toCaseFolded()); found != dir.names.cend()) {
        return *found;
    }
    return std::nullopt;
}

PeResources::Key PeResources::key(const QString& name)
{
    if (name.size() > 1 && name.front() == QLatin1Char('#')) {
        bool digits = true;
        for (qsizetype i = 1; i < name.size() && digits; ++i)
            digits = name[i] >= QLatin1Char('0') && name[i] <= QLatin1Char('9');
        bool ok = false;
        const uint value = digits ? name.mid(1).toUInt(&ok) : 0;
        if (ok && value <= 0xFFFF)
            return static_cast<quint16>(value);
    }
    return name;
}

QString PeResources::keyText(const Key& k)
{
    if (const quint16* number = std::get_if<quint16>(&k))
        return QLatin1Char('#') + QString::number(*number);
    return std::get<QString>(k);
}

std::optional<PeResources::Found> PeResources::find(const Key& name, const Key& type) const
{
    if (const QString* s = std::get_if<QString>(&name); s && s->isEmpty())
        return std::nullopt;
    // Always three levels deep (type, name, language): a directory pointing back at one
    // of its ancestors can make a lookup fail, never loop.
    const auto typeDir = subdirectory(0, type);
    if (!typeDir)
        return std::nullopt;
    const auto nameDir = subdirectory(*typeDir, name);
    if (!nameDir)
        return std::nullopt;

    const std::lock_guard lock(m_index->mutex);
    auto [it, added] = m_index->languages.try_emplace(*nameDir);
    if (!added)
        return it->second;
    std::optional<Found>& chosen = it->second;
    const auto d = bytes();
    for (const DirEntry& e : entries(*nameDir)) {
        if ((e.target & HighBit) || !fits(e.target, DataEntryBytes, m_rsrcLength))
            continue;
        const Found f { le::u32(d, m_rsrcOffset + e.target), le::u32(d, m_rsrcOffset + e.target + 4) };
        // The language-neutral version wins, as with the platform's loader; else the first one.
        if (e.name == 0) {
            chosen = f;
            break;
        }
        if (!chosen)
            chosen = f;
    }
    return chosen;
}

std::optional<PeResources::Loaded> PeResources::load(const Found& found) const
{
    const auto mapped = mapRva(found.dataRva);
    if (!mapped || qint64(found.size) > mapped->second)
        return std::nullopt;
    return Loaded { mapped->first, qint64(found.size) };
}

std::optional<std::span<const quint8>> PeResources::lock(const Loaded& loaded) const
{
    const auto d = bytes();
    if (!fits(loaded.offset, loaded.size, static_cast<qint64>(d.size())))
        return std::nullopt;
    return d.subspan(static_cast<std::size_t>(loaded.offset), static_cast<std::size_t>(loaded.size));
}

QList<PeResources::Key> PeResources::names(const Key& type) const
{
    QList<Key> out;
    const auto typeDir = subdirectory(0, type);
    if (!typeDir)
        return out;
    for (const DirEntry& e : entries(*typeDir)) {
        if (!(e.target & HighBit))
            continue;
        if (e.name & HighBit) {
            if (const auto s = nameString(e.name))
                out.push_back(*s);
        } else if (e.name <= 0xFFFF) {
            out.push_back(static_cast<quint16>(e.name));
        }
    }
    return out;
}

} // namespace brevane
