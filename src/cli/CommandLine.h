#pragma once

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

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
