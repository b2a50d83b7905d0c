#include "cli/CommandLine.h"
#include "cli/Commands.h"

#include "icon/IconFile.h"
#include "palette/Palette.h"
#include "platform/Error.h"

namespace brevane::cli {

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
        QStringLiteral("The palette file to write."), QStringLiteral("OUT.pal"));
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
        return usage("an output file is needed (-o OUT.pal)");
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
            palette.loadJasc(parser.value(load));
        } else {
            const QString file = parser.value(fromIcon);
            IconFile icon;
            if (!icon.isIconFile(file) || !icon.load(file))
                return fail(file + QStringLiteral(" is not a valid icon file"));
            if (index > icon.imageCount())
                return fail(QStringLiteral("%1 has %2 image(s), not %3").arg(file).arg(icon.imageCount()).arg(index));
            const int bits = icon.entry(index).wBitCount;
            if (bits > 8)
                return fail(QStringLiteral("image %1 of %2 has %3 bits per pixel and no colour table")
                                .arg(index)
                                .arg(file)
                                .arg(bits));
            // As many entries as the image's table holds, filled from it.
            for (int k = 0; k < (1 << bits); ++k)
                palette.addColour(0, 0, 0);
            palette.readFromIcon(icon, index);
        }
        palette.saveJasc(parser.value(output));
    } catch (const Error& e) {
        return fail(e.message() + QStringLiteral(" (error %1)").arg(e.number()));
    }
    out() << "wrote " << parser.value(output) << " (" << palette.count() << " colours)\n";
    out().flush();
    return ExitOk;
}

} // namespace brevane::cli
