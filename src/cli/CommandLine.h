#pragma once

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

namespace brevane {
class Error;
}

namespace brevane::cli {

inline QTextStream& err()
{
    static QTextStream s(stderr);
    return s;
}

inline QTextStream& out()
{
    static QTextStream s(stdout);
    return s;
}

// A path or name as it is safe to print: control characters become \n, \t, \r or \xHH, and line
// separators and bidirectional overrides \u{HHHH}, so a crafted name can neither break a line of
// the output nor send escape sequences to a terminal or turn text around.
QString printable(const QString& text);

// Why path cannot be read as an input file ("does not exist", "is a folder", "is not a regular
// file", "cannot be read (Permission denied)"); empty when it can. Checked before a file is
// opened, so a FIFO given as an input never blocks.
QString unreadableReason(const QString& path);

// Why a file that IconFile does not load is no icon: a cursor is named as one, since info and
// convert take cursors too.
QString notAnIconReason(const QString& path);

// An error as a message shows it: its description and detail (which file, and the system's
// reason), safe to print.
QString describe(const Error& e);

// Parses a command's arguments. Returns -1 to go on, otherwise the exit code to return
// (0 after --help, 2 after a usage error, which is reported on stderr).
inline int parseCommand(
    QCommandLineParser& parser, const QStringList& args, const QString& name, int minPositional, int maxPositional)
{
    parser.setApplicationDescription(parser.applicationDescription());
    const QCommandLineOption help({ QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Show this help."));
    parser.addOption(help);
    if (!parser.parse(args)) {
        err() << "brevane-cli " << name << ": " << parser.errorText() << "\n";
        err() << "Run 'brevane-cli " << name << " --help' for usage.\n";
        err().flush();
        return 2;
    }
    if (parser.isSet(help)) {
        // Qt names the program by the path it was started as and knows nothing of commands:
        // the usage line gets both, the descriptions stay as written.
        QString text = parser.helpText();
        const QString program = QCoreApplication::arguments().value(0);
        if (const qsizetype at = program.isEmpty() ? -1 : text.indexOf(program); at >= 0)
            text.replace(at, program.size(), QLatin1String("brevane-cli ") + name);
        out() << text;
        out().flush();
        return 0;
    }
    const qsizetype n = parser.positionalArguments().size();
    if (n < minPositional || (maxPositional >= 0 && n > maxPositional)) {
        err() << "brevane-cli " << name << ": wrong number of arguments\n";
        err() << "Run 'brevane-cli " << name << " --help' for usage.\n";
        err().flush();
        return 2;
    }
    return -1;
}

} // namespace brevane::cli
