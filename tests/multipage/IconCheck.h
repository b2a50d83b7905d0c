#pragma once

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QSize>
#include <QString>
#include <QTemporaryDir>

namespace brevane::test {

// Written icons are read back by other programs than ours: icoutils lists the directory,
// ImageMagick decodes the pixels (the AND mask becoming alpha).

struct ListedImage {
    int width = 0;
    int height = 0;
    int bitDepth = 0;
};

// "icotool -l": one line per image; empty on failure, with the reason in *why.
inline QList<ListedImage> icotoolList(const QString& file, QString* why)
{
    QProcess p;
    p.start(QStringLiteral("icotool"), { QStringLiteral("-l"), file });
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *why = QStringLiteral("icotool -l failed: ") + QString::fromLocal8Bit(p.readAllStandardError());
        return {};
    }
    QList<ListedImage> images;
    static const QRegularExpression field(QStringLiteral(R"(--(width|height|bit-depth)=(\d+))"));
    const QStringList lines
        = QString::fromLocal8Bit(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        ListedImage image;
        for (auto it = field.globalMatch(line); it.hasNext();) {
            const auto m = it.next();
            const int v = m.captured(2).toInt();
            if (m.captured(1) == QLatin1String("width"))
                image.width = v;
            else if (m.captured(1) == QLatin1String("height"))
                image.height = v;
            else
                image.bitDepth = v;
        }
        images.append(image);
    }
    if (images.isEmpty())
        *why = QStringLiteral("icotool listed no image");
    return images;
}

// Every image of the icon as ImageMagick decodes it, in file order, as ARGB32.
inline QList<QImage> magickImages(const QString& file, QString* why)
{
    QTemporaryDir dir;
    QProcess p;
    p.start(QStringLiteral("/usr/bin/convert"), { file, dir.filePath(QStringLiteral("image-%d.png")) });
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *why = QStringLiteral("convert failed: ") + QString::fromLocal8Bit(p.readAllStandardError());
        return {};
    }
    QList<QImage> images;
    for (int i = 0;; ++i) {
        const QString png = dir.filePath(QStringLiteral("image-%1.png").arg(i));
        if (!QFileInfo::exists(png))
            break;
        images.append(QImage(png).convertToFormat(QImage::Format_ARGB32));
    }
    if (images.isEmpty())
        *why = QStringLiteral("convert wrote no image");
    return images;
}

// A picture in which every pixel differs from its neighbours, none of them white, black or
// the transparent colours the tests use, so a crop or a shift shows.
inline QImage gradientPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(20 + 4 * x, 20 + 4 * y, 120));
    return image;
}

// Pixel for pixel, as ARGB; says where the first difference is.
inline bool samePixels(const QImage& got, const QImage& expected, QString* why)
{
    if (got.size() != expected.size()) {
        *why = QStringLiteral("size %1x%2, expected %3x%4")
                   .arg(got.width())
                   .arg(got.height())
                   .arg(expected.width())
                   .arg(expected.height());
        return false;
    }
    for (int y = 0; y < got.height(); ++y) {
        for (int x = 0; x < got.width(); ++x) {
            if (got.pixel(x, y) != expected.pixel(x, y)) {
                *why = QStringLiteral("pixel (%1, %2) is #%3, expected #%4")
                           .arg(x)
                           .arg(y)
                           .arg(got.pixel(x, y), 8, 16, QLatin1Char('0'))
                           .arg(expected.pixel(x, y), 8, 16, QLatin1Char('0'));
                return false;
            }
        }
    }
    return true;
}

inline QString writePicture(const QTemporaryDir& dir, const QString& name, const QImage& image)
{
    const QString path = dir.filePath(name);
    return image.save(path, "BMP") ? path : QString();
}

inline QString writeText(const QTemporaryDir& dir, const QString& name, const QByteArray& text)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        return QString();
    return path;
}

inline QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace brevane::test
