#include "cli/CommandLine.h"
#include "cli/Commands.h"

#include "icon/PeResources.h"
#include "icon/IconFile.h"
#include "platform/Error.h"

namespace brevane::cli {

int runExtract(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes one icon group of a Windows executable or library as an ICO file: the group with the given "
        "id or name, else the first one (as 'brevane-cli list' shows them).\n"
        "Exit status: 0 on success, 1 when the file is not an executable or the group cannot be read or "
        "written, 2 on a usage error."));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The executable or library."));
    const QCommandLineOption output({ QStringLiteral("o"), QStringLiteral("output") },
        QStringLiteral("The icon file to write."), QStringLiteral("OUT.ico"));
    const QCommandLineOption id(
        QStringLiteral("id"), QStringLiteral("The group's resource number."), QStringLiteral("N"));
    const QCommandLineOption name(QStringLiteral("name"),
        QStringLiteral("The group's resource name (case does not matter)."), QStringLiteral("NAME"));
    parser.addOptions({ output, id, name });
    if (const int rc = parseCommand(parser, args, QStringLiteral("extract"), 1, 1); rc >= 0)
        return rc;

    const auto usage = [](const char* text) {
        err() << "brevane-cli extract: " << text << "\nRun 'brevane-cli extract --help' for usage.\n";
        err().flush();
        return ExitUsage;
    };
    if (!parser.isSet(output) || parser.value(output).isEmpty())
        return usage("an output file is needed (-o OUT.ico)");
    if (parser.isSet(id) && parser.isSet(name))
        return usage("give --id or --name, not both");
    qint32 groupId = 0;
    if (parser.isSet(id)) {
        bool ok = false;
        groupId = parser.value(id).toInt(&ok);
        if (!ok || groupId < 1 || groupId > 0xFFFF)
            return usage("--id takes a number from 1 to 65535");
    }
    if (parser.isSet(name) && parser.value(name).isEmpty())
        return usage("--name takes a non-empty name");

    const QString file = parser.positionalArguments().constFirst();
    const auto pe = PeResources::fromFile(file);
    if (!pe) {
        err() << "brevane-cli extract: " << file << " is not a Windows executable or library\n";
        err().flush();
        return ExitFailed;
    }
    QString groupName = parser.value(name);
    if (!parser.isSet(id) && !parser.isSet(name)) {
        const QList<PeResources::Key> groups = pe->names(PeResources::Key(PeResources::RT_GROUP_ICON));
        if (groups.isEmpty()) {
            err() << "brevane-cli extract: " << file << " holds no icon groups\n";
            err().flush();
            return ExitFailed;
        }
        if (const quint16* first = std::get_if<quint16>(&groups.front()))
            groupId = *first;
        else
            groupName = std::get<QString>(groups.front());
    }

    IconFile icon;
    try {
        if (!icon.loadFromExecutable(*pe, file, groupId, groupName)) {
            err() << "brevane-cli extract: the icon group in " << file << " holds no images\n";
            err().flush();
            return ExitFailed;
        }
        icon.save(parser.value(output));
    } catch (const Error& e) {
        err() << "brevane-cli extract: " << file << ": " << e.message() << "\n";
        err().flush();
        return ExitFailed;
    }
    out() << "wrote " << parser.value(output) << " (" << icon.imageCount()
          << (icon.imageCount() == 1 ? " image)\n" : " images)\n");
    out().flush();
    return ExitOk;
}

} // namespace brevane::cli
