// Drives the executable resource reader: every icon group and image it lists is found, loaded
// and locked, and every group is loaded as an icon document and written out.
#include "FuzzFile.h"

#include "icon/PeResources.h"
#include "icon/IconFile.h"
#include "platform/Error.h"

#include <cstdlib>

using namespace brevane;

namespace {

void touchAll(const PeResources& pe, quint16 type)
{
    const QList<PeResources::Key> names = pe.names(PeResources::Key(type));
    for (qsizetype i = 0; i < names.size() && i < 64; ++i) {
        // A listed name may still be unusable (no language entry, a broken data entry, an
        // earlier namesake), so only what is found is checked further.
        const auto found = pe.find(names[i], PeResources::Key(type));
        if (!found)
            continue;
        const auto loaded = pe.load(*found);
        if (!loaded)
            continue;
        const auto bytes = pe.lock(*loaded);
        if (!bytes || bytes->size() != PeResources::size(*found))
            std::abort();
        volatile unsigned sum = 0;
        for (const quint8 b : *bytes)
            sum = sum + b;
    }
}

void loadGroup(const PeResources& pe, qint32 id, const QString& groupName)
{
    IconFile icon;
    try {
        if (!icon.loadFromExecutable(pe, QStringLiteral("input.exe"), id, groupName))
            return;
    } catch (const Error&) {
        if (icon.imageCount() != 0)
            std::abort();
        return;
    }
    for (qint32 i = 1; i <= icon.imageCount(); ++i) {
        if (icon.imageBlock(i).size() != icon.imageBytes(i))
            std::abort();
        try {
            (void)icon.imageColourCount(i);
        } catch (const Error&) {
        }
    }
    try {
        icon.save(FuzzFile::dir().filePath(QStringLiteral("output.ico")));
    } catch (const Error&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto pe = PeResources::fromBytes(bytes);
    if (!pe)
        return 0;
    touchAll(*pe, PeResources::RT_GROUP_ICON);
    touchAll(*pe, PeResources::RT_ICON);

    const QList<PeResources::Key> groups = pe->names(PeResources::Key(PeResources::RT_GROUP_ICON));
    for (qsizetype i = 0; i < groups.size() && i < 16; ++i) {
        if (const quint16* id = std::get_if<quint16>(&groups[i]))
            loadGroup(*pe, *id, QString());
        else
            loadGroup(*pe, 0, std::get<QString>(groups[i]));
    }
    loadGroup(*pe, 1, QString());
    loadGroup(*pe, 0, QString());

    // The path through the file as the program takes it.
    FuzzFile input(data, size);
    IconFile icon;
    try {
        (void)icon.loadFromExecutable(input.path(), 1);
    } catch (const Error&) {
    }
    return 0;
}
