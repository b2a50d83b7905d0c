#pragma once

// Checks written icons with tools that are not ours: icotool lists them, ImageMagick decodes
// them. Expected pictures are built here from the source picture, not from our reader.

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace brevane::test {

inline const QString ImageMagick = QStringLiteral("/usr/bin/convert");

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline ToolRun runTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    ToolRun r;
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// "--icon --index=1 --width=32 --height=32 --bit-depth=24 --palette-size=0"
inline QString icotoolList(const QString& icon)
{
    const ToolRun r = runTool(QStringLiteral("icotool"), { QStringLiteral("-l"), icon });
    return r.exitCode == 0 ? QString::fromLatin1(r.out).trimmed() : QString();
}

inline QString expectedIcotoolLine(int size, int bits)
{
    const int palette = bits <= 8 ? (1 << bits) : 0;
    return QStringLiteral("--icon --index=1 --width=%1 --height=%1 --bit-depth=%2 --palette-size=%3")
        .arg(size)
        .arg(bits)
        .arg(palette);
}

// The icon as ImageMagick decodes it, in ARGB32 (transparent pixels have alpha 0).
inline QImage decodeWithImageMagick(const QString& icon, int size)
{
    const ToolRun r
        = runTool(ImageMagick, { icon, QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("rgba:-") });
    if (r.exitCode != 0 || r.out.size() != qsizetype(size) * size * 4)
        return {};
    QImage img(size, size, QImage::Format_ARGB32);
    const auto* d = reinterpret_cast<const uchar*>(r.out.constData());
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const uchar* p = d + (y * size + x) * 4;
            img.setPixel(x, y, qRgba(p[0], p[1], p[2], p[3]));
        }
    return img;
}

// What the icon must show: the picture's top-left square over the background colour,
// pixels of the transparent colour see-through.
inline QImage expectedIcon(const QImage& picture, int size, QRgb background, QRgb transparent)
{
    QImage img(size, size, QImage::Format_ARGB32);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            QRgb c = picture.valid(x, y) ? picture.pixel(x, y) : background;
            c = qRgb(qRed(c), qGreen(c), qBlue(c));
            img.setPixel(x, y, c == (transparent | 0xFF000000u) ? qRgba(0, 0, 0, 0) : c);
        }
    return img;
}

// The first differing pixel, for a readable failure.
inline QString firstDifference(const QImage& got, const QImage& want)
{
    if (got.isNull())
        return QStringLiteral("ImageMagick could not decode the icon");
    if (got.size() != want.size())
        return QStringLiteral("size %1x%2, expected %3x%4")
            .arg(got.width())
            .arg(got.height())
            .arg(want.width())
            .arg(want.height());
    for (int y = 0; y < want.height(); ++y)
        for (int x = 0; x < want.width(); ++x) {
            QRgb g = got.pixel(x, y), w = want.pixel(x, y);
            if (qAlpha(g) == 0 && qAlpha(w) == 0)
                continue;
            if (g != w)
                return QStringLiteral("pixel (%1, %2) is #%3, expected #%4")
                    .arg(x)
                    .arg(y)
                    .arg(g, 8, 16, QLatin1Char('0'))
                    .arg(w, 8, 16, QLatin1Char('0'));
        }
    return {};
}

// A picture whose every pixel tells where it is, so a crop or an offset shows; the
// top-left pixel is given its own colour, which appears nowhere else.
inline QImage patternPicture(int width, int height, QRgb topLeft, int seed = 0)
{
    QImage img(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            img.setPixel(
                x, y, qRgb((x * 5 + seed) % 200 + 40, (y * 5 + seed * 3) % 200 + 40, (x + y + seed) % 50 + 100));
    img.setPixel(0, 0, topLeft);
    return img;
}

inline bool writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// Makes a folder unwritable even for root (immutable flag), else by its mode. False when
// neither works here.
inline bool makeUnwritable(const QString& dir)
{
    if (runTool(QStringLiteral("chattr"), { QStringLiteral("+i"), dir }).exitCode != 0)
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
    QFile probe(dir + QStringLiteral("/probe.tmp"));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.close();
        probe.remove();
        return false;
    }
    return true;
}

inline void makeWritable(const QString& dir)
{
    runTool(QStringLiteral("chattr"), { QStringLiteral("-i"), dir });
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace brevane::test
