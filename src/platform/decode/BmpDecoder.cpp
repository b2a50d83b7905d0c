#include "platform/decode/FormatDecoders.h"

#include "platform/LittleEndian.h"

#include <algorithm>
#include <climits>
#include <cstring>

// BMP files read as Qt's reader reads them: the same header rules, colour tables, bit
// masks and scaling of 16-bit channels, so the pixels come out the same. Run-length
// compressed files and headers of unusual sizes stay with Qt.
namespace brevane::decode {

namespace {

    constexpr int FileHeaderBytes = 14;
    constexpr int OldHeader = 12; // OS/2 1.x: 16-bit width and height, 3-byte colour entries
    constexpr int WinHeader = 40;
    constexpr int Os2Header = 64;
    constexpr int Win4Header = 108;
    constexpr int Win5Header = 124;
    constexpr qint32 BiRgb = 0;
    constexpr qint32 BiBitfields = 3;

    struct Info {
        bool ok = false;
        qint32 bfOffBits = 0;
        qint32 biSize = 0;
        qint32 biWidth = 0;
        qint32 biHeight = 0; // negative: rows are stored top-down
        int bitCount = 0;
        qint32 biCompression = 0;
        qint32 biClrUsed = 0;
        quint32 masks[4] = {}; // red, green, blue, alpha from a v4/v5 header
    };

    Info readInfo(Bytes d)
    {
        Info i;
        if (d.size() < FileHeaderBytes + 4 || d[0] != 'B' || d[1] != 'M')
            return i;
        i.bfOffBits = le::i32(d, 10);
        i.biSize = le::i32(d, 14);
        int planes = 0;
        if (i.biSize == WinHeader || i.biSize == Os2Header || i.biSize == Win4Header || i.biSize == Win5Header) {
            // An OS/2 2.x header has the Windows fields first; the rest is skipped.
            const std::size_t read = FileHeaderBytes + std::size_t(i.biSize == Os2Header ? WinHeader : i.biSize);
            if (d.size() < read)
                return i;
            i.biWidth = le::i32(d, 18);
            i.biHeight = le::i32(d, 22);
            planes = le::i16(d, 26);
            i.bitCount = le::i16(d, 28);
            i.biCompression = le::i32(d, 30);
            i.biClrUsed = le::i32(d, 46);
            if (i.biSize >= Win4Header)
                for (int m = 0; m < 4; ++m)
                    i.masks[m] = le::u32(d, 54 + std::size_t(4 * m));
        } else if (i.biSize == OldHeader) {
            if (d.size() < FileHeaderBytes + OldHeader)
                return i;
            i.biWidth = le::i16(d, 18);
            i.biHeight = le::i16(d, 20);
            planes = le::i16(d, 22);
            i.bitCount = le::i16(d, 24);
        } else {
            return i; // Qt reads any other size as the old header; leave those to it
        }
        const int n = i.bitCount;
        const qint32 comp = i.biCompression;
        if (!(n == 1 || n == 4 || n == 8 || n == 16 || n == 24 || n == 32) || planes != 1)
            return i;
        // Run-length compressed pictures (and anything else) go to Qt.
        if (!(comp == BiRgb || ((n == 16 || n == 32) && comp == BiBitfields)))
            return i;
        if (i.biHeight == INT_MIN || i.biWidth <= 0 || i.biHeight == 0
            || quint64(i.biWidth) * quint64(qAbs(i.biHeight)) > quint64(16384) * 16384)
            return i;
        i.ok = true;
        return i;
    }

    int maskShift(quint32 mask)
    {
        int shift = 0;
        while (mask && !(mask & 1)) {
            ++shift;
            mask >>= 1;
        }
        return shift;
    }

} // namespace

Header probeBmp(Bytes d)
{
    Header h;
    if (d.size() < 2 || d[0] != 'B' || d[1] != 'M')
        return h;
    const Info i = readInfo(d);
    // Type 2 at byte 2 and a pixel depth at byte 16 make a file the TGA reader may claim
    // before the BMP one gets to look.
    if (!i.ok || (d[2] == 2 && (d[16] == 16 || d[16] == 24 || d[16] == 32)))
        return h; // Qt's own header check and limits decide
    h.format = PartialDecoder::Format::Bmp;
    h.size = QSize(i.biWidth, qAbs(i.biHeight));
    h.announced = QSize(i.biWidth, i.biHeight); // invalid for top-down files, as Qt reports it
    return h;
}

QImage decodeBmp(Bytes d, const Header& header, QSize region)
{
    const Info i = readInfo(d);
    if (!i.ok || QSize(i.biWidth, qAbs(i.biHeight)) != header.size || region.isEmpty())
        return {};
    const int w = i.biWidth, h = qAbs(i.biHeight), nbits = i.bitCount;
    const bool bitfields = i.biCompression == BiBitfields;
    std::size_t at = FileHeaderBytes + std::size_t(i.biSize);
    if (at >= d.size()) // nothing past the header: Qt's reader fails
        return {};

    quint32 red = 0, green = 0, blue = 0, alpha = 0;
    if (i.biSize >= Win4Header) {
        red = i.masks[0], green = i.masks[1], blue = i.masks[2], alpha = i.masks[3];
    } else if (bitfields) {
        if (at + 12 > d.size())
            return {};
        red = le::u32(d, at), green = le::u32(d, at + 4), blue = le::u32(d, at + 8);
        at += 12;
    }
    const bool transparent = (bitfields || (i.biCompression == BiRgb && nbits == 32 && alpha == 0xFF000000)) && alpha;

    QImage::Format format = QImage::Format_Mono;
    if (nbits >= 16)
        format = transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    else if (nbits >= 4)
        format = QImage::Format_Indexed8;
    if (!withinQtAllocationLimit(header.size, nbits >= 16 ? 32 : nbits))
        return {};
    QImage image(region, format);
    if (image.isNull())
        return {};

    int redShift = 0, greenShift = 0, blueShift = 0, alphaShift = 0;
    int redScale = 0, greenScale = 0, blueScale = 0, alphaScale = 0;
    if (nbits < 16) {
        const int colours = i.biClrUsed ? i.biClrUsed : 1 << nbits;
        if (colours < 1 || colours > 256)
            return {};
        const std::size_t entry = i.biSize == OldHeader ? 3 : 4;
        // Qt's reader gives up when the file ends with the table, even right after it.
        if (at + entry * std::size_t(colours) >= d.size())
            return {};
        image.setColorCount(colours);
        for (int c = 0; c < colours; ++c, at += entry)
            image.setColor(c, qRgb(d[at + 2], d[at + 1], d[at]));
    } else {
        // A channel's value is scaled by 256 / (its mask's largest value + 1), in integers:
        // 5-bit channels get 8, wider ones 1, odd masks lose their low bits as Qt's do.
        auto scaleOf = [](quint32 mask, int shift) { return 256 / ((mask >> shift) + 1); };
        if (bitfields) {
            for (quint32 mask : { red, green, blue, alpha })
                if ((mask >> maskShift(mask)) == 0xFFFFFFFF)
                    return {};
            redShift = maskShift(red), greenShift = maskShift(green), blueShift = maskShift(blue);
            alphaShift = maskShift(alpha);
            redScale = int(scaleOf(red, redShift)), greenScale = int(scaleOf(green, greenShift));
            blueScale = int(scaleOf(blue, blueShift)), alphaScale = int(scaleOf(alpha, alphaShift));
        } else if (nbits >= 24) {
            blue = 0x000000FF, green = 0x0000FF00, red = 0x00FF0000;
            greenShift = 8, redShift = 16;
            blueScale = greenScale = redScale = 1;
            if (transparent) {
                alphaShift = maskShift(alpha);
                alphaScale = int(scaleOf(alpha, alphaShift));
            }
        } else { // 16 bits without masks: 5-5-5, red and green kept where Qt's shifts put them
            blue = 0x001F, green = 0x03E0, red = 0x7C00;
            greenShift = 2, redShift = 7;
            redScale = greenScale = 1;
            blueScale = 8;
        }
    }

    // Pixel data starts at bfOffBits unless that points back into the headers.
    if (i.bfOffBits > qint64(d.size()))
        return {};
    if (i.bfOffBits >= 0 && std::size_t(i.bfOffBits) > at)
        at = std::size_t(i.bfOffBits);
    const std::size_t rowBytes = std::size_t((qint64(w) * nbits + 31) / 32 * 4);
    const bool topDown = i.biHeight < 0;

    for (int y = 0; y < region.height(); ++y) {
        const std::size_t from = std::size_t(topDown ? y : h - 1 - y) * rowBytes;
        uchar* out = image.scanLine(y);
        // Qt leaves the rows of a file cut short unset, different every time: they are 0.
        if (from + rowBytes > d.size() - at) {
            std::memset(out, 0, std::size_t(image.bytesPerLine()));
            continue;
        }
        const quint8* in = d.data() + at + from;
        if (nbits == 1) {
            std::memcpy(out, in, std::size_t((region.width() + 7) / 8));
        } else if (nbits == 4) {
            for (int x = 0; x < region.width(); ++x)
                out[x] = (x & 1) ? in[x / 2] & 0x0F : in[x / 2] >> 4;
        } else if (nbits == 8) {
            std::memcpy(out, in, std::size_t(region.width()));
        } else {
            auto* pixel = reinterpret_cast<QRgb*>(out);
            const int bytes = nbits / 8;
            for (int x = 0; x < region.width(); ++x, in += bytes) {
                quint32 c = quint32(in[0]) | quint32(in[1]) << 8;
                if (nbits > 16)
                    c |= quint32(in[2]) << 16;
                if (nbits > 24)
                    c |= quint32(in[3]) << 24;
                pixel[x] = qRgba(int(((c & red) >> redShift) * quint32(redScale)),
                    int(((c & green) >> greenShift) * quint32(greenScale)),
                    int(((c & blue) >> blueShift) * quint32(blueScale)),
                    transparent ? int(((c & alpha) >> alphaShift) * quint32(alphaScale)) : 0xFF);
            }
        }
    }
    // Qt draws an index past the colour table with whatever lies beyond it; the loader makes
    // such pixels black where Qt reads a picture, and so here: the table is filled up with black.
    if (const int full = nbits == 1 ? 2 : 256; nbits < 16 && image.colorCount() < full) {
        QList<QRgb> table = image.colorTable();
        table.resize(full, qRgb(0, 0, 0));
        image.setColorTable(table);
    }
    // Qt's reader puts the lighter of two colours first, inverting the bits to match.
    if (nbits == 1 && image.colorCount() == 2 && qGray(image.color(0)) < qGray(image.color(1))) {
        for (int y = 0; y < region.height(); ++y) {
            uchar* line = image.scanLine(y);
            for (int b = 0; b < (region.width() + 7) / 8; ++b)
                line[b] = uchar(~line[b]);
        }
        const QRgb first = image.color(0);
        image.setColor(0, image.color(1));
        image.setColor(1, first);
    }
    return image;
}

} // namespace brevane::decode
