#pragma once

// Builds small PE32 / PE32+ images holding nothing but a resource section, so that tests can
// make any resource tree they need, well-formed or broken on purpose.

#include <algorithm>
#include <map>

#include <QByteArray>
#include <QList>

#include "icon/PeResources.h"
#include "platform/LittleEndian.h"

namespace brevane::test {

struct PeResource {
    PeResources::Key type;
    PeResources::Key name;
    quint16 language = 0;
    QByteArray data;
};

// Where the builder put things, for tests that break them afterwards.
struct PeLayout {
    qint64 peOffset = 0;
    qint64 sectionHeader = 0;
    qint64 rsrcFileOffset = 0;
    quint32 rsrcRva = 0;
    // File offsets of each type's directory, each type/name directory, each data entry and each
    // resource's bytes, in the order of the resources given.
    std::map<QString, qint64> typeDir;
    QList<qint64> nameDir;
    QList<qint64> dataEntry;
    QList<qint64> data;
};

inline QByteArray buildPe(const QList<PeResource>& resources, bool pe32plus, PeLayout* layout = nullptr)
{
    constexpr quint32 SectionRva = 0x1000;
    constexpr qint64 PeOffset = 0x40;
    const qint64 optionalSize = pe32plus ? 240 : 224;
    const qint64 sectionHeader = PeOffset + 4 + 20 + optionalSize;
    constexpr qint64 RawOffset = 0x200;

    // Types, names and languages in directory order.
    const auto less = [](const PeResources::Key& a, const PeResources::Key& b) {
        // Named entries come before numbered ones.
        if (a.index() != b.index())
            return a.index() > b.index();
        return a < b;
    };
    QList<PeResources::Key> types;
    for (const PeResource& r : resources) {
        if (!types.contains(r.type))
            types.push_back(r.type);
    }
    std::sort(types.begin(), types.end(), less);
    QList<QList<PeResources::Key>> namesOf;
    for (const auto& t : types) {
        QList<PeResources::Key> names;
        for (const PeResource& r : resources) {
            if (r.type == t && !names.contains(r.name))
                names.push_back(r.name);
        }
        std::sort(names.begin(), names.end(), less);
        namesOf.push_back(names);
    }
    const auto resourcesOf = [&](const PeResources::Key& t, const PeResources::Key& n) {
        QList<qsizetype> out;
        for (qsizetype i = 0; i < resources.size(); ++i) {
            if (resources[i].type == t && resources[i].name == n)
                out.push_back(i);
        }
        return out;
    };

    // First pass: offsets inside the section.
    qint64 pos = 16 + 8 * types.size();
    QList<qint64> typeOffsets, nameOffsets;
    for (qsizetype t = 0; t < types.size(); ++t) {
        typeOffsets.push_back(pos);
        pos += 16 + 8 * namesOf[t].size();
    }
    for (qsizetype t = 0; t < types.size(); ++t) {
        for (const auto& n : namesOf[t]) {
            nameOffsets.push_back(pos);
            pos += 16 + 8 * resourcesOf(types[t], n).size();
        }
    }
    QList<qint64> dataEntryOffsets(resources.size());
    for (qsizetype i = 0; i < resources.size(); ++i) {
        dataEntryOffsets[i] = pos;
        pos += 16;
    }
    std::map<QString, qint64> strings;
    const auto addString = [&](const PeResources::Key& k) {
        if (const QString* s = std::get_if<QString>(&k); s && !strings.count(*s)) {
            strings[*s] = pos;
            pos += 2 + 2 * s->size();
        }
    };
    for (qsizetype t = 0; t < types.size(); ++t) {
        addString(types[t]);
        for (const auto& n : namesOf[t])
            addString(n);
    }
    QList<qint64> dataOffsets(resources.size());
    for (qsizetype i = 0; i < resources.size(); ++i) {
        pos = (pos + 3) & ~qint64(3);
        dataOffsets[i] = pos;
        pos += resources[i].data.size();
    }
    const qint64 rsrcSize = pos;
    const qint64 rawSize = (rsrcSize + 0x1FF) & ~qint64(0x1FF);

    QByteArray file(RawOffset + rawSize, '\0');
    std::span<quint8> d(reinterpret_cast<quint8*>(file.data()), static_cast<std::size_t>(file.size()));
    d[0] = 'M';
    d[1] = 'Z';
    le::put32(d, 0x3C, PeOffset);
    d[PeOffset] = 'P';
    d[PeOffset + 1] = 'E';
    const qint64 coff = PeOffset + 4;
    le::put16(d, coff, pe32plus ? 0x8664 : 0x14C);
    le::put16(d, coff + 2, 1);
    le::put16(d, coff + 16, static_cast<quint16>(optionalSize));
    le::put16(d, coff + 18, 0x2102);
    const qint64 opt = coff + 20;
    le::put16(d, opt, pe32plus ? 0x20B : 0x10B);
    const qint64 countAt = pe32plus ? 108 : 92;
    le::put32(d, opt + 32, 0x1000); // section alignment
    le::put32(d, opt + 36, 0x200); // file alignment
    le::put32(d, opt + countAt, 16);
    le::put32(d, opt + countAt + 4 + 2 * 8, SectionRva);
    le::put32(d, opt + countAt + 4 + 2 * 8 + 4, static_cast<quint32>(rsrcSize));

    const char name[8] = { '.', 'r', 's', 'r', 'c', 0, 0, 0 };
    std::copy_n(name, 8, file.data() + sectionHeader);
    le::put32(d, sectionHeader + 8, static_cast<quint32>(rsrcSize));
    le::put32(d, sectionHeader + 12, SectionRva);
    le::put32(d, sectionHeader + 16, static_cast<quint32>(rawSize));
    le::put32(d, sectionHeader + 20, RawOffset);
    le::put32(d, sectionHeader + 36, 0x40000040);

    const auto writeDirEntries = [&](qint64 dirAt, const QList<std::pair<PeResources::Key, quint32>>& entries) {
        const qint64 at = RawOffset + dirAt;
        quint16 named = 0, ids = 0;
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const auto& [k, target] = entries[i];
            const qint64 e = at + 16 + 8 * i;
            if (const QString* s = std::get_if<QString>(&k)) {
                ++named;
                le::put32(d, e, 0x80000000u | static_cast<quint32>(strings[*s]));
            } else {
                ++ids;
                le::put32(d, e, std::get<quint16>(k));
            }
            le::put32(d, e + 4, target);
        }
        le::put16(d, at + 12, named);
        le::put16(d, at + 14, ids);
    };
    const auto languageKey = [](quint16 l) { return PeResources::Key(l); };

    QList<std::pair<PeResources::Key, quint32>> root;
    qsizetype nameIndex = 0;
    if (layout) {
        layout->peOffset = PeOffset;
        layout->sectionHeader = sectionHeader;
        layout->rsrcFileOffset = RawOffset;
        layout->rsrcRva = SectionRva;
        layout->nameDir.clear();
    }
    for (qsizetype t = 0; t < types.size(); ++t) {
        root.push_back({ types[t], 0x80000000u | static_cast<quint32>(typeOffsets[t]) });
        if (layout)
            layout->typeDir[PeResources::keyText(types[t])] = RawOffset + typeOffsets[t];
        QList<std::pair<PeResources::Key, quint32>> names;
        for (const auto& n : namesOf[t]) {
            const qint64 nameAt = nameOffsets[nameIndex++];
            if (layout)
                layout->nameDir.push_back(RawOffset + nameAt);
            names.push_back({ n, 0x80000000u | static_cast<quint32>(nameAt) });
            QList<std::pair<PeResources::Key, quint32>> languages;
            for (qsizetype i : resourcesOf(types[t], n))
                languages.push_back({ languageKey(resources[i].language), static_cast<quint32>(dataEntryOffsets[i]) });
            writeDirEntries(nameAt, languages);
        }
        writeDirEntries(typeOffsets[t], names);
    }
    writeDirEntries(0, root);
    for (const auto& [s, at] : strings) {
        le::put16(d, RawOffset + at, static_cast<quint16>(s.size()));
        for (qsizetype i = 0; i < s.size(); ++i)
            le::put16(d, RawOffset + at + 2 + 2 * i, s[i].unicode());
    }
    for (qsizetype i = 0; i < resources.size(); ++i) {
        le::put32(d, RawOffset + dataEntryOffsets[i], SectionRva + static_cast<quint32>(dataOffsets[i]));
        le::put32(d, RawOffset + dataEntryOffsets[i] + 4, static_cast<quint32>(resources[i].data.size()));
        std::copy_n(resources[i].data.constData(), resources[i].data.size(), file.data() + RawOffset + dataOffsets[i]);
    }
    if (layout) {
        layout->dataEntry.clear();
        layout->data.clear();
        for (qsizetype i = 0; i < resources.size(); ++i) {
            layout->dataEntry.push_back(RawOffset + dataEntryOffsets[i]);
            layout->data.push_back(RawOffset + dataOffsets[i]);
        }
    }
    return file;
}

// A group icon directory naming images by resource number, with the sizes the caller states.
struct GroupImage {
    quint8 width = 16;
    quint8 height = 16;
    quint16 bitCount = 4;
    qint32 bytesInRes = 0;
    quint16 id = 1;
};

inline QByteArray groupResource(const QList<GroupImage>& images, qint16 count = -1)
{
    QByteArray g(6 + 14 * images.size(), '\0');
    std::span<quint8> d(reinterpret_cast<quint8*>(g.data()), static_cast<std::size_t>(g.size()));
    le::put16(d, 2, 1);
    le::put16(d, 4, static_cast<quint16>(count < 0 ? images.size() : count));
    for (qsizetype k = 0; k < images.size(); ++k) {
        const qint64 at = 6 + 14 * k;
        d[at] = images[k].width;
        d[at + 1] = images[k].height;
        d[at + 2] = images[k].bitCount == 4 ? 16 : 0;
        le::put16(d, at + 4, 1);
        le::put16(d, at + 6, images[k].bitCount);
        le::put32(d, at + 8, static_cast<quint32>(images[k].bytesInRes));
        le::put16(d, at + 12, images[k].id);
    }
    return g;
}

} // namespace brevane::test
