#include "cli/CommandLine.h"
#include "cli/Commands.h"

#include "icon/IconFile.h"
#include "platform/Error.h"
#include "platform/SafeWrite.h"
#include "platform/Surface.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>

namespace brevane::cli {

namespace {

    constexpr int Gap = 8;
    constexpr int Square = 8; // checkerboard squares, in sheet pixels
    constexpr int MaxScale = 16;

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

    // One image of the icon with alpha from its mask. Blocks stored as PNG (as newer icons
    // keep their large images) are decoded as such.
    QImage imageOf(const IconFile& icon, qint32 index)
    {
        const QByteArray& block = icon.imageBlock(index);
        if (block.startsWith("\x89PNG\r\n\x1a\n"))
            return QImage::fromData(block, "png").convertToFormat(QImage::Format_ARGB32);
        return icon.imageWithAlpha(Surface::colour(1, 1), index);
    }

} // namespace

int runPreview(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Draws every image of FILE.ico side by side into one picture, transparent pixels over a "
                       "checkerboard, in the order of the icon's directory.\n"
                       "Exit status: 0 when the sheet was written, 1 on failure, 2 on a usage error."));
    parser.addPositionalArgument(QStringLiteral("FILE.ico"), QStringLiteral("The icon file to show."));
    const QCommandLineOption output({ QStringLiteral("o"), QStringLiteral("output") },
        QStringLiteral("The picture to write (PNG, or BMP/JPEG by its extension)."), QStringLiteral("SHEET.png"));
    const QCommandLineOption scale({ QStringLiteral("s"), QStringLiteral("scale") },
        QStringLiteral("Enlarge every pixel N times (1 to 16, default 1)."), QStringLiteral("N"), QStringLiteral("1"));
    parser.addOption(output);
    parser.addOption(scale);
    if (const int rc = parseCommand(parser, args, QStringLiteral("preview"), 1, 1); rc >= 0)
        return rc;
    if (!parser.isSet(output)) {
        err() << "brevane-cli preview: -o SHEET.png is required\n";
        err().flush();
        return ExitUsage;
    }
    bool scaleOk = false;
    const int factor = parser.value(scale).toInt(&scaleOk);
    if (!scaleOk || factor < 1 || factor > MaxScale) {
        err() << "brevane-cli preview: the scale must be a whole number from 1 to " << MaxScale << "\n";
        err().flush();
        return ExitUsage;
    }

    const QString file = parser.positionalArguments().constFirst();
    const QString sheetPath = parser.value(output);
    IconFile icon;
    QList<QImage> images;
    try {
        if (!icon.isIconFile(file) || !icon.load(file)) {
            err() << "brevane-cli preview: " << file << " is not a valid icon file\n";
            err().flush();
            return ExitFailed;
        }
        for (qint32 i = 1; i <= icon.imageCount(); ++i) {
            QImage image;
            try {
                image = imageOf(icon, i);
            } catch (const Error& e) {
                err() << "brevane-cli preview: image " << i << ": " << e.description() << "\n";
            }
            if (image.isNull())
                err() << "brevane-cli preview: image " << i << " cannot be drawn; left out\n";
            else
                images.append(image);
        }
    } catch (const Error& e) {
        err() << "brevane-cli preview: " << file << ": " << e.description() << "\n";
        err().flush();
        return ExitFailed;
    }
    err().flush();
    if (images.isEmpty()) {
        err() << "brevane-cli preview: " << file << " has no image that can be drawn\n";
        err().flush();
        return ExitFailed;
    }

    int width = Gap, height = 0;
    for (const QImage& image : images) {
        width += image.width() * factor + Gap;
        height = std::max(height, image.height() * factor);
    }
    QImage sheet(width, height + 2 * Gap, QImage::Format_ARGB32);
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

    QByteArray format = QFileInfo(sheetPath).suffix().toLower().toLatin1();
    if (!QImageWriter::supportedImageFormats().contains(format))
        format = "png";
    QString encoderError;
    WriteProblem problem;
    const SafeWriteResult written = writeFileSafely(sheetPath, &problem, [&](QIODevice& device) {
        QImageWriter writer(&device, format);
        if (writer.write(sheet.convertToFormat(QImage::Format_RGB32)))
            return true;
        encoderError = writer.errorString();
        return false;
    });
    if (written != SafeWriteResult::Ok) {
        // The system's reason when there is one, else the encoder's.
        const QString why
            = problem.reason.isEmpty() ? sheetPath + QStringLiteral(": ") + encoderError : problem.detail();
        err() << "brevane-cli preview: cannot write " << why << "\n";
        err().flush();
        return ExitFailed;
    }
    out() << sheetPath << ": " << images.size() << (images.size() == 1 ? " image" : " images") << " of " << file
          << "\n";
    out().flush();
    return ExitOk;
}

} // namespace brevane::cli
