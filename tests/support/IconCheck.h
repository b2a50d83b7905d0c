#pragma once

// Icons read back by programs not ours (icotool lists, ImageMagick decodes, the AND mask
// becoming alpha); expected pictures built from the source picture, never by our reader.

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "support/Tools.h"

// Fails with the text unless it is empty (the differences found by the checks below).
#define VERIFY_SAME(differences)                                                                                       \
    do {                                                                                                               \
        const QString found_ = (differences);                                                                          \
        QVERIFY2(found_.isEmpty(), qPrintable(found_));                                                                \
    } while (false)

namespace brevane::test {

struct ToolRun {
    int exitCode = -1;
    QString out, err;
};

inline ToolRun runTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000))
        return {};
    return { p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
        QString::fromLocal8Bit(p.readAllStandardOutput()), QString::fromLocal8Bit(p.readAllStandardError()) };
}

// brevane-cli COMMAND ARGS; Qt's own start-up chatter is dropped from stderr.
inline ToolRun runCli(const QString& command, const QStringList& args)
{
    ToolRun r = runTool(QStringLiteral(BREVANE_BINARY_DIR "/brevane-cli"), QStringList { command } + args);
    static const QRegularExpression chatter(QStringLiteral("^QStandardPaths:.*\n?"), QRegularExpression::MultilineOption);
    r.err.remove(chatter);
    return r;
}

struct ListedImage {
    int width = 0, height = 0, bitDepth = 0;
    friend bool operator==(const ListedImage&, const ListedImage&) = default;
};

inline QList<ListedImage> sizes24(const QList<int>& sizes)
{
    QList<ListedImage> images;
    for (int s : sizes)
        images.append({ s, s, 24 });
    return images;
}

// "icotool -l": one entry per image, in file order; empty when icotool refuses the file.
inline QList<ListedImage> icotoolList(const QString& file)
{
    const ToolRun r = runTool(QStringLiteral("icotool"), { QStringLiteral("-l"), file });
    static const QRegularExpression entry(QStringLiteral(R"(--width=(\d+) --height=(\d+) --bit-depth=(\d+))"));
    QList<ListedImage> images;
    for (auto it = entry.globalMatch(r.exitCode == 0 ? r.out : QString()); it.hasNext();) {
        const auto m = it.next();
        images.append({ m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt() });
    }
    return images;
}

// Every image of the icon as ImageMagick decodes it, in file order, as ARGB32.
inline QList<QImage> magickImages(const QString& file)
{
    QTemporaryDir dir;
    QList<QImage> images;
    if (runTool(QStringLiteral("/usr/bin/convert"), { file, dir.filePath(QStringLiteral("image-%d.png")) }).exitCode == 0)
        for (int i = 0; QFileInfo::exists(dir.filePath(QStringLiteral("image-%1.png").arg(i))); ++i)
            images.append(QImage(dir.filePath(QStringLiteral("image-%1.png").arg(i))).convertToFormat(QImage::Format_ARGB32));
    return images;
}

// What an icon of the given size must show: the picture's top-left square over the
// background colour, pixels of the transparent colour see-through.
inline QImage expectedIcon(const QImage& picture, int size, QRgb background, QRgb transparent)
{
    QImage img(size, size, QImage::Format_ARGB32);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const QRgb c = (picture.valid(x, y) ? picture.pixel(x, y) : background) | 0xFF000000u;
            img.setPixel(x, y, c == (transparent | 0xFF000000u) ? 0u : c);
        }
    return img;
}

// Empty when equal (two see-through pixels are equal whatever their colour); else where they differ.
inline QString firstDifference(const QImage& got, const QImage& want)
{
    if (got.size() != want.size())
        return QString::asprintf("size %dx%d, expected %dx%d", got.width(), got.height(), want.width(), want.height());
    for (int y = 0; y < want.height(); ++y)
        for (int x = 0; x < want.width(); ++x)
            if (const QRgb g = got.pixel(x, y), w = want.pixel(x, y); g != w && (qAlpha(g) != 0 || qAlpha(w) != 0))
                return QString::asprintf("pixel (%d, %d) is #%08x, expected #%08x", x, y, g, w);
    return {};
}

// The icon's only image, decoded by ImageMagick, against expectedIcon(); empty when it matches.
inline QString iconDiffers(const QString& icon, const QImage& picture, int size, QRgb background, QRgb transparent)
{
    const QList<QImage> images = magickImages(icon);
    if (images.size() != 1)
        return QStringLiteral("ImageMagick decoded %1 images from %2").arg(images.size()).arg(icon);
    return firstDifference(images[0], expectedIcon(picture, size, background, transparent));
}

// Every pixel tells where it is (so a crop or shift shows), never white or black; the top-left
// pixel gets its own colour.
inline QImage patternPicture(int width, int height, QRgb topLeft, int seed = 0)
{
    QImage img(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            img.setPixel(x, y, qRgb((x * 5 + seed) % 200 + 40, (y * 5 + seed * 3) % 200 + 40, (x + y + seed) % 50 + 100));
    img.setPixel(0, 0, topLeft);
    return img;
}

inline QString writePicture(const QString& folder, const QString& name, const QImage& image, const char* format = "BMP")
{
    const QString path = QDir(folder).filePath(name);
    if (!image.save(path, format))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

inline QString writeFile(const QString& folder, const QString& name, const QByteArray& data)
{
    const QString path = QDir(folder).filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

inline QStringList filesIn(const QString& folder, const QStringList& filters = {})
{
    return QDir(folder).entryList(filters, QDir::Files, QDir::Name);
}

} // namespace brevane::test
