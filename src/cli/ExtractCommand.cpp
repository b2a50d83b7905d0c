#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/IconGroups.h"
#include "cli/Output.h"

#include "platform/Error.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace brevane::cli {

namespace {

    int fail(const QString& text)
    {
        out().flush();
        err() << "brevane-cli extract: " << text << "\n";
        err().flush();
        return ExitFailed;
    }

    // A group's id or name as part of a file name: no folder separator, no control character.
    QString fileNamePart(const PeResources::Key& k)
    {
        if (const quint16* id = std::get_if<quint16>(&k))
            return QString::number(*id);
        QString part = std::get<QString>(k);
        for (QChar& c : part)
            if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
                c = QLatin1Char('_');
        return part;
    }

    QString imagesText(const IconFile& icon)
    {
        return QStringLiteral("%1 %2").arg(icon.imageCount()).arg(icon.imageCount() == 1 ? "image" : "images");
    }

    std::optional<PeResources> openExecutable(const QString& file, int& rc)
    {
        if (const QString why = unreadableReason(file); !why.isEmpty()) {
            rc = fail(printable(file) + QLatin1String(": ") + why);
            return std::nullopt;
        }
        QString whyNot;
        auto pe = PeResources::fromFile(file, &whyNot);
        if (!pe)
            rc = fail(printable(file) + QLatin1String(": ") + printable(whyNot));
        return pe;
    }

    int extractOne(const QString& file, const PeResources::Key* chosen, const QString& target)
    {
        int rc = ExitOk;
        const auto pe = openExecutable(file, rc);
        if (!pe)
            return rc;
        PeResources::Key key = chosen ? *chosen : PeResources::Key(quint16(0));
        if (!chosen) {
            const QList<PeResources::Key> groups = pe->names(PeResources::Key(PeResources::RT_GROUP_ICON));
            if (groups.isEmpty())
                return fail(printable(file) + QLatin1String(": ") + noGroupsText(*pe));
            key = groups.front();
        }
        if (!replacedInput(target, { file }).isEmpty())
            return fail(printable(target) + QLatin1String(": the icon would replace its own input; nothing written"));
        IconFile icon;
        try {
            if (!loadGroup(icon, *pe, file, key))
                return fail(printable(file) + QLatin1String(": icon group ") + groupLabel(key)
                    + QLatin1String(" holds no images"));
        } catch (const Error& e) {
            // Numbered groups are not found by name (only "#101" is read as a number).
            const QString* asName = std::get_if<QString>(&key);
            bool ok = false;
            const quint16 number = asName ? asName->toUShort(&ok) : 0;
            return fail(printable(file) + QLatin1String(": icon group ") + groupLabel(key) + QLatin1String(": ")
                + describe(e)
                + (ok && number > 0 ? QStringLiteral(" (a numbered group: give --id %1)").arg(number) : QString()));
        }
        try {
            saveOutput(
                target, [&] { return icon.toBytes(); }, [&](const QString& path) { icon.save(path); });
        } catch (const Error& e) {
            return fail(QStringLiteral("cannot write %1: %2").arg(outputName(target), describe(e)));
        }
        messages() << "wrote " << outputName(target) << " (" << imagesText(icon) << ")\n";
        messages().flush();
        return ExitOk;
    }

    int extractAll(const QString& folder, const QStringList& files)
    {
        int rc = ExitOk;
        // Two groups (or two files) may come to the same name; the second never replaces the first.
        QSet<QString> written;
        for (const QString& file : files) {
            const auto pe = openExecutable(file, rc);
            if (!pe)
                continue;
            const QList<PeResources::Key> groups = pe->names(PeResources::Key(PeResources::RT_GROUP_ICON));
            if (groups.isEmpty()) {
                err() << "brevane-cli extract: " << printable(file) << ": " << noGroupsText(*pe) << "\n";
                err().flush();
            }
            const QString stem = QFileInfo(file).completeBaseName();
            for (const PeResources::Key& k : groups) {
                const QString target = QDir(folder).filePath(stem + QLatin1Char('-') + fileNamePart(k) + ".ico");
                const QString where = printable(file) + QLatin1String(": icon group ") + groupLabel(k);
                if (written.contains(QFileInfo(target).absoluteFilePath())) {
                    rc = fail(where + QLatin1String(" would replace ") + printable(target)
                        + QLatin1String(", written earlier in this run; skipped"));
                    continue;
                }
                if (const QString input = replacedInput(target, files); !input.isEmpty()) {
                    rc = fail(where + QLatin1String(" would replace the input ") + printable(input)
                        + QLatin1String("; skipped"));
                    continue;
                }
                IconFile icon;
                try {
                    if (!loadGroup(icon, *pe, file, k)) {
                        rc = fail(where + QLatin1String(" holds no images; skipped"));
                        continue;
                    }
                } catch (const Error& e) {
                    rc = fail(where + QLatin1String(" is damaged (") + describe(e) + QLatin1String("); skipped"));
                    continue;
                }
                try {
                    saveOutput(
                        target, [&] { return icon.toBytes(); }, [&](const QString& path) { icon.save(path); });
                } catch (const Error& e) {
                    rc = fail(QStringLiteral("cannot write %1: %2").arg(printable(target), describe(e)));
                    continue;
                }
                written.insert(QFileInfo(target).absoluteFilePath());
                out() << "wrote " << printable(target) << " (" << imagesText(icon) << ")\n";
            }
        }
        out().flush();
        return rc;
    }

} // namespace

int runExtract(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes icon groups of Windows executables or libraries as ICO files.\n"
        "Without --all: one group of FILE, the one with the given id or name, else the first group that "
        "'brevane-cli list FILE' shows, to OUT.ico, or to standard output with -o -.\n"
        "With --all: every group of every FILE, as DIR/STEM-ID.ico or DIR/STEM-NAME.ico (STEM: the file's name "
        "without its extension; '/', '\\' and control characters in a NAME become '_'). A damaged group is "
        "reported and skipped, the others are still written; a group that comes to a name already written in the "
        "run is refused, not written over it.\n"
        "Exit status: 0 when every icon was written, 1 when a file is not an executable or a group cannot be "
        "read or written, 2 on a usage error."));
    parser.addPositionalArgument(QStringLiteral("FILE"),
        QStringLiteral("The executable or library (with --all, any number of them)."), QStringLiteral("FILE..."));
    const QCommandLineOption output({ QStringLiteral("o"), QStringLiteral("output") },
        QStringLiteral("The icon file to write, - for standard output; with --all, an existing folder."),
        QStringLiteral("OUT.ico"));
    const QCommandLineOption id(
        QStringLiteral("id"), QStringLiteral("The group's resource number."), QStringLiteral("N"));
    const QCommandLineOption name(QStringLiteral("name"),
        QStringLiteral("The group's resource name (case does not matter)."), QStringLiteral("NAME"));
    const QCommandLineOption all(QStringLiteral("all"), QStringLiteral("Every icon group of every FILE."));
    parser.addOptions({ output, id, name, all });
    if (const int rc = parseCommand(parser, args, QStringLiteral("extract"), 1, -1); rc >= 0)
        return rc;

    const auto usage = [](const char* text) {
        err() << "brevane-cli extract: " << text << "\nRun 'brevane-cli extract --help' for usage.\n";
        err().flush();
        return ExitUsage;
    };
    const QString target = parser.value(output);
    const QStringList files = parser.positionalArguments();
    if (parser.isSet(all)) {
        if (parser.isSet(id) || parser.isSet(name))
            return usage("--all takes every group: give no --id or --name");
        if (target.isEmpty() || isStandardOutput(target) || !QFileInfo(target).isDir())
            return usage("--all needs an existing folder to write to (-o DIR)");
        return extractAll(target, files);
    }
    if (target.isEmpty())
        return usage("an output file is needed (-o OUT.ico, or -o - for standard output)");
    if (files.size() > 1)
        return usage("one FILE at a time, unless --all is given");
    if (parser.isSet(id) && parser.isSet(name))
        return usage("give --id or --name, not both");
    std::optional<PeResources::Key> chosen;
    if (parser.isSet(id)) {
        bool ok = false;
        const int n = parser.value(id).toInt(&ok);
        if (!ok || n < 1 || n > 0xFFFF)
            return usage("--id takes a number from 1 to 65535");
        chosen = PeResources::Key(quint16(n));
    }
    if (parser.isSet(name)) {
        if (parser.value(name).isEmpty())
            return usage("--name takes a non-empty name");
        chosen = PeResources::Key(parser.value(name));
    }
    return extractOne(files.constFirst(), chosen ? &*chosen : nullptr, target);
}

} // namespace brevane::cli
