#include "cli/ColourOption.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"

#include "multipage/MultiPageIcon.h"
#include "platform/Error.h"

namespace brevane::cli {

namespace {

    int fail(const QString& text)
    {
        out().flush();
        err() << "brevane-cli multi: " << text << "\n";
        err().flush();
        return ExitFailed;
    }

} // namespace

int runMulti(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Builds one icon file with up to three 24-bit images: 16x16 from --small, 32x32 from --normal and 48x48 "
        "from --large, in that order. Pictures are never scaled: each image is the top-left square of its picture, "
        "and a smaller picture is padded with white (255,255,255, the usual window colour the dialog's previews "
        "show).\n"
        "The transparent colour is R,G,B (decimal, each 0 to 255) or #RRGGBB, white by default; "
        "'top-left' makes each image's top-left pixel colour transparent instead.\n"
        "\".ico\" is appended to FILE unless it already ends in .ico (in any letter case).\n"
        "Exit status: 0 when the icon was written, 1 when it was not (no picture given, an invalid picture, "
        "a file that cannot be written), 2 on a usage error."));
    const QCommandLineOption output({ QStringLiteral("o"), QStringLiteral("output") },
        QStringLiteral("The icon file to write."), QStringLiteral("FILE"));
    const QCommandLineOption small(
        QStringLiteral("small"), QStringLiteral("Picture for the 16x16 image."), QStringLiteral("PIC"));
    const QCommandLineOption normal(
        QStringLiteral("normal"), QStringLiteral("Picture for the 32x32 image."), QStringLiteral("PIC"));
    const QCommandLineOption large(
        QStringLiteral("large"), QStringLiteral("Picture for the 48x48 image."), QStringLiteral("PIC"));
    const QCommandLineOption transparent({ QStringLiteral("t"), QStringLiteral("transparent") },
        QStringLiteral("Transparent colour: R,G,B, #RRGGBB or top-left (default 255,255,255)."),
        QStringLiteral("COLOR|top-left"));
    parser.addOptions({ output, small, normal, large, transparent });
    if (const int rc = parseCommand(parser, args, QStringLiteral("multi"), 0, 0); rc >= 0)
        return rc;

    const QString file = parser.value(output);
    if (file.isEmpty()) {
        err() << "brevane-cli multi: -o FILE is required\nRun 'brevane-cli multi --help' for usage.\n";
        err().flush();
        return ExitUsage;
    }

    TransparentChoice choice;
    if (parser.isSet(transparent)) {
        const QString value = parser.value(transparent);
        const auto option = parseTransparentOption(value, false);
        if (!option) {
            err() << "brevane-cli multi: -t takes R,G,B, #RRGGBB or top-left, not '" << value << "'\n";
            err().flush();
            return ExitUsage;
        }
        if (option->kind == TransparentOption::Kind::TopLeft) {
            choice.useTypedColour = false;
        } else {
            choice.red = QString::number(redOf(option->colour));
            choice.green = QString::number(greenOf(option->colour));
            choice.blue = QString::number(blueOf(option->colour));
        }
    }

    MultiPageIcon icon(RGB(255, 255, 255));
    const QCommandLineOption* pictures[] = { &small, &normal, &large };
    for (int slot = 0; slot < MultiPageIcon::SlotCount; ++slot) {
        if (!parser.isSet(*pictures[slot]))
            continue;
        const QString picture = parser.value(*pictures[slot]);
        if (picture.isEmpty())
            continue;
        icon.setPath(slot, picture);
        // Unlike the dialog, which keeps a slot whose picture failed, nothing is written
        // from a picture that cannot be read.
        try {
            icon.loadPreview(slot, picture);
        } catch (const Error& e) {
            if (e.number() == err::InvalidPicture)
                return fail(picture + QLatin1String(": Invalid picture !"));
            return fail(picture + QLatin1String(": ") + e.description());
        }
    }

    MultiPageIcon::SaveResult result;
    try {
        result = icon.save(file, choice);
    } catch (const Error& e) {
        return fail(MultiPageIcon::iconFileName(file) + QLatin1String(": ") + e.message());
    }
    switch (result.outcome) {
    case MultiPageIcon::Outcome::NoImages:
        return fail(QStringLiteral("There are no images !"));
    case MultiPageIcon::Outcome::InvalidColour:
        return fail(QStringLiteral("Invalid transparent color !"));
    case MultiPageIcon::Outcome::NotSaved:
        return fail(result.fileName + QLatin1String(": not written"));
    case MultiPageIcon::Outcome::Saved:
        break;
    }
    out() << result.fileName << ": " << result.imageCount << (result.imageCount == 1 ? " image\n" : " images\n");
    out().flush();
    return ExitOk;
}

} // namespace brevane::cli
