#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/IconGroups.h"

#include "platform/Error.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace brevane::cli {

namespace {

    struct Group {
        PeResources::Key key;
        QList<ImageBlockInfo> images;
        QList<qint32> bytes;
        QString problem; // empty when every image could be read
    };

    Group readGroup(const PeResources& pe, const QString& file, const PeResources::Key& key)
    {
        Group g { key, {}, {}, {} };
        IconFile icon;
        try {
            if (!loadGroup(icon, pe, file, key))
                return g;
        } catch (const Error& e) {
            g.problem = e.message();
            return g;
        }
        for (qint32 i = 1; i <= icon.imageCount(); ++i) {
            try {
                g.images.append(icon.blockInfo(i));
                g.bytes.append(icon.imageBytes(i));
            } catch (const Error&) {
                g.problem = QStringLiteral("image %1: its block is too short for an image header").arg(i);
                break;
            }
        }
        return g;
    }

    void printText(const QString& file, const PeResources& pe, const QList<Group>& groups)
    {
        if (groups.isEmpty()) {
            out() << printable(file) << ": " << noGroupsText(pe) << "\n";
            return;
        }
        out() << printable(file) << ": " << groups.size() << (groups.size() == 1 ? " icon group\n" : " icon groups\n");
        for (const Group& g : groups) {
            out() << "  " << groupLabel(g.key) << ": ";
            if (!g.problem.isEmpty()) {
                out() << "damaged (" << printable(g.problem) << ")\n";
                continue;
            }
            if (g.images.isEmpty()) {
                out() << "no images\n";
                continue;
            }
            out() << g.images.size() << (g.images.size() == 1 ? " image\n" : " images\n");
            for (qsizetype i = 0; i < g.images.size(); ++i) {
                const ImageBlockInfo& f = g.images[i];
                out() << "    " << i + 1 << ": " << f.width << "x" << f.height
                      << (f.format == ImageBlockInfo::Format::Png ? " PNG" : "") << ", " << f.bitCount
                      << (f.bitCount == 1 ? " bit, " : " bits, ") << g.bytes[i] << " bytes\n";
            }
        }
    }

    QJsonObject toJson(const QString& file, const QList<Group>& groups, const QString& problem)
    {
        QJsonObject o { { "file", file } };
        if (!problem.isEmpty())
            o.insert("error", problem);
        QJsonArray list;
        for (const Group& g : groups) {
            const quint16* id = std::get_if<quint16>(&g.key);
            QJsonObject j { { "id", id ? QJsonValue(*id) : QJsonValue() },
                { "name", id ? QJsonValue() : QJsonValue(std::get<QString>(g.key)) } };
            QJsonArray images;
            if (g.problem.isEmpty()) {
                for (qsizetype i = 0; i < g.images.size(); ++i) {
                    const ImageBlockInfo& f = g.images[i];
                    images.append(QJsonObject { { "width", f.width }, { "height", f.height }, { "bits", f.bitCount },
                        { "format", f.format == ImageBlockInfo::Format::Png ? "png" : "bmp" },
                        { "bytes", g.bytes[i] } });
                }
            } else {
                j.insert("error", g.problem);
            }
            j.insert("images", images);
            list.append(j);
        }
        o.insert("groups", list);
        return o;
    }

} // namespace

int runList(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Lists the icon groups of Windows executables or libraries (32- or 64-bit): each group's id or name, "
        "its image count and each image's size and bits per pixel, as the image itself states them.\n"
        "Exit status: 0 when every group of every FILE was read, 1 when a file is not an executable or a "
        "group is damaged (everything else is still listed), 2 on a usage error."));
    parser.addPositionalArgument(
        QStringLiteral("FILE"), QStringLiteral("The executables or libraries."), QStringLiteral("FILE..."));
    const QCommandLineOption json(QStringLiteral("json"),
        QStringLiteral(
            "Print one JSON array on stdout, an object per file: file, error (only when the file "
            "cannot be read), groups (id or name, the other null; images: width, height, bits, format, bytes; "
            "error for a damaged group)."));
    parser.addOption(json);
    if (const int rc = parseCommand(parser, args, QStringLiteral("list"), 1, -1); rc >= 0)
        return rc;

    int rc = ExitOk;
    QJsonArray all;
    for (const QString& file : parser.positionalArguments()) {
        QString problem = unreadableReason(file);
        std::optional<PeResources> pe;
        if (problem.isEmpty())
            pe = PeResources::fromFile(file, &problem);
        QList<Group> groups;
        if (pe) {
            for (const PeResources::Key& k : pe->names(PeResources::Key(PeResources::RT_GROUP_ICON))) {
                groups.append(readGroup(*pe, file, k));
                if (!groups.back().problem.isEmpty()) {
                    rc = ExitFailed;
                    out().flush();
                    err() << "brevane-cli list: " << printable(file) << ": icon group " << groupLabel(k)
                          << " is damaged: " << printable(groups.back().problem) << "\n";
                    err().flush();
                }
            }
        }
        if (!problem.isEmpty()) {
            rc = ExitFailed;
            out().flush();
            err() << "brevane-cli list: " << printable(file) << ": " << printable(problem) << "\n";
            err().flush();
        }
        if (parser.isSet(json))
            all.append(toJson(file, groups, problem));
        else if (problem.isEmpty())
            printText(file, *pe, groups);
    }
    if (parser.isSet(json))
        out() << QJsonDocument(all).toJson();
    out().flush();
    return rc;
}

} // namespace brevane::cli
