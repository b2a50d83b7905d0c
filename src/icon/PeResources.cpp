#include "icon/PeResources.h"

#include "platform/LittleEndian.h"

#include <QFile>
#include <QFileInfo>

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

std::optional<PeResources> PeResources::fromFile(const QString& path)
{
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray data;
    try {
        data = f.readAll();
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    if (data.size() != f.size())
        return std::nullopt;
    return fromBytes(std::move(data));
}

std::optional<PeResources> PeResources::fromBytes(QByteArray bytes)
{
    PeResources pe;
    pe.m_data = std::move(bytes);
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

bool PeResources::nameMatches(quint32 name, const Key& k) const
{
    if (const quint16* number = std::get_if<quint16>(&k))
        return name == *number;
    const QString& wanted = std::get<QString>(k);
    const auto have = nameString(name);
    return have && wanted.compare(*have, Qt::CaseInsensitive) == 0;
}

std::optional<quint32> PeResources::subdirectory(quint32 dirOffset, const Key& k) const
{
    for (const DirEntry& e : entries(dirOffset)) {
        if ((e.target & HighBit) && nameMatches(e.name, k))
            return e.target & ~HighBit;
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

    std::optional<Found> first;
    const auto d = bytes();
    for (const DirEntry& e : entries(*nameDir)) {
        if ((e.target & HighBit) || !fits(e.target, DataEntryBytes, m_rsrcLength))
            continue;
        const Found f { le::u32(d, m_rsrcOffset + e.target), le::u32(d, m_rsrcOffset + e.target + 4) };
        // The language-neutral version wins, as with the platform's loader; else the first one.
        if (e.name == 0)
            return f;
        if (!first)
            first = f;
    }
    return first;
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
