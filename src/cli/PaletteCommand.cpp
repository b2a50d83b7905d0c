#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/Output.h"

#include "icon/IconFile.h"
#include "palette/Palette.h"
#include "platform/Error.h"
#include "platform/Limits.h"

#include <QFile>

namespace brevane::cli {

namespace {

    // The palette class skips, as the desktop program always has, every line that is not
    // exactly "red green blue" between CR LFs; a file read back must give all it states.
    struct JascLines {
        QString problem;
        qint32 stated = 0;
    };

    JascLines jascLines(const QString& path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        const QByteArray text = f.read(limits::MaxPaletteFileBytes);
        if (text.count('\n') != text.count("\r\n"))
            return { QStringLiteral("its lines end in LF alone, not CR LF") };
        const QList<QByteArray> lines = text.split('\n');
        bool ok = false;
        const qint32 stated = lines.size() > 2 ? lines[2].trimmed().toInt(&ok) : 0;
        return ok ? JascLines { QString(), stated }
                  : JascLines { QStringLiteral("its third line states no colour count") };
    }

} // namespace

int runPalette(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes a JASC palette file: one of the standard palettes, a palette file read back, or the colour "
        "table of an icon image.\nExit status: 0 on success, 1 when a file cannot be read or written, "
        "2 on a usage error."));
    const QCommandLineOption standard16(QStringLiteral("standard16"), QStringLiteral("The 16 basic colours."));
    const QCommandLineOption standard256(QStringLiteral("standard256"),
        QStringLiteral("The 16 basic colours, a 6-level colour cube and a grey ramp (256 entries)."));
    const QCommandLineOption uniform256(
        QStringLiteral("uniform256"), QStringLiteral("A 5-level colour cube, padded with black to 256 entries."));
    const QCommandLineOption mono(QStringLiteral("mono"), QStringLiteral("Black and white."));
    const QCommandLineOption load(
        QStringLiteral("load"), QStringLiteral("A JASC palette file to read."), QStringLiteral("FILE.pal"));
    const QCommandLineOption fromIcon(QStringLiteral("from-icon"),
        QStringLiteral("An icon file whose image's colour table becomes the palette."), QStringLiteral("FILE.ico"));
    const QCommandLineOption image(QStringLiteral("image"),
        QStringLiteral("The image of --from-icon, numbered from 1 (default 1)."), QStringLiteral("N"),
        QStringLiteral("1"));
    const QCommandLineOption output({ QStringLiteral("o"), QStringLiteral("output") },
        QStringLiteral("The palette file to write, - for standard output."), QStringLiteral("OUT.pal"));
    parser.addOptions({ standard16, standard256, uniform256, mono, load, fromIcon, image, output });
    if (const int rc = parseCommand(parser, args, QStringLiteral("palette"), 0, 0); rc >= 0)
        return rc;

    const auto usage = [](const char* text) {
        err() << "brevane-cli palette: " << text << "\nRun 'brevane-cli palette --help' for usage.\n";
        err().flush();
        return ExitUsage;
    };
    int sources = 0;
    for (const QCommandLineOption* o : { &standard16, &standard256, &uniform256, &mono, &load, &fromIcon })
        sources += parser.isSet(*o) ? 1 : 0;
    if (sources != 1)
        return usage("give exactly one of --standard16, --standard256, --uniform256, --mono, --load, --from-icon");
    if (!parser.isSet(output) || parser.value(output).isEmpty())
        return usage("an output file is needed (-o OUT.pal, or -o - for standard output)");
    if (parser.isSet(image) && !parser.isSet(fromIcon))
        return usage("--image goes with --from-icon");
    bool ok = false;
    const qint32 index = parser.value(image).toInt(&ok);
    if (!ok || index < 1)
        return usage("--image takes an image number from 1");

    const auto fail = [](const QString& text) {
        err() << "brevane-cli palette: " << text << "\n";
        err().flush();
        return ExitFailed;
    };
    const QString target = parser.value(output);
    const QString input = parser.isSet(load) ? parser.value(load)
        : parser.isSet(fromIcon)             ? parser.value(fromIcon)
                                             : QString();
    if (!input.isEmpty()) {
        if (const QString why = unreadableReason(input); !why.isEmpty())
            return fail(printable(input) + QLatin1String(": ") + why);
        if (!replacedInput(target, { input }).isEmpty())
            return fail(
                printable(target) + QLatin1String(": the palette would replace its own input; nothing written"));
    }
    Palette palette;
    try {
        if (parser.isSet(standard16)) {
            palette.createStandard16();
        } else if (parser.isSet(standard256)) {
            palette.createStandard256();
        } else if (parser.isSet(uniform256)) {
            palette.createUniform256();
        } else if (parser.isSet(mono)) {
            palette.createMonochrome();
        } else if (parser.isSet(load)) {
            // The class reads any text leniently; a file named on the command line must be a
            // palette, so that a stray file is not written out as an empty one.
            if (!Palette::looksLikeJasc(input))
                return fail(printable(input)
                    + QLatin1String(": not a JASC palette file (it does not start with \"JASC-PAL\")"));
            const JascLines lines = jascLines(input);
            if (!lines.problem.isEmpty())
                return fail(
                    printable(input) + QLatin1String(": ") + lines.problem + QLatin1String("; nothing written"));
            palette.loadJasc(input);
            if (palette.count() != lines.stated)
                return fail(printable(input)
                    + QStringLiteral(
                        ": it states %1 colour(s), but %2 line(s) hold \"red green blue\"; nothing written")
                          .arg(lines.stated)
                          .arg(palette.count()));
        } else {
            IconFile icon;
            if (!icon.isIconFile(input) || !icon.load(input))
                return fail(printable(input) + QLatin1String(": ") + notAnIconReason(input));
            if (index > icon.imageCount())
                return fail(
                    printable(input) + QStringLiteral(" has %1 image(s), not %2").arg(icon.imageCount()).arg(index));
            // Directories often state 0 bits; the image's own header tells.
            const ImageBlockInfo facts = icon.blockInfo(index);
            const int bits = facts.bitCount;
            if (bits < 1 || bits > 8 || facts.format == ImageBlockInfo::Format::Png)
                return fail(printable(input)
                    + QStringLiteral(": image %1 has %2 bits per pixel%3 and no colour table")
                          .arg(index)
                          .arg(bits)
                          .arg(facts.format == ImageBlockInfo::Format::Png ? " (PNG-stored)" : ""));
            // The image's own header sizes its table; directories often state 0 bits.
            for (const QRgb c : icon.headerColourTable(index))
                palette.addColour(qRed(c), qGreen(c), qBlue(c));
        }
    } catch (const Error& e) {
        return fail(
            printable(input) + QLatin1String(": ") + describe(e) + QStringLiteral(" (error %1)").arg(e.number()));
    }
    try {
        saveOutput(
            target, [&] { return palette.jascText(); }, [&](const QString& path) { palette.saveJasc(path); });
    } catch (const Error& e) {
        return fail(QStringLiteral("cannot write %1: %2 (error %3)")
                        .arg(outputName(target), describe(e), QString::number(e.number())));
    }
    messages() << "wrote " << outputName(target) << " (" << palette.count()
               << (palette.count() == 1 ? " colour)\n" : " colours)\n");
    messages().flush();
    return ExitOk;
}

} // namespace brevane::cli
