#include "cli/CommandLine.h"
#include "cli/Commands.h"

#include "icon/IconFile.h"
#include "platform/Error.h"

namespace brevane::cli {

int runInfo(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Checks FILE.ico and lists its images: number, width x height, bits per pixel, "
        "colour count, bytes and offset.\nExit status: 0 for a valid icon, 1 when it is not one, 2 on a usage error."));
    parser.addPositionalArgument(QStringLiteral("FILE.ico"), QStringLiteral("The icon file to check."));
    if (const int rc = parseCommand(parser, args, QStringLiteral("info"), 1, 1); rc >= 0)
        return rc;

    const QString file = parser.positionalArguments().constFirst();
    IconFile icon;
    const bool valid = icon.isIconFile(file);
    out() << file << ": " << (valid ? "a valid icon file" : "not a valid icon file") << "\n";
    if (!valid) {
        out().flush();
        err() << "brevane-cli info: " << file << " is not a valid icon file\n";
        err().flush();
        return ExitFailed;
    }
    try {
        if (!icon.load(file)) {
            out().flush();
            err() << "brevane-cli info: cannot read " << file << "\n";
            err().flush();
            return ExitFailed;
        }
        out() << icon.imageCount() << (icon.imageCount() == 1 ? " image\n" : " images\n");
        for (qint32 i = 1; i <= icon.imageCount(); ++i) {
            const IconDirEntry& e = icon.entry(i);
            QString colours;
            try {
                colours = QString::number(icon.imageColourCount(i));
            } catch (const Error&) {
                colours = QStringLiteral("?");
            }
            out() << "  " << i << ": " << icon.imageWidth(i) << "x" << icon.imageHeight(i) << ", " << e.wBitCount
                  << " bpp, " << colours << " colours, " << e.dwBytesInRes << " bytes at offset " << e.dwImageOffset
                  << "\n";
        }
    } catch (const Error& e) {
        out().flush();
        err() << "brevane-cli info: " << file << ": " << e.description() << "\n";
        err().flush();
        return ExitFailed;
    }
    out().flush();
    return ExitOk;
}

} // namespace brevane::cli
