#include "cli/ColourOption.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"

#include "convert/BatchConverter.h"
#include "icon/IconFile.h"
#include "multipage/MultiSizeIcon.h"
#include "platform/FileIdentity.h"
#include "platform/PictureBox.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QThread>

#include <cstdio>
#include <unistd.h>

namespace brevane::cli {

namespace {

    int usage(const QString& message)
    {
        err() << "brevane-cli convert: " << message << "\n";
        err() << "Run 'brevane-cli convert --help' for usage.\n";
        err().flush();
        return ExitUsage;
    }

    // Every file directly in 'folder' (hidden ones aside) by name, its icon in 'target';
    // with 'recursive', then each sub-folder's, mirrored under 'target'. Links to folders are
    // not followed (one could lead back up the tree), nor is the folder the icons go to.
    void addFolder(std::vector<PictureRow>& rows, const QString& folder, const QString& target, bool recursive,
        const QString& iconFolder)
    {
        const QDir dir(folder);
        // The top folder's icons go where those of pictures named one by one go.
        const QString rowTarget = target == iconFolder ? QString() : target;
        const QString path = dir.absolutePath(); // one string for every row
        for (const QFileInfo& file : dir.entryInfoList(QDir::Files, QDir::Name))
            rows.push_back({ file.fileName(), path, rowTarget });
        if (!recursive)
            return;
        for (const QFileInfo& sub : dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
            const auto id = fileIdentity(sub.filePath());
            if (!sub.isSymLink() && id && id != fileIdentity(iconFolder))
                addFolder(rows, sub.filePath(), BatchConverter::joinPath(target, sub.fileName()), true, iconFolder);
        }
    }

    // "n of N" on the terminal once a run has taken a moment; nothing when stderr is not one.
    class ProgressLine {
    public:
        ProgressLine(int total, bool quiet)
            : m_total(total)
            , m_enabled(!quiet && isatty(fileno(stderr)) != 0 && total > 1)
        {
            m_clock.start();
        }
        void show(int n)
        {
            if (!m_enabled || m_clock.elapsed() < 500 || m_clock.elapsed() - m_last < 100)
                return;
            m_last = m_clock.elapsed();
            err() << "\rConverting " << n << " of " << m_total;
            err().flush();
            m_shown = true;
        }
        void clear()
        {
            if (m_shown) {
                err() << "\r\033[K";
                err().flush();
                m_shown = false;
            }
        }

    private:
        int m_total;
        bool m_enabled;
        bool m_shown = false;
        qint64 m_last = 0;
        QElapsedTimer m_clock;
    };

} // namespace

int runConvert(const QStringList& args)
{
    QCommandLineParser parser;
    // One line a paragraph, as the other commands write theirs: the terminal wraps it, and the
    // man page makes each line that ends a sentence a paragraph of its own.
    parser.setApplicationDescription(QStringLiteral(
        "Turns each PICTURE into DIR/NAME.ico with one square image: the picture drawn unscaled at the top-left of "
        "a square of the icon size whose background is the transparent colour (so larger pictures are cropped, "
        "smaller ones padded), or scaled to fit the square.\n"
        "A folder given as a PICTURE stands for every picture directly in it; files in it that are not pictures are "
        "skipped with a note. A recursive run converts its sub-folders too, into the same sub-folders of DIR. Two "
        "pictures that would make one icon (a.bmp and a.png, or x.png and another folder's x.gif) are refused after "
        "the first; no icon made in a run is replaced.\n"
        "Exit status: 0 when every icon was written, 1 when some picture failed (the others are still converted), 2 "
        "on a usage error or a DIR that is not an existing folder."));
    const QCommandLineOption outDir({ QStringLiteral("o"), QStringLiteral("output") },
        QStringLiteral("The folder the icons are written to (must exist)."), QStringLiteral("DIR"));
    const QCommandLineOption size({ QStringLiteral("s"), QStringLiteral("size") },
        QStringLiteral(
            "Icon size: 16, 20, 24, 32, 40, 48, 64, 72, 80, 96, 128, 256, or auto (from each picture's width: up to "
            "16, 32, 48; wider pictures keep the size before them, starting from 32). A 256-pixel image is "
            "PNG-stored at 32 bits and BMP-stored below. Default: auto."),
        QStringLiteral("SIZE"), QStringLiteral("auto"));
    const QCommandLineOption bits({ QStringLiteral("b"), QStringLiteral("bits") },
        QStringLiteral("Bits per pixel: 1, 4, 8, 24, or 32 (with the picture's own alpha). Default: 24."),
        QStringLiteral("BITS"), QStringLiteral("24"));
    const QCommandLineOption trans({ QStringLiteral("t"), QStringLiteral("transparent") },
        QStringLiteral(
            "Transparent colour: R,G,B or #RRGGBB; top-left (each picture's own top-left pixel); or none. Below 32 "
            "bits the picture is drawn over this colour and its pixels become transparent; none uses 255,255,250, "
            "so padding beyond a small picture and pixels of exactly that colour stay transparent. At 32 bits the "
            "picture's own alpha always counts, and a colour (or a top-left pixel that is not transparent) is made "
            "fully transparent as well. Default: top-left; none at 32 bits."),
        QStringLiteral("COLOR"), QStringLiteral("top-left"));
    const QCommandLineOption fit(QStringLiteral("fit"),
        QStringLiteral("Scale each picture to fit the square, keeping its proportions, centred; the rest is "
                       "transparent. Vector pictures (SVG, EMF, WMF) are drawn at the size itself."));
    const QCommandLineOption verbose(
        { QStringLiteral("v"), QStringLiteral("verbose") }, QStringLiteral("Name each icon file written."));
    const QCommandLineOption recursive({ QStringLiteral("r"), QStringLiteral("recursive") },
        QStringLiteral("Folders: convert their sub-folders too (not those reached through links), each into the "
                       "same sub-folder of DIR, made when needed."));
    const QCommandLineOption quiet({ QStringLiteral("q"), QStringLiteral("quiet") },
        QStringLiteral("No progress and no notes; failures are still reported."));
    parser.addOptions({ outDir, size, bits, trans, fit, verbose, recursive, quiet });
    parser.addPositionalArgument(QStringLiteral("PICTURE"),
        QStringLiteral("Pictures to convert, or folders of pictures."), QStringLiteral("PICTURE..."));
    if (const int rc = parseCommand(parser, args, QStringLiteral("convert"), 1, -1); rc >= 0)
        return rc;

    if (!parser.isSet(outDir))
        return usage(QStringLiteral("the target folder (-o DIR) is required"));
    BatchOptions options;
    options.targetFolder = parser.value(outDir);

    const QString sizeText = parser.value(size);
    if (sizeText == QLatin1String("auto")) {
        options.autoSize = true;
    } else if (const int n = sizeText.toInt(); MultiSizeIcon::isStandardSize(n) && QString::number(n) == sizeText) {
        options.size = n;
    } else {
        return usage(
            QStringLiteral("the size must be 16, 20, 24, 32, 40, 48, 64, 72, 80, 96, 128, 256 or auto, not '%1'")
                .arg(sizeText));
    }

    const QString bitsText = parser.value(bits);
    static const QRegularExpression depth(QStringLiteral("^(1|4|8|24|32)$"));
    if (!depth.match(bitsText).hasMatch())
        return usage(QStringLiteral("the bits per pixel must be 1, 4, 8, 24 or 32, not '%1'").arg(bitsText));
    if (bitsText == QLatin1String("32"))
        options.withAlpha = true;
    else
        options.colourCount = ColourDepth::colourCountFor(bitsText.toInt());
    if (parser.isSet(fit))
        options.placement = Placement::Fit;

    // The surface starts white, as the dialog's empty preview does.
    options.transparentColour = RGB(255, 255, 255);
    // At 32 bits the picture's alpha alone decides unless a colour is asked for.
    const QString transText = options.withAlpha && !parser.isSet(trans) ? QStringLiteral("none") : parser.value(trans);
    const auto transparent = parseTransparentOption(transText, true);
    if (!transparent)
        return usage(
            QStringLiteral("the transparent colour must be R,G,B, #RRGGBB, top-left or none, not '%1'").arg(transText));
    switch (transparent->kind) {
    case TransparentOption::Kind::TopLeft:
        options.autoMask = true;
        break;
    case TransparentOption::Kind::None:
        // As clearing "Icon is transparent ?" does.
        options.transparent = false;
        options.transparentColour = MultiSizeIcon::PaddingColour;
        break;
    case TransparentOption::Kind::Colour:
        options.transparentColour = transparent->colour;
        break;
    }

    if (!BatchConverter::folderExists(options.targetFolder)) {
        const bool exists = !options.targetFolder.isEmpty() && QFileInfo::exists(options.targetFolder);
        err() << "brevane-cli convert: " << printable(options.targetFolder) << ": "
              << (exists ? "is not a folder" : "does not exist") << "\n";
        err().flush();
        return ExitUsage;
    }

    std::vector<PictureRow> rows;
    std::vector<bool> inFolder; // found in a folder given: a file there that is no picture is only noted
    // Why a picture named cannot be read, by row, said as the other commands say it (the engine
    // knows only "File not found"), naming the argument as given. The row stays in the run,
    // which fails it at once: it still counts as an input no icon may replace.
    QHash<int, QString> unreadable;
    const QStringList pictures = parser.positionalArguments();
    rows.reserve(static_cast<std::size_t>(pictures.size()));
    QString folder; // shared by rows in one folder, and a bare name with its argument: memory stays flat
    for (const QString& p : pictures) {
        const QFileInfo info(p);
        if (info.isDir()) {
            addFolder(rows, p, options.targetFolder, parser.isSet(recursive), options.targetFolder);
            inFolder.resize(rows.size(), true);
        } else {
            if (const QString path = info.absolutePath(); path != folder)
                folder = path;
            const QString name = info.fileName();
            rows.push_back({ name == p ? p : name, folder });
            inFolder.push_back(false);
            if (const QString why = unreadableReason(p); !why.isEmpty())
                unreadable.insert(static_cast<int>(rows.size()), printable(p) + QLatin1String(": ") + why);
        }
    }

    PictureBox surface(options.size + 2, options.size + 2, options.transparentColour);
    BatchConverter converter(surface);
    // Decoding runs on every core while this thread draws and writes the icons in order.
    converter.setLoadThreads(QThread::idealThreadCount());
    const bool beQuiet = parser.isSet(quiet);
    ProgressLine progress(static_cast<int>(rows.size()), beQuiet);
    const bool beVerbose = parser.isSet(verbose);
    converter.onPictureShown = [&](int n, int) { progress.show(n); };
    converter.onIconWritten = [&](const IconMade& made) {
        if (beVerbose) {
            progress.clear();
            out() << printable(made.path) << "\n";
            out().flush();
        }
    };
    int failed = 0;
    const BatchConverter::Outcome outcome = converter.runEach(rows, options);
    for (const BatchFailure& f : converter.failures()) {
        progress.clear();
        const bool note = f.notAPicture && inFolder[std::size_t(f.row - 1)];
        if (!note)
            err() << "brevane-cli convert: "
                  << unreadable.value(f.row, printable(f.picture) + QLatin1String(": ") + printable(f.message)) << "\n";
        else if (!beQuiet)
            err() << "brevane-cli convert: " << printable(f.picture) << ": not a picture, skipped\n";
        failed += note ? 0 : 1;
    }
    progress.clear();
    err().flush();
    if (outcome == BatchConverter::Outcome::FolderInvalid)
        return ExitUsage;
    return failed == 0 ? ExitOk : ExitFailed;
}
} // namespace brevane::cli
