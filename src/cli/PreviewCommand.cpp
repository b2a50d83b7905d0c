#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/Output.h"

#include "icon/IconFile.h"
#include "platform/Error.h"
#include "platform/Limits.h"
#include "platform/Surface.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>

#include <map>

namespace brevane::cli {

namespace {

    constexpr int Gap = 8;
    constexpr int Square = 8; // checkerboard squares, in sheet pixels

    void checkerboard(QPainter& p, const QRect& r)
    {
        p.save();
        p.setClipRect(r);
        for (int y = r.top(); y <= r.bottom(); y += Square)
            for (int x = r.left(); x <= r.right(); x += Square) {
                const bool dark = ((x - r.left()) / Square + (y - r.top()) / Square) % 2;
                p.fillRect(QRect(x, y, Square, Square), dark ? QColor(204, 204, 204) : QColor(255, 255, 255));
            }
        p.restore();
    }

    // Every image side by side, a gap around and between them.
    struct SheetSize {
        qint64 width = Gap;
        qint64 height = 0;
        void add(qint64 w, qint64 h, int factor)
        {
            width += w * factor + Gap;
            height = std::max(height, h * factor + 2 * Gap);
        }
        bool fits() const
        {
            return width <= limits::MaxSide && height <= limits::MaxSide
                && width * height <= limits::MaxPreviewSheetPixels;
        }
    };

} // namespace

int runPreview(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Draws every image of FILE.ico side by side into one picture, transparent pixels over a "
        "checkerboard, in the order of the icon's directory.\n"
        "The sheet may be at most %1 x %1 pixels and %2 megapixels; an image too large to load is left out.\n"
        "Exit status: 0 when the sheet was written, 1 on failure, 2 on a usage error.")
                                         .arg(limits::MaxSide)
                                         .arg(limits::MaxPreviewSheetPixels / (1024 * 1024)));
    parser.addPositionalArgument(QStringLiteral("FILE.ico"), QStringLiteral("The icon file to show."));
    const QCommandLineOption output({ QStringLiteral("o"), QStringLiteral("output") },
        QStringLiteral("The picture to write: PNG, or BMP, JPEG, WebP or TIFF by its extension; - writes PNG "
                       "to standard output."),
        QStringLiteral("SHEET.png"));
    const QCommandLineOption scale({ QStringLiteral("s"), QStringLiteral("scale") },
        QStringLiteral("Enlarge every pixel N times (1 to %1, default 1).").arg(limits::MaxPreviewScale),
        QStringLiteral("N"), QStringLiteral("1"));
    parser.addOption(output);
    parser.addOption(scale);
    if (const int rc = parseCommand(parser, args, QStringLiteral("preview"), 1, 1); rc >= 0)
        return rc;
    const auto usage = [](const QString& text) {
        err() << "brevane-cli preview: " << text << "\nRun 'brevane-cli preview --help' for usage.\n";
        err().flush();
        return ExitUsage;
    };
    if (!parser.isSet(output) || parser.value(output).isEmpty())
        return usage(QStringLiteral("-o SHEET.png is required (-o - for standard output)"));
    bool scaleOk = false;
    const int factor = parser.value(scale).toInt(&scaleOk);
    if (!scaleOk || factor < 1 || factor > limits::MaxPreviewScale)
        return usage(QStringLiteral("the scale must be a whole number from 1 to %1").arg(limits::MaxPreviewScale));

    const auto fail = [](const QString& text) {
        err() << "brevane-cli preview: " << text << "\n";
        err().flush();
        return ExitFailed;
    };
    const QString file = parser.positionalArguments().constFirst();
    const QString sheetPath = parser.value(output);
    if (const QString why = unreadableReason(file); !why.isEmpty())
        return fail(printable(file) + QLatin1String(": ") + why);
    if (!replacedInput(sheetPath, { file }).isEmpty())
        return fail(printable(sheetPath) + QLatin1String(": the sheet would replace its own input; nothing written"));

    IconFile icon;
    try {
        if (!icon.isIconFile(file) || !icon.load(file))
            return fail(printable(file) + QLatin1String(": ") + notAnIconReason(file));
    } catch (const Error& e) {
        return fail(printable(file) + QLatin1String(": ") + describe(e));
    }

    // Every image the sheet shows, in directory order; entries that share one block share its
    // decoded image. Sizes come from the blocks' headers, so the sheet is known to fit before
    // anything is decoded.
    using BlockKey = std::pair<qint32, qint32>; // offset and size in the file
    std::map<BlockKey, QImage> decoded;
    SheetSize planned;
    for (qint32 i = 1; i <= icon.imageCount(); ++i) {
        ImageBlockInfo info;
        try {
            info = icon.blockInfo(i);
        } catch (const Error& e) {
            err() << "brevane-cli preview: image " << i << ": " << describe(e) << "; left out\n";
            continue;
        }
        // Checked before a PNG-stored block reaches its decoder.
        if (!limits::pictureFits(info.width, info.height)) {
            err() << "brevane-cli preview: image " << i << ": " << info.width << " x " << info.height
                  << " pixels is too large to load; left out\n";
            continue;
        }
        const BlockKey key { icon.entry(i).dwImageOffset, icon.entry(i).dwBytesInRes };
        decoded.emplace(key, QImage());
        planned.add(info.width, info.height, factor);
    }
    const auto tooLarge = [&](const SheetSize& size) {
        return fail(printable(file)
            + QStringLiteral(": the sheet would be %1 x %2 pixels, more than the limit of %3 x %3 and "
                             "%4 megapixels; try a smaller --scale")
                  .arg(size.width)
                  .arg(size.height)
                  .arg(limits::MaxSide)
                  .arg(limits::MaxPreviewSheetPixels / (1024 * 1024)));
    };
    if (!planned.fits())
        return tooLarge(planned);

    QList<QImage> images;
    for (qint32 i = 1; i <= icon.imageCount(); ++i) {
        const BlockKey key { icon.entry(i).dwImageOffset, icon.entry(i).dwBytesInRes };
        const auto it = decoded.find(key);
        if (it == decoded.end())
            continue; // left out above
        if (it->second.isNull()) {
            try {
                // As the icon shows it: the mask applied, a 32-bit or PNG-stored image's own
                // alpha, a PNG decoded under the picture limits.
                it->second = icon.imageWithAlpha(Surface::colour(1, 1), i).convertToFormat(QImage::Format_ARGB32);
            } catch (const Error& e) {
                err() << "brevane-cli preview: image " << i << ": " << describe(e) << "\n";
            }
        }
        if (it->second.isNull())
            err() << "brevane-cli preview: image " << i << " cannot be drawn; left out\n";
        else
            images.append(it->second);
    }
    err().flush();
    if (images.isEmpty())
        return fail(printable(file) + QLatin1String(" has no image that can be drawn"));

    // Laid out from what was decoded, which a renderer may size by the directory instead.
    SheetSize drawn;
    for (const QImage& image : images)
        drawn.add(image.width(), image.height(), factor);
    if (!drawn.fits())
        return tooLarge(drawn);
    // Opaque throughout: the checkerboard stands for transparency.
    QImage sheet(int(drawn.width), int(drawn.height), QImage::Format_RGB32);
    if (sheet.isNull())
        return fail(QStringLiteral("no memory for the sheet of ") + printable(file));
    sheet.fill(QColor(128, 128, 128));
    {
        QPainter p(&sheet);
        int x = Gap;
        for (const QImage& image : images) {
            const QRect target(x, Gap, image.width() * factor, image.height() * factor);
            checkerboard(p, target);
            // Enlarged pixel for pixel, never smoothed.
            p.drawImage(target, image);
            x += target.width() + Gap;
        }
    }

    // Formats that keep the sheet's colours; any other name (.gif, .ico, .xbm ...) gets PNG.
    static const QByteArrayList byName { "bmp", "jpg", "jpeg", "webp", "tif", "tiff" };
    QByteArray format
        = isStandardOutput(sheetPath) ? QByteArray("png") : QFileInfo(sheetPath).suffix().toLower().toLatin1();
    if (!byName.contains(format) || !QImageWriter::supportedImageFormats().contains(format))
        format = "png";
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(sheet))
        return fail(
            QStringLiteral("cannot encode the sheet as %1: %2").arg(QString::fromLatin1(format), writer.errorString()));
    try {
        saveOutput(sheetPath, encoded);
    } catch (const Error& e) {
        return fail(QStringLiteral("cannot write %1: %2").arg(outputName(sheetPath), describe(e)));
    }
    messages() << outputName(sheetPath) << ": " << images.size() << (images.size() == 1 ? " image" : " images")
               << " of " << printable(file) << "\n";
    messages().flush();
    return ExitOk;
}

} // namespace brevane::cli
