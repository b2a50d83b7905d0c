#include "cli/CommandLine.h"
#include "cli/Commands.h"

#include "icon/PeResources.h"
#include "icon/IconFile.h"
#include "platform/Error.h"

namespace brevane::cli {

namespace {

    QString groupLabel(const PeResources::Key& k)
    {
        if (const quint16* id = std::get_if<quint16>(&k))
            return QStringLiteral("id %1").arg(*id);
        return QStringLiteral("name %1").arg(std::get<QString>(k));
    }

} // namespace

int runList(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Lists the icon groups of a Windows executable or library (32- or 64-bit): the group's id or name, "
        "its image count and each image's size and bits per pixel.\n"
        "Exit status: 0 when every group was read, 1 when the file is not an executable or a group is damaged, "
        "2 on a usage error."));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The executable or library."));
    if (const int rc = parseCommand(parser, args, QStringLiteral("list"), 1, 1); rc >= 0)
        return rc;

    const QString file = parser.positionalArguments().constFirst();
    const auto pe = PeResources::fromFile(file);
    if (!pe) {
        err() << "brevane-cli list: " << file << " is not a Windows executable or library\n";
        err().flush();
        return ExitFailed;
    }
    const QList<PeResources::Key> groups = pe->names(PeResources::Key(PeResources::RT_GROUP_ICON));
    out() << file << ": " << groups.size() << (groups.size() == 1 ? " icon group\n" : " icon groups\n");
    int rc = ExitOk;
    for (const PeResources::Key& k : groups) {
        IconFile icon;
        const quint16* id = std::get_if<quint16>(&k);
        out() << "  " << groupLabel(k) << ": ";
        try {
            if (!(id ? icon.loadFromExecutable(*pe, file, *id)
                     : icon.loadFromExecutable(*pe, file, 0, std::get<QString>(k)))) {
                out() << "no images\n";
                continue;
            }
        } catch (const Error& e) {
            out() << "damaged (" << e.message() << ")\n";
            rc = ExitFailed;
            continue;
        }
        out() << icon.imageCount() << (icon.imageCount() == 1 ? " image\n" : " images\n");
        for (qint32 i = 1; i <= icon.imageCount(); ++i) {
            // A stored 0 stands for 256 pixels.
            const int w = icon.imageWidth(i) == 0 ? 256 : icon.imageWidth(i);
            const int h = icon.imageHeight(i) == 0 ? 256 : icon.imageHeight(i);
            const int bits = icon.entry(i).wBitCount;
            out() << "    " << i << ": " << w << "x" << h << ", " << bits << (bits == 1 ? " bit, " : " bits, ")
                  << icon.imageBytes(i) << " bytes\n";
        }
    }
    out().flush();
    return rc;
}

} // namespace brevane::cli
