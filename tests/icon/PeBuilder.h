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

// One resource, language 0; each type and name once.
struct PeResource {
    PeResources::Key type;
    PeResources::Key name;
    QByteArray data;
};

// File offsets of what the builder wrote, for tests that break them afterwards (data entries in resource order).
struct PeLayout {
    qint64 rsrcFileOffset = 0;
    QList<qint64> dataEntry;
};

inline QByteArray buildPe(const QList<PeResource>& resources, bool pe32plus, PeLayout* layout = nullptr)
{
    using Key = PeResources::Key;
    constexpr quint32 SectionRva = 0x1000;
    constexpr qint64 PeOffset = 0x40, RawOffset = 0x200;
    const qint64 optionalSize = pe32plus ? 240 : 224;
    const qint64 sectionHeader = PeOffset + 4 + 20 + optionalSize;

    // Directory order: named entries before numbered ones.
    constexpr auto less
        = [](const Key& a, const Key& b) { return a.index() != b.index() ? a.index() > b.index() : a < b; };
    std::map<Key, std::map<Key, qsizetype, decltype(less)>, decltype(less)> tree;
    for (qsizetype i = 0; i < resources.size(); ++i)
        tree[resources[i].type][resources[i].name] = i;

    // Inside the section: root, type directories, name directories, data entries, strings, data.
    PeLayout l { RawOffset, {} };
    qint64 pos = 16 + 8 * qint64(tree.size());
    std::map<Key, qint64, decltype(less)> typeAt;
    for (const auto& [t, names] : tree) {
        typeAt[t] = pos;
        pos += 16 + 8 * qint64(names.size());
    }
    QList<qint64> nameAt(resources.size());
    for (const auto& [t, names] : tree)
        for (const auto& [n, i] : names) {
            nameAt[i] = pos;
            pos += 16 + 8;
        }
    QList<qint64> entryAt(resources.size());
    for (qint64& at : entryAt) {
        at = pos;
        pos += 16;
    }
    std::map<QString, qint64> strings;
    for (const auto& [t, names] : tree)
        for (const auto& [n, i] : names)
            if (const QString* s = std::get_if<QString>(&n); s && !strings.count(*s)) {
                strings[*s] = pos;
                pos += 2 + 2 * s->size();
            }
    QList<qint64> dataAt(resources.size());
    for (qsizetype i = 0; i < resources.size(); ++i) {
        dataAt[i] = pos = (pos + 3) & ~qint64(3);
        pos += resources[i].data.size();
    }
    const qint64 rsrcSize = pos;
    const qint64 rawSize = (rsrcSize + 0x1FF) & ~qint64(0x1FF);

    QByteArray file(RawOffset + rawSize, '\0');
    std::span<quint8> d(reinterpret_cast<quint8*>(file.data()), static_cast<std::size_t>(file.size()));
    std::copy_n("MZ", 2, file.data());
    le::put32(d, 0x3C, PeOffset);
    std::copy_n("PE", 2, file.data() + PeOffset);
    const qint64 coff = PeOffset + 4;
    le::put16(d, coff, pe32plus ? 0x8664 : 0x14C);
    le::put16(d, coff + 2, 1);
    le::put16(d, coff + 16, static_cast<quint16>(optionalSize));
    le::put16(d, coff + 18, 0x2102);
    const qint64 opt = coff + 20;
    le::put16(d, opt, pe32plus ? 0x20B : 0x10B);
    const qint64 countAt = opt + (pe32plus ? 108 : 92);
    le::put32(d, opt + 32, 0x1000); // section alignment
    le::put32(d, opt + 36, 0x200); // file alignment
    le::put32(d, countAt, 16);
    le::put32(d, countAt + 4 + 2 * 8, SectionRva);
    le::put32(d, countAt + 4 + 2 * 8 + 4, static_cast<quint32>(rsrcSize));
    std::copy_n(".rsrc", 5, file.data() + sectionHeader);
    le::put32(d, sectionHeader + 8, static_cast<quint32>(rsrcSize));
    le::put32(d, sectionHeader + 12, SectionRva);
    le::put32(d, sectionHeader + 16, static_cast<quint32>(rawSize));
    le::put32(d, sectionHeader + 20, RawOffset);
    le::put32(d, sectionHeader + 36, 0x40000040);

    const auto directory = [&](qint64 at, const QList<std::pair<Key, quint32>>& entries) {
        at += RawOffset;
        quint16 named = 0;
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const auto& [k, target] = entries[i];
            const QString* s = std::get_if<QString>(&k);
            named += s ? 1 : 0;
            le::put32(d, at + 16 + 8 * i, s ? 0x80000000u | quint32(strings[*s]) : std::get<quint16>(k));
            le::put32(d, at + 16 + 8 * i + 4, target);
        }
        le::put16(d, at + 12, named);
        le::put16(d, at + 14, quint16(entries.size() - named));
    };
    QList<std::pair<Key, quint32>> root;
    for (const auto& [t, names] : tree) {
        root.push_back({ t, 0x80000000u | quint32(typeAt[t]) });
        QList<std::pair<Key, quint32>> named;
        for (const auto& [n, i] : names) {
            named.push_back({ n, 0x80000000u | quint32(nameAt[i]) });
            directory(nameAt[i], { { Key(quint16(0)), quint32(entryAt[i]) } });
        }
        directory(typeAt[t], named);
    }
    directory(0, root);
    for (const auto& [s, at] : strings) {
        le::put16(d, RawOffset + at, static_cast<quint16>(s.size()));
        for (qsizetype i = 0; i < s.size(); ++i)
            le::put16(d, RawOffset + at + 2 + 2 * i, s[i].unicode());
    }
    for (qsizetype i = 0; i < resources.size(); ++i) {
        le::put32(d, RawOffset + entryAt[i], SectionRva + quint32(dataAt[i]));
        le::put32(d, RawOffset + entryAt[i] + 4, quint32(resources[i].data.size()));
        std::copy_n(resources[i].data.constData(), resources[i].data.size(), file.data() + RawOffset + dataAt[i]);
        l.dataEntry.push_back(RawOffset + entryAt[i]);
    }
    if (layout)
        *layout = l;
    return file;
}

// A group icon directory naming images by resource number, with the sizes the caller states.
struct GroupImage {
    quint8 width = 16, height = 16;
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
