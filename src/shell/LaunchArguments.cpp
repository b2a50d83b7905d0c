#include "shell/LaunchArguments.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>

namespace brevane::LaunchArguments {

namespace {
    const QString ProgramName = QStringLiteral("brevane");

    QString version()
    {
        return QStringLiteral("%1.%2.%3")
            .arg(BREVANE_VERSION_MAJOR)
            .arg(BREVANE_VERSION_MINOR)
            .arg(BREVANE_VERSION_PATCH);
    }

    struct Parser {
        QCommandLineParser parser;
        QCommandLineOption help { { QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Show this help.") };
        QCommandLineOption version { { QStringLiteral("v"), QStringLiteral("version") },
            QStringLiteral("Show the version and exit.") };

        Parser()
        {
            parser.setApplicationDescription(QStringLiteral("Turns pictures into Windows icon (.ico) files."));
            parser.addOption(help);
            parser.addOption(version);
            parser.addPositionalArgument(QStringLiteral("FILE..."),
                QStringLiteral("Pictures to put in the list at start-up, as if dropped on it."),
                QStringLiteral("[FILE...]"));
        }

        // Without an application object Qt has no program name to show.
        QString helpText() const
        {
            QString text = parser.helpText();
            text.replace(QLatin1String("<executable_name>"), ProgramName);
            return text;
        }
    };
}

int answerWithoutWindow(const QStringList& arguments, QTextStream& out)
{
    Parser p;
    if (!p.parser.parse(arguments))
        return -1;
    if (p.parser.isSet(p.version)) {
        out << ProgramName << ' ' << version() << '\n';
        return 0;
    }
    if (p.parser.isSet(p.help)) {
        out << p.helpText();
        return 0;
    }
    return -1;
}

std::optional<QStringList> pictures(const QStringList& arguments, QTextStream& err)
{
    Parser p;
    if (!p.parser.parse(arguments)) {
        err << ProgramName << ": " << p.parser.errorText() << "\nRun '" << ProgramName << " --help' for usage.\n";
        return std::nullopt;
    }
    QStringList files;
    for (const QString& name : p.parser.positionalArguments()) {
        const QFileInfo info(name);
        if (info.isFile())
            files.append(info.absoluteFilePath());
        else
            err << ProgramName << ": " << name
                << (info.exists() ? ": not a file, skipped\n" : ": no such file, skipped\n");
    }
    return files;
}

} // namespace brevane::LaunchArguments
