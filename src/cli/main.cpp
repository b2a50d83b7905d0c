#include "cli/CommandLine.h"
#include "cli/Commands.h"

#include "platform/SafeWrite.h"

#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

using namespace brevane::cli;

namespace {

struct Command {
    const char* name;
    const char* summary;
    int (*run)(const QStringList& args);
};

const Command commands[] = {
    { "info", "check icon and cursor files and list their images", runInfo },
    { "convert", "turn pictures into icon files, one per picture", runConvert },
    { "preview", "draw every image of an icon side by side into a PNG", runPreview },
    { "list", "list the icon groups of executables or libraries", runList },
    { "extract", "write icon groups of executables as ICO files", runExtract },
    { "palette", "write a standard, loaded or icon palette as a JASC palette file", runPalette },
    { "multi", "build one icon of several sizes from one picture or one per size", runMulti },
};

void printUsage(FILE* to)
{
    QTextStream out(to);
    out << "Usage: brevane-cli COMMAND [OPTIONS] [ARGUMENTS]\n\n"
        << "Turns pictures into Windows icon files and inspects icons.\n\nCommands:\n";
    for (const Command& c : commands)
        out << "  " << QString::fromLatin1(c.name).leftJustified(10) << c.summary << '\n';
    out << "\nRun 'brevane-cli COMMAND --help' for the options of a command.\n";
}

// Qt's own chatter (run-time folders, platform plug-in notes) would clutter a script's
// stderr; the commands report their own failures.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        QTextStream(stderr) << message << '\n';
}

} // namespace

int main(int argc, char** argv)
{
    // The tool never shows a window; rendering metafiles and text still needs a GUI
    // application, so it always runs on the off-screen platform.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    brevane::removeTemporariesOnSignals();
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("brevane-cli"));
    QGuiApplication::setApplicationVersion(QStringLiteral(BREVANE_VERSION));

    const QStringList args = QGuiApplication::arguments();
    if (args.size() < 2) {
        printUsage(stderr);
        return ExitUsage;
    }
    const QString name = args.at(1);
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        printUsage(stdout);
        return ExitOk;
    }
    if (name == QLatin1String("--version") || name == QLatin1String("-v")) {
        QTextStream(stdout) << "brevane-cli " << BREVANE_VERSION << '\n';
        return ExitOk;
    }
    for (const Command& c : commands) {
        if (name != QLatin1String(c.name))
            continue;
        const int rc = c.run(args.mid(1));
        // A full disk or a closed pipe behind stdout is a failure, not a listing.
        out().flush();
        if (out().status() != QTextStream::Ok) {
            err() << "brevane-cli " << name << ": cannot write to standard output\n";
            return ExitFailed;
        }
        return rc;
    }
    QTextStream(stderr) << "brevane-cli: unknown command '" << name << "'\n\n";
    printUsage(stderr);
    return ExitUsage;
}
