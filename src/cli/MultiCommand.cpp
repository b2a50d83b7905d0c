#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/Output.h"

#include "cli/ColourOption.h"
#include "icon/IconFile.h"
#include "multipage/MultiPageIcon.h"
#include "multipage/MultiSizeIcon.h"
#include "platform/Error.h"
#include "platform/PictureLoader.h"

#include <algorithm>
#include <optional>

namespace brevane::cli {

namespace {

    // Names in text may be escaped already; escaping again changes nothing.
    int fail(const QString& text)
    {
        out().flush();
        err() << "brevane-cli multi: " << printable(text) << "\n";
        err().flush();
        return ExitFailed;
    }

    int runMultiSize(const QCommandLineParser& parser, const QString& target);

    int usage(const QString& text)
    {
        err() << "brevane-cli multi: " << printable(text) << "\nRun 'brevane-cli multi --help' for usage.\n";
        err().flush();
        return ExitUsage;
    }

    // --sizes: "16,32,256".
    bool parseSizes(const QString& text, QList<int>& sizes)
    {
        for (const QString& part : text.split(QLatin1Char(','))) {
            bool ok = false;
            const int size = part.trimmed().toInt(&ok);
            if (!ok || !MultiSizeIcon::isStandardSize(size))
                return false;
            sizes.append(size);
        }
        return !sizes.isEmpty();
    }

    // What a picture that cannot be read gives: the dialog's "Invalid picture !" for a file
    // that is no picture, the loader's reason for one over a budget.
    QString pictureError(const QString& path, const Error& e)
    {
        const bool plain = e.number() == err::InvalidPicture && !e.description().contains(QLatin1Char(':'));
        return printable(path) + QLatin1String(": ")
            + (plain ? QStringLiteral("Invalid picture !") : printable(e.description()));
    }

    // Every picture is read before anything is written; the first that cannot be is named.
    // Only what is used is decoded: the top-left square of a cropped picture, a fitted one
    // no larger than the largest size needs.
    bool loadPicture(const QString& path, Placement placement, int side, Picture& picture, QString& message)
    {
        if (const QString why = unreadableReason(path); !why.isEmpty()) {
            message = printable(path) + QLatin1String(": ") + why;
            return false;
        }
        try {
            picture = placement == Placement::Fit ? PictureLoader::loadToFit(path, side)
                                                  : PictureLoader::load(path, QSize(side, side));
            return true;
        } catch (const Error& e) {
            message = pictureError(path, e);
            return false;
        }
    }

    // The file the icon goes to: FILE with ".ico" added, or "-" for standard output.
    QString iconTarget(const QString& chosen)
    {
        return isStandardOutput(chosen) ? chosen : MultiPageIcon::iconFileName(chosen);
    }

    // Refuses an icon that would be written over one of its own pictures (links followed).
    bool replacesInput(const QString& target, const QStringList& pictures)
    {
        if (replacedInput(target, pictures).isEmpty())
            return false;
        fail(printable(target) + QLatin1String(": the icon would replace its own input; nothing written"));
        return true;
    }

    void writeIcon(IconFile& icon, const QString& target)
    {
        saveOutput(
            target, [&] { return icon.toBytes(); }, [&](const QString& path) { icon.save(path); });
    }

    int written(const QString& target, qsizetype count)
    {
        messages() << outputName(target) << ": " << count << (count == 1 ? " image\n" : " images\n");
        messages().flush();
        return ExitOk;
    }

} // namespace

int runMulti(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Builds one icon file of several sizes.\n"
        "With --from, one picture makes every size (default sizes 16,24,32,48,256; 32 bits with alpha), scaled "
        "to fit each square keeping its proportions and centred (--crop takes its top-left square unscaled "
        "instead). --image SIZE=PIC gives one size a picture of its own, used as drawn (top-left square, never "
        "scaled); the sizes of --image are always written. Images are written smallest first; a 256-pixel "
        "32-bit image is PNG-stored.\n"
        "-b sets the bits per pixel of every image: 1, 4, 8, 24 or 32 (default 32 with --from, 24 otherwise). "
        "At 32 bits the pictures keep their alpha; -t COLOR or top-left makes a colour fully transparent as "
        "well. Below 32 bits each picture is drawn over the transparent colour (default 255,255,255; none: "
        "255,255,250), whose pixels become transparent.\n"
        "Without any of --from, --image, --sizes, -b, --fit or --crop, it works as it always has: up to three "
        "24-bit images, 16x16 from --small, 32x32 from --normal and 48x48 from --large, in that order, each the "
        "top-left square of its picture, a smaller picture padded with white (255,255,255, the usual window "
        "colour the dialog's previews show); -t is R,G,B (decimal, each 0 to 255), #RRGGBB or top-left. With the new "
        "options, --small, --normal and --large stand for --image 16=, 32= and 48=.\n"
        "\".ico\" is appended to FILE unless it already ends in .ico (in any letter case); -o - writes the icon "
        "to standard output and the message to stderr. The icon never replaces one of its pictures.\n"
        "Exit status: 0 when the icon was written, 1 when it was not (no picture given, a missing or invalid "
        "picture, a folder given as a picture, an icon that would replace its picture, a file that cannot be "
        "written), 2 on a usage error."));
    const QCommandLineOption output({ QStringLiteral("o"), QStringLiteral("output") },
        QStringLiteral("The icon file to write, - for standard output."), QStringLiteral("FILE"));
    const QCommandLineOption from(
        QStringLiteral("from"), QStringLiteral("One picture for every size."), QStringLiteral("PIC"));
    const QCommandLineOption sizes(QStringLiteral("sizes"),
        QStringLiteral("Comma-separated sizes from 16, 20, 24, 32, 40, 48, 64, 72, 80, 96, 128, 256 (default with "
                       "--from: 16,24,32,48,256)."),
        QStringLiteral("LIST"));
    const QCommandLineOption image(QStringLiteral("image"),
        QStringLiteral("A picture for one size, used as drawn; may be repeated."), QStringLiteral("SIZE=PIC"));
    const QCommandLineOption bits({ QStringLiteral("b"), QStringLiteral("bits") },
        QStringLiteral("Bits per pixel: 1, 4, 8, 24 or 32."), QStringLiteral("BITS"));
    const QCommandLineOption fit(
        QStringLiteral("fit"), QStringLiteral("Scale the --from picture to fit each size (the default)."));
    const QCommandLineOption crop(
        QStringLiteral("crop"), QStringLiteral("Take the top-left square of the --from picture, unscaled."));
    const QCommandLineOption small(
        QStringLiteral("small"), QStringLiteral("Picture for the 16x16 image."), QStringLiteral("PIC"));
    const QCommandLineOption normal(
        QStringLiteral("normal"), QStringLiteral("Picture for the 32x32 image."), QStringLiteral("PIC"));
    const QCommandLineOption large(
        QStringLiteral("large"), QStringLiteral("Picture for the 48x48 image."), QStringLiteral("PIC"));
    const QCommandLineOption transparent({ QStringLiteral("t"), QStringLiteral("transparent") },
        QStringLiteral("Transparent colour: R,G,B, #RRGGBB, top-left or none (see above)."),
        QStringLiteral("COLOR|top-left|none"));
    parser.addOptions({ output, from, sizes, image, bits, fit, crop, small, normal, large, transparent });
    if (const int rc = parseCommand(parser, args, QStringLiteral("multi"), 0, 0); rc >= 0)
        return rc;

    const QString file = parser.value(output);
    if (file.isEmpty())
        return usage(QStringLiteral("-o FILE is required"));
    const bool newKind = parser.isSet(from) || parser.isSet(sizes) || parser.isSet(image) || parser.isSet(bits)
        || parser.isSet(fit) || parser.isSet(crop);
    if (newKind)
        return runMultiSize(parser, file);
    const QString target = iconTarget(file);

    TransparentChoice choice;
    if (parser.isSet(transparent)) {
        const QString value = parser.value(transparent);
        const auto option = parseTransparentOption(value, false);
        if (!option)
            return usage(QStringLiteral("-t takes R,G,B, #RRGGBB or top-left, not '%1'").arg(value));
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
    QStringList inputs;
    for (const QCommandLineOption* o : pictures)
        inputs.append(parser.value(*o));
    if (replacesInput(target, inputs))
        return ExitFailed;
    for (int slot = 0; slot < MultiPageIcon::SlotCount; ++slot) {
        const QString picture = inputs[slot];
        if (picture.isEmpty())
            continue;
        icon.setPath(slot, picture);
        if (const QString why = unreadableReason(picture); !why.isEmpty())
            return fail(printable(picture) + QLatin1String(": ") + why);
        // Unlike the dialog, which keeps a slot whose picture failed, nothing is written
        // from a picture that cannot be read.
        try {
            icon.loadPreview(slot, picture);
        } catch (const Error& e) {
            return fail(pictureError(picture, e));
        }
    }

    MultiPageIcon::SaveResult result;
    try {
        result = icon.save(
            file, choice, MultiPageIcon::runDirectly, [&](IconFile& made, const QString&) { writeIcon(made, target); });
    } catch (const Error& e) {
        return fail(outputName(target) + QLatin1String(": ") + describe(e));
    }
    switch (result.outcome) {
    case MultiPageIcon::Outcome::NoImages:
        return fail(QStringLiteral("There are no images !"));
    case MultiPageIcon::Outcome::InvalidColour:
        return fail(QStringLiteral("Invalid transparent color !"));
    case MultiPageIcon::Outcome::NotSaved:
        return fail(outputName(target) + QLatin1String(": not written"));
    case MultiPageIcon::Outcome::Saved:
        break;
    }
    return written(target, result.imageCount);
}

namespace {

    // --from, --image, --sizes, -b, --fit, --crop: one icon of many sizes.
    int runMultiSize(const QCommandLineParser& parser, const QString& file)
    {
        const QString target = iconTarget(file);
        MultiSizeIcon icon;
        const bool hasFrom = parser.isSet(QStringLiteral("from"));
        const QString bitsText = parser.value(QStringLiteral("b"));
        const int bitCount = bitsText.isEmpty() ? (hasFrom ? 32 : 24) : bitsText.toInt();
        if (!MultiSizeIcon::isBitCount(bitCount) || (!bitsText.isEmpty() && QString::number(bitCount) != bitsText))
            return usage(QStringLiteral("the bits per pixel must be 1, 4, 8, 24 or 32, not '%1'").arg(bitsText));
        icon.setBitCount(bitCount);
        if (parser.isSet(QStringLiteral("fit")) && parser.isSet(QStringLiteral("crop")))
            return usage(QStringLiteral("--fit and --crop exclude each other"));
        icon.setPlacement(parser.isSet(QStringLiteral("crop")) ? Placement::Crop : Placement::Fit);

        const QString transText = parser.value(QStringLiteral("t"));
        std::optional<TransparentOption> colour
            = TransparentOption { bitCount == 32 ? TransparentOption::Kind::None : TransparentOption::Kind::Colour };
        if (parser.isSet(QStringLiteral("t")))
            colour = parseTransparentOption(transText, true);
        if (!colour)
            return usage(QStringLiteral("the transparent colour must be R,G,B, #RRGGBB, top-left or none, not '%1'")
                             .arg(transText));
        switch (colour->kind) {
        case TransparentOption::Kind::None:
            icon.setTransparency({ Transparency::Kind::PictureOnly });
            break;
        case TransparentOption::Kind::TopLeft:
            icon.setTransparency({ Transparency::Kind::TopLeft });
            break;
        case TransparentOption::Kind::Colour:
            icon.setTransparency({ Transparency::Kind::Colour, colour->colour });
            break;
        }

        // Sizes and the pictures of their own, all checked before any picture is read.
        QList<int> chosen;
        if (parser.isSet(QStringLiteral("sizes")) && !parseSizes(parser.value(QStringLiteral("sizes")), chosen))
            return usage(
                QStringLiteral("--sizes takes sizes from 16, 20, 24, 32, 40, 48, 64, 72, 80, 96, 128, 256, not '%1'")
                    .arg(parser.value(QStringLiteral("sizes"))));
        if (!parser.isSet(QStringLiteral("sizes")) && hasFrom)
            chosen = MultiSizeIcon::defaultSizes();
        QList<std::pair<int, QString>> own;
        for (const QString& value : parser.values(QStringLiteral("image"))) {
            const qsizetype eq = value.indexOf(QLatin1Char('='));
            bool ok = false;
            const int size = eq > 0 ? value.left(eq).toInt(&ok) : 0;
            if (!ok || !MultiSizeIcon::isStandardSize(size) || eq + 1 >= value.size())
                return usage(
                    QStringLiteral("--image takes SIZE=PICTURE with a size from 16, 20, 24, 32, 40, 48, 64, 72, 80, "
                                   "96, 128, 256, not '%1'")
                        .arg(value));
            own.append({ size, value.mid(eq + 1) });
        }
        const std::pair<const char*, int> slots[] = { { "small", 16 }, { "normal", 32 }, { "large", 48 } };
        for (const auto& [name, size] : slots)
            if (parser.isSet(QLatin1String(name)) && !parser.value(QLatin1String(name)).isEmpty())
                own.append({ size, parser.value(QLatin1String(name)) });
        for (const auto& picture : own) {
            const int size = picture.first;
            if (std::count_if(own.begin(), own.end(), [size](const auto& o) { return o.first == size; }) > 1)
                return usage(QStringLiteral("size %1 is given two pictures").arg(size));
            chosen.append(size);
        }
        if (chosen.isEmpty())
            return fail(QStringLiteral("There are no images !"));
        icon.setSizes(chosen);

        QStringList inputs { parser.value(QStringLiteral("from")) };
        for (const auto& picture : own)
            inputs.append(picture.second);
        if (replacesInput(target, inputs))
            return ExitFailed;
        QString message;
        if (hasFrom) {
            Picture picture;
            if (!loadPicture(
                    parser.value(QStringLiteral("from")), icon.placement(), icon.sizes().last(), picture, message))
                return fail(message);
            icon.setPicture(picture);
        }
        for (const auto& [size, path] : own) {
            Picture picture;
            if (!loadPicture(path, Placement::Crop, size, picture, message))
                return fail(message);
            icon.setOwnPicture(size, picture);
        }
        if (const QList<int> missing = icon.sizesWithoutPicture(); !missing.isEmpty())
            return usage(
                QStringLiteral("size %1 has no picture: give --from PIC or --image %1=PIC").arg(missing.first()));

        try {
            IconFile made = icon.build();
            writeIcon(made, target);
        } catch (const Error& e) {
            return fail(outputName(target) + QLatin1String(": ") + describe(e));
        }
        return written(target, icon.sizes().size());
    }

} // namespace

} // namespace brevane::cli
