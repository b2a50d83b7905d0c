#pragma once

// Builds small PE32 / PE32+ images holding nothing but a resource section, so that tests can
// make any resource tree they need, well-formed or broken on purpose.

#include <map>
#include <utility>

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
    constexpr quint32 Rva = 0x1000;
    constexpr qint64 Pe = 0x40, Raw = 0x200;
    const qint64 optionalSize = pe32plus ? 240 : 224, section = Pe + 24 + optionalSize;
    // Directory order: named entries before numbered ones.
    constexpr auto less
        = [](const Key& a, const Key& b) { return a.index() != b.index() ? a.index() > b.index() : a < b; };
    std::map<Key, std::map<Key, qsizetype, decltype(less)>, decltype(less)> tree;
    for (qsizetype i = 0; i < resources.size(); ++i)
        tree[resources[i].type][resources[i].name] = i;

    // Inside the section: root, each type's directory and its names' directories, data entries, strings, data.
    const qsizetype n = resources.size();
    qint64 pos = 16 + 8 * qint64(tree.size());
    std::map<Key, qint64, decltype(less)> typeAt;
    QList<qint64> nameAt(n), entryAt(n), dataAt(n);
    for (const auto& [t, names] : tree) {
        typeAt[t] = pos;
        pos += 16 + 8 * qint64(names.size());
        for (const auto& [name, i] : names)
            nameAt[i] = std::exchange(pos, pos + 24);
    }
    for (qint64& at : entryAt)
        at = std::exchange(pos, pos + 16);
    std::map<QString, qint64> strings;
    for (const PeResource& r : resources)
        if (const QString* s = std::get_if<QString>(&r.name); s && !strings.count(*s))
            strings[*s] = std::exchange(pos, pos + 2 + 2 * s->size());
    for (qsizetype i = 0; i < n; ++i) {
        dataAt[i] = pos = (pos + 3) & ~qint64(3);
        pos += resources[i].data.size();
    }
    const qint64 rsrcSize = pos, rawSize = (rsrcSize + 0x1FF) & ~qint64(0x1FF);

    QByteArray file(Raw + rawSize, '\0');
    const std::span<quint8> d = le::bytes(file);
    const auto put = [&](std::initializer_list<std::pair<qint64, quint32>> fields, bool wide = true) {
        for (const auto& [at, value] : fields)
            wide ? le::put32(d, at, value) : le::put16(d, at, quint16(value));
    };
    file.replace(0, 2, "MZ");
    file.replace(Pe, 2, "PE");
    file.replace(section, 5, ".rsrc");
    const qint64 opt = Pe + 24, directories = opt + (pe32plus ? 112 : 96);
    put({ { Pe + 4, pe32plus ? 0x8664 : 0x14C }, { Pe + 6, 1 }, { Pe + 20, quint32(optionalSize) }, { Pe + 22, 0x2102 },
            { opt, pe32plus ? 0x20B : 0x10B } },
        false);
    put({ { 0x3C, Pe }, { opt + 32, 0x1000 }, { opt + 36, 0x200 }, { directories - 4, 16 },
        { directories + 2 * 8, Rva }, { directories + 2 * 8 + 4, quint32(rsrcSize) }, { section + 8, quint32(rsrcSize) },
        { section + 12, Rva }, { section + 16, quint32(rawSize) }, { section + 20, Raw }, { section + 36, 0x40000040 } });

    const auto directory = [&](qint64 at, const QList<std::pair<Key, quint32>>& entries) {
        at += Raw;
        quint16 named = 0;
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const QString* s = std::get_if<QString>(&entries[i].first);
            named += s ? 1 : 0;
            put({ { at + 16 + 8 * i, s ? 0x80000000u | quint32(strings[*s]) : std::get<quint16>(entries[i].first) },
                { at + 20 + 8 * i, entries[i].second } });
        }
        put({ { at + 12, named }, { at + 14, quint32(entries.size() - named) } }, false);
    };
    QList<std::pair<Key, quint32>> root;
    for (const auto& [t, names] : tree) {
        root.push_back({ t, 0x80000000u | quint32(typeAt[t]) });
        QList<std::pair<Key, quint32>> named;
        for (const auto& [name, i] : names) {
            named.push_back({ name, 0x80000000u | quint32(nameAt[i]) });
            directory(nameAt[i], { { Key(quint16(0)), quint32(entryAt[i]) } });
        }
        directory(typeAt[t], named);
    }
    directory(0, root);
    for (const auto& [s, at] : strings) {
        put({ { Raw + at, quint32(s.size()) } }, false);
        for (qsizetype i = 0; i < s.size(); ++i)
            put({ { Raw + at + 2 + 2 * i, s[i].unicode() } }, false);
    }
    PeLayout l { Raw, {} };
    for (qsizetype i = 0; i < n; ++i) {
        put({ { Raw + entryAt[i], Rva + quint32(dataAt[i]) }, { Raw + entryAt[i] + 4, quint32(resources[i].data.size()) } });
        file.replace(Raw + dataAt[i], resources[i].data.size(), resources[i].data);
        l.dataEntry.push_back(Raw + entryAt[i]);
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
    const std::span<quint8> d = le::bytes(g);
    le::put16(d, 2, 1);
    le::put16(d, 4, static_cast<quint16>(count < 0 ? images.size() : count));
    for (qsizetype k = 0; k < images.size(); ++k) {
        const GroupImage& i = images[k];
        const qint64 at = 6 + 14 * k;
        d[at] = i.width;
        d[at + 1] = i.height;
        d[at + 2] = i.bitCount == 4 ? 16 : 0;
        le::put16(d, at + 4, 1);
        le::put16(d, at + 6, i.bitCount);
        le::put32(d, at + 8, static_cast<quint32>(i.bytesInRes));
        le::put16(d, at + 12, i.id);
    }
    return g;
}

} // namespace brevane::test
