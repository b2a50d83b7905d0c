#include "platform/DibSection.h"

#include "platform/Limits.h"
#include "platform/Surface.h"

#include <QHash>

#include <algorithm>
#include <limits>

namespace brevane {

namespace {

    // The part of a width x height section, placed at (sx, sy) of a surface, that the
    // surface covers; computed in 64 bits so offsets near the integer limits cannot wrap.
    struct Overlap {
        int x0, x1, y0, y1;
    };

    Overlap overlap(const Surface& src, qint32 sx, qint32 sy, qint64 width, qint64 height)
    {
        const auto x0 = int(std::clamp<qint64>(-qint64(sx), 0, width));
        const auto x1 = int(std::clamp<qint64>(qint64(src.width()) - sx, x0, width));
        const auto y0 = int(std::clamp<qint64>(-qint64(sy), 0, height));
        const auto y1 = int(std::clamp<qint64>(qint64(src.height()) - sy, y0, height));
        return { x0, x1, y0, y1 };
    }

    QRgb sourcePixel(const Surface& src, int x, int y)
    {
        // pixel() already reads a mono 0 as black and 1 as white, which is what the
        // section's context (default colours) turns them into.
        return toQRgb(src.pixel(x, y));
    }

} // namespace

bool DibFormat::isSupported() const
{
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
    case 32:
        break;
    default:
        return false;
    }
    return width > 0 && height > 0 && width <= limits::MaxSide && height <= limits::MaxSide;
}

qint64 DibFormat::rowBytes() const
{
    if (!isSupported())
        return 0;
    return (qint64(width) * bitCount + 31) / 32 * 4;
}

qint64 DibFormat::imageBytes() const
{
    return rowBytes() * (isSupported() ? height : 0);
}

QList<QRgb> DibFormat::readTable(std::span<const quint8> bytes, qint64 count)
{
    QList<QRgb> table;
    if (count <= 0)
        return table;
    const qint64 n = std::min<qint64>(count, qint64(bytes.size() / 4));
    table.reserve(n);
    for (qint64 i = 0; i < n; ++i)
        table.append(qRgb(bytes[4 * i + 2], bytes[4 * i + 1], bytes[4 * i]));
    return table;
}

namespace DibSection {

    int nearestIndex(const QList<QRgb>& table, QRgb c)
    {
        int best = 0;
        qint64 bestDistance = std::numeric_limits<qint64>::max();
        for (int i = 0; i < table.size(); ++i) {
            const qint64 dr = qRed(table[i]) - qRed(c);
            const qint64 dg = qGreen(table[i]) - qGreen(c);
            const qint64 db = qBlue(table[i]) - qBlue(c);
            const qint64 d = dr * dr + dg * dg + db * db;
            if (d < bestDistance) { // strictly less: ties keep the lower index
                bestDistance = d;
                best = i;
            }
        }
        return best;
    }

    QByteArray fromSurface(const Surface& src, int sx, int sy, const DibFormat& format)
    {
        if (!format.isSupported())
            return {};
        const qint64 stride = format.rowBytes();
        QByteArray bits(format.imageBytes(), '\0');
        auto* out = reinterpret_cast<quint8*>(bits.data());
        if (format.bitCount == 24 && src.kind() == Surface::Kind::Colour && !src.isNull()) {
            // The usual icon colour format: whole rows straight from the surface's pixels.
            const auto [x0, x1, y0, y1] = overlap(src, sx, sy, format.width, format.height);
            for (int y = y0; y < y1; ++y) {
                quint8* row = out + (format.height - 1 - y) * stride;
                const auto* line = reinterpret_cast<const QRgb*>(src.image().constScanLine(sy + y));
                for (int x = x0; x < x1; ++x) {
                    const QRgb c = line[sx + x];
                    row[3 * x] = quint8(qBlue(c));
                    row[3 * x + 1] = quint8(qGreen(c));
                    row[3 * x + 2] = quint8(qRed(c));
                }
            }
            return bits;
        }
        if (format.bitCount == 1 && src.kind() == Surface::Kind::Mono && !src.isNull()) {
            // A mask: each bit is black or white, so the table is searched twice in all.
            const bool blackBit = nearestIndex(format.table, qRgb(0, 0, 0)) & 1;
            const bool whiteBit = nearestIndex(format.table, qRgb(255, 255, 255)) & 1;
            const auto [x0, x1, y0, y1] = overlap(src, sx, sy, format.width, format.height);
            for (int y = y0; y < y1; ++y) {
                quint8* row = out + (format.height - 1 - y) * stride;
                const uchar* line = src.image().constScanLine(sy + y);
                for (int x = x0; x < x1; ++x) {
                    const int px = sx + x;
                    const bool white = (line[px >> 3] >> (7 - (px & 7))) & 1;
                    if (white ? whiteBit : blackBit)
                        row[x >> 3] |= quint8(0x80 >> (x & 7));
                }
            }
            return bits;
        }
        QHash<QRgb, int> nearest; // pictures repeat colours; the table search is the slow part
        for (int y = 0; y < format.height; ++y) {
            quint8* row = out + (format.height - 1 - y) * stride;
            for (int x = 0; x < format.width; ++x) {
                const int px = sx + x, py = sy + y;
                if (px < 0 || py < 0 || px >= src.width() || py >= src.height())
                    continue;
                const QRgb c = sourcePixel(src, px, py);
                switch (format.bitCount) {
                case 24:
                    row[3 * x] = quint8(qBlue(c));
                    row[3 * x + 1] = quint8(qGreen(c));
                    row[3 * x + 2] = quint8(qRed(c));
                    break;
                case 32:
                    row[4 * x] = quint8(qBlue(c));
                    row[4 * x + 1] = quint8(qGreen(c));
                    row[4 * x + 2] = quint8(qRed(c));
                    row[4 * x + 3] = 0;
                    break;
                default: {
                    auto it = nearest.constFind(c);
                    if (it == nearest.constEnd())
                        it = nearest.insert(c, nearestIndex(format.table, c));
                    const int index = *it;
                    if (format.bitCount == 8) {
                        row[x] = quint8(index);
                    } else if (format.bitCount == 4) {
                        const int shift = (x & 1) ? 0 : 4;
                        row[x >> 1] = quint8((row[x >> 1] & ~(0xF << shift)) | ((index & 0xF) << shift));
                    } else if (index & 1) {
                        row[x >> 3] |= quint8(0x80 >> (x & 7));
                    }
                    break;
                }
                }
            }
        }
        return bits;
    }

    bool toSurface(Surface& dst, int x, int y, const DibFormat& format, std::span<const quint8> bits)
    {
        if (!format.isSupported() || qint64(bits.size()) < format.imageBytes() || dst.isNull())
            return false;
        const qint64 stride = format.rowBytes();
        // An index past the end of the table draws black.
        auto fromTable
            = [&](int index) -> QRgb { return index < format.table.size() ? format.table[index] : qRgb(0, 0, 0); };
        for (int row = 0; row < format.height; ++row) {
            const int ty = y + row;
            if (ty < 0 || ty >= dst.height())
                continue;
            const quint8* in = bits.data() + (format.height - 1 - row) * stride;
            for (int col = 0; col < format.width; ++col) {
                const int tx = x + col;
                if (tx < 0 || tx >= dst.width())
                    continue;
                QRgb c;
                switch (format.bitCount) {
                case 1:
                    c = fromTable((in[col >> 3] >> (7 - (col & 7))) & 1);
                    break;
                case 4:
                    c = fromTable((col & 1) ? in[col >> 1] & 0xF : in[col >> 1] >> 4);
                    break;
                case 8:
                    c = fromTable(in[col]);
                    break;
                case 24:
                    c = qRgb(in[3 * col + 2], in[3 * col + 1], in[3 * col]);
                    break;
                default:
                    c = qRgb(in[4 * col + 2], in[4 * col + 1], in[4 * col]);
                    break;
                }
                dst.setPixel(tx, ty, fromQRgb(c));
            }
        }
        return true;
    }

} // namespace DibSection

} // namespace brevane
