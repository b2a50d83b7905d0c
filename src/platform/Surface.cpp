#include "platform/Surface.h"

#include "platform/Limits.h"

#include <algorithm>
#include <cstring>

namespace brevane {

namespace {

    // Larger surfaces are refused (a null surface) rather than allocated.
    constexpr quint32 White = 0xFFFFFF;

    bool sizeAllowed(int width, int height)
    {
        return width > 0 && height > 0 && width <= limits::MaxSide && height <= limits::MaxSide
            && qint64(width) * height <= limits::MaxSurfacePixels;
    }

    // Pixels travel through a transfer as 24-bit 0x00RRGGBB values; a mono pixel is black
    // (all bits 0) or white (all bits 1), so bitwise raster operations mean the same in
    // both kinds.
    quint32 packed(Colour c)
    {
        return toQRgb(c) & White;
    }

    // The nearer of black and white: a mono surface cannot hold anything else.
    bool monoBitFor(Colour c)
    {
        return redOf(c) + greenOf(c) + blueOf(c) > 382;
    }

    // Pixel access within one scan line; transfers fetch each line once, since
    // QImage::scanLine checks for sharing on every call.
    quint32 readRaw(const uchar* line, Surface::Kind kind, int x)
    {
        if (kind == Surface::Kind::Mono)
            return (line[x >> 3] >> (7 - (x & 7))) & 1 ? White : 0;
        return reinterpret_cast<const QRgb*>(line)[x] & White;
    }

    void writeRaw(uchar* line, Surface::Kind kind, int x, quint32 v)
    {
        if (kind == Surface::Kind::Mono) {
            const uchar bit = uchar(0x80 >> (x & 7));
            if (v & 1)
                line[x >> 3] |= bit;
            else
                line[x >> 3] &= uchar(~bit);
            return;
        }
        reinterpret_cast<QRgb*>(line)[x] = 0xFF000000u | (v & White);
    }

    quint32 readRaw(const QImage& img, Surface::Kind kind, int x, int y)
    {
        return readRaw(img.constScanLine(y), kind, x);
    }

    void writeRaw(QImage& img, Surface::Kind kind, int x, int y, quint32 v)
    {
        writeRaw(img.scanLine(y), kind, x, v);
    }

    // A ternary raster operation: bits 16..23 of the code are its truth table, indexed by
    // pattern (4), source (2) and destination (1). No brush is ever selected on a surface,
    // so the pattern is the platform's default brush, solid white (all bits 1).
    quint32 applyRop(quint8 table, quint32 s, quint32 d)
    {
        // The operations icons are made with, without walking the truth table.
        switch (table) {
        case quint8(Rop::SRCCOPY >> 16):
            return s & White;
        case quint8(Rop::NOTSRCCOPY >> 16):
            return ~s & White;
        case quint8(Rop::SRCAND >> 16):
            return s & d & White;
        default:
            break;
        }
        constexpr quint32 p = White;
        quint32 out = 0;
        for (int i = 0; i < 8; ++i) {
            if (!(table & (1u << i)))
                continue;
            const quint32 pm = (i & 4) ? p : ~p;
            const quint32 sm = (i & 2) ? s : ~s;
            const quint32 dm = (i & 1) ? d : ~d;
            out |= pm & sm & dm;
        }
        return out & White;
    }

    // SRCCOPY, NOTSRCCOPY and SRCAND over one line without scaling, every branch on the
    // kinds and the operation taken once per line: icons are made with these alone.
    template <bool SrcMono, bool DstMono, quint8 Table>
    void transferLine(uchar* dst, const uchar* src, int from, int to, int shift, quint32 srcBack, quint32 ownBack,
        quint32 ownText)
    {
        const Surface::Kind srcKind = SrcMono ? Surface::Kind::Mono : Surface::Kind::Colour;
        const Surface::Kind dstKind = DstMono ? Surface::Kind::Mono : Surface::Kind::Colour;
        for (int tx = from; tx < to; ++tx) {
            quint32 v = readRaw(src, srcKind, tx + shift);
            if constexpr (!SrcMono && DstMono)
                v = v == srcBack ? White : 0;
            else if constexpr (SrcMono && !DstMono)
                v = v ? ownBack : ownText;
            if constexpr (Table == quint8(Rop::NOTSRCCOPY >> 16))
                v = ~v;
            else if constexpr (Table == quint8(Rop::SRCAND >> 16))
                v &= readRaw(dst, dstKind, tx);
            writeRaw(dst, dstKind, tx, v & White);
        }
    }

    using LineTransfer = void (*)(uchar*, const uchar*, int, int, int, quint32, quint32, quint32);

    template <quint8 Table>
    LineTransfer lineTransferFor(bool srcMono, bool dstMono)
    {
        if (srcMono)
            return dstMono ? transferLine<true, true, Table> : transferLine<true, false, Table>;
        return dstMono ? transferLine<false, true, Table> : transferLine<false, false, Table>;
    }

    // Nothing for other operations, or a transfer within one surface.
    LineTransfer lineTransferFor(quint8 table, bool srcMono, bool dstMono)
    {
        switch (table) {
        case quint8(Rop::SRCCOPY >> 16):
            return lineTransferFor<quint8(Rop::SRCCOPY >> 16)>(srcMono, dstMono);
        case quint8(Rop::NOTSRCCOPY >> 16):
            return lineTransferFor<quint8(Rop::NOTSRCCOPY >> 16)>(srcMono, dstMono);
        case quint8(Rop::SRCAND >> 16):
            return lineTransferFor<quint8(Rop::SRCAND >> 16)>(srcMono, dstMono);
        default:
            return nullptr;
        }
    }

} // namespace

Surface Surface::colour(int width, int height, Colour fill)
{
    Surface s;
    if (!sizeAllowed(width, height))
        return s;
    s.m_kind = Kind::Colour;
    s.m_image = QImage(width, height, QImage::Format_RGB32);
    if (!s.m_image.isNull())
        s.m_image.fill(toQRgb(fill));
    return s;
}

Surface Surface::mono(int width, int height)
{
    Surface s;
    if (!sizeAllowed(width, height))
        return s;
    s.m_kind = Kind::Mono;
    s.m_image = QImage(width, height, QImage::Format_Mono);
    if (!s.m_image.isNull()) {
        s.m_image.setColorTable({ qRgb(0, 0, 0), qRgb(255, 255, 255) });
        // A new monochrome bitmap is all black.
        s.m_image.fill(0);
    }
    return s;
}

Colour Surface::setBackgroundColour(Colour c)
{
    if (c == CLR_INVALID)
        return CLR_INVALID;
    const Colour old = m_back;
    m_back = c & 0xFFFFFF;
    return old;
}

Colour Surface::setTextColour(Colour c)
{
    if (c == CLR_INVALID)
        return CLR_INVALID;
    const Colour old = m_text;
    m_text = c & 0xFFFFFF;
    return old;
}

Colour Surface::pixel(int x, int y) const
{
    if (isNull() || x < 0 || y < 0 || x >= width() || y >= height())
        return CLR_INVALID;
    const quint32 v = readRaw(m_image, m_kind, x, y);
    return fromQRgb(v);
}

void Surface::setPixel(int x, int y, Colour c)
{
    if (isNull() || x < 0 || y < 0 || x >= width() || y >= height())
        return;
    writeRaw(m_image, m_kind, x, y, m_kind == Kind::Mono ? (monoBitFor(c) ? White : 0) : packed(c));
}

void Surface::fill(Colour c)
{
    if (isNull())
        return;
    if (m_kind == Kind::Mono)
        m_image.fill(monoBitFor(c) ? 1 : 0);
    else
        m_image.fill(toQRgb(c));
}

bool Surface::bitBlt(int x, int y, int w, int h, const Surface& src, int sx, int sy, quint32 rop)
{
    return stretchBlt(x, y, w, h, src, sx, sy, w, h, rop);
}

bool Surface::stretchBlt(int x, int y, int w, int h, const Surface& src, int sx, int sy, int sw, int sh, quint32 rop)
{
    if (isNull() || w <= 0 || h <= 0)
        return false;
    const quint8 table = quint8((rop >> 16) & 0xFF);
    // Operations that read no source (BLACKNESS, DSTINVERT, ...) need none.
    const bool usesSource = ((table >> 2) & 0x33) != (table & 0x33);
    if (usesSource && (src.isNull() || sw <= 0 || sh <= 0))
        return false;

    // The source converted to this surface's kind, per pixel.
    const bool toMono = m_kind == Kind::Mono;
    const quint32 srcBack = packed(src.m_back);
    const quint32 ownText = packed(m_text);
    const quint32 ownBack = packed(m_back);
    auto convert = [&](quint32 v) -> quint32 {
        if (src.m_kind == m_kind)
            return v;
        if (toMono) // colour to mono: the source's background colour is white, all else black
            return v == srcBack ? White : 0;
        return v ? ownBack : ownText; // mono to colour: 0 takes the text colour, 1 the background
    };

    const bool plainCopy
        = rop == Rop::SRCCOPY && src.m_kind == m_kind && m_kind == Kind::Colour && sw == w && sh == h && &src != this;
    const int x0 = std::max(0, x), x1 = std::min(width(), x + w);
    const int y0 = std::max(0, y), y1 = std::min(height(), y + h);
    const int srcWidth = src.width(), srcHeight = src.height();
    const bool sameSize = sw == w && sh == h; // no scaling: spare a division per pixel
    const LineTransfer transfer
        = sameSize && &src != this ? lineTransferFor(table, src.m_kind == Kind::Mono, toMono) : nullptr;
    for (int ty = y0; ty < y1; ++ty) {
        const int py = sy + int(qint64(ty - y) * sh / h);
        if (usesSource && (py < 0 || py >= srcHeight))
            continue;
        // Destination first: it detaches a shared image before the source line is taken.
        uchar* const dstLine = m_image.scanLine(ty);
        const uchar* const srcLine = usesSource ? src.m_image.constScanLine(py) : nullptr;
        if (plainCopy) {
            const int from = std::max(x0, x - sx);
            const int to = std::min(x1, x - sx + srcWidth);
            if (to > from)
                std::memcpy(reinterpret_cast<QRgb*>(dstLine) + from,
                    reinterpret_cast<const QRgb*>(srcLine) + (sx + from - x), std::size_t(to - from) * sizeof(QRgb));
            continue;
        }
        if (transfer) {
            transfer(dstLine, srcLine, std::max(x0, x - sx), std::min(x1, x - sx + srcWidth), sx - x, srcBack, ownBack,
                ownText);
            continue;
        }
        for (int tx = x0; tx < x1; ++tx) {
            quint32 s = 0;
            if (usesSource) {
                const int px = sameSize ? sx + (tx - x) : sx + int(qint64(tx - x) * sw / w);
                if (px < 0 || px >= srcWidth)
                    continue;
                s = convert(readRaw(srcLine, src.m_kind, px));
            }
            const quint32 d = readRaw(dstLine, m_kind, tx);
            writeRaw(dstLine, m_kind, tx, applyRop(table, s, d));
        }
    }
    return true;
}

void Surface::resize(int width, int height)
{
    if (!sizeAllowed(width, height)) {
        m_image = QImage();
        return;
    }
    Surface bigger = m_kind == Kind::Mono ? mono(width, height) : colour(width, height);
    bigger.m_back = m_back;
    bigger.m_text = m_text;
    bigger.fill(m_back);
    if (!isNull())
        bigger.bitBlt(0, 0, std::min(width, this->width()), std::min(height, this->height()), *this, 0, 0);
    *this = std::move(bigger);
}

} // namespace brevane
