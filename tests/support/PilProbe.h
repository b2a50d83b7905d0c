#pragma once

// Pillow reads an icon we wrote: the directory in file order, each image as Pillow decodes it
// and the AND mask bits of BMP-stored images as the file holds them. Nothing of ours takes part.

#include "support/IconCheck.h"

namespace brevane::test {

struct PilImage {
    int width = 0, height = 0, bitCount = 0; // from the directory (0 read as 256)
    bool png = false;
    QImage image; // ARGB32, as Pillow decodes it
    QString mask; // '1' transparent, row by row from the top; empty for PNG-stored images
};

// A python3 with Pillow, or an empty string.
inline QString pilPython()
{
    for (const QString p : { "/usr/bin/python3", "python3" })
        if (runTool(p, { QStringLiteral("-c"), QStringLiteral("import PIL") }).exitCode == 0)
            return p;
    return {};
}

inline QList<PilImage> pilRead(const QString& file)
{
    static const char* script = R"(
import io, struct, sys
from PIL import Image
data = open(sys.argv[1], 'rb').read()
# Pillow reads a cursor's images only through its icon reader: the blocks are alike.
im = Image.open(io.BytesIO(data[:2] + b'\x01\x00' + data[4:]))
offsets = [e['offset'] for e in im.ico.entry]
for k in range(struct.unpack_from('<H', data, 4)[0]):
    w, h, _, _, _, bpp, size, off = struct.unpack_from('<BBBBHHII', data, 6 + 16 * k)
    block = data[off:off + size]
    png = block[:8] == b'\x89PNG\r\n\x1a\n'
    frame = im.ico.frame(offsets.index(off)).convert('RGBA')
    mask = '-'
    if not png:
        bw, bh, _, bc = struct.unpack_from('<iiHH', block, 4)
        colours = struct.unpack_from('<I', block, 32)[0] or (1 << bc if bc <= 8 else 0)
        xrow, mrow, rows = (bw * bc + 31) // 32 * 4, (bw + 31) // 32 * 4, bh // 2
        at = 40 + 4 * colours + rows * xrow
        mask = ''.join(str(block[at + (rows - 1 - y) * mrow + (x >> 3)] >> (7 - (x & 7)) & 1)
                       for y in range(rows) for x in range(bw))
    print(w or 256, h or 256, bpp, int(png), frame.size[0], frame.size[1], frame.tobytes().hex(), mask)
)";
    const ToolRun r = runTool(pilPython(), { QStringLiteral("-c"), QString::fromLatin1(script), file });
    if (r.exitCode != 0)
        qWarning("Pillow: %s", qPrintable(r.err));
    QList<PilImage> images;
    for (const QString& line : r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList f = line.split(QLatin1Char(' '));
        const QByteArray rgba = QByteArray::fromHex(f.value(6).toLatin1());
        const QImage image(reinterpret_cast<const uchar*>(rgba.constData()), f.value(4).toInt(), f.value(5).toInt(),
            QImage::Format_RGBA8888);
        images.append({ f[0].toInt(), f.value(1).toInt(), f.value(2).toInt(), f.value(3) == QLatin1String("1"),
            image.convertToFormat(QImage::Format_ARGB32), f.value(7) == QLatin1String("-") ? QString() : f.value(7) });
    }
    return images;
}

// Alpha 0, 128 and 255 in bands of rows, colours telling every pixel apart (under alpha 0 too).
inline QImage alphaBands(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgba(x * 5 % 256, y * 3 % 256, (x + 2 * y) % 256, std::min(255, y % 3 * 128)));
    return img;
}

// The AND mask bits alpha should give: 1 (transparent) below half opacity.
inline QString maskFromAlpha(const QImage& image)
{
    QString bits;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            bits += qAlpha(image.pixel(x, y)) < 128 ? QLatin1Char('1') : QLatin1Char('0');
    return bits;
}

} // namespace brevane::test
