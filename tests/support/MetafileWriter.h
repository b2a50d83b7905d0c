#pragma once

// Small EMF and WMF files written record by record, for tests and benchmarks.

#include <QByteArray>
#include <QRect>
#include <QtEndian>

#include <initializer_list>
#include <optional>

namespace brevane::test {

// Little-endian fields; signed values wrap into the unsigned type.
template <typename T, typename... V> QByteArray le(V... v)
{
    QByteArray out(qsizetype(sizeof(T) * sizeof...(v)), '\0');
    char* at = out.data();
    ((qToLittleEndian<T>(T(v), at), at += sizeof(T)), ...);
    return out;
}
template <typename... V> QByteArray u16(V... v) { return le<quint16>(v...); }
template <typename... V> QByteArray u32(V... v) { return le<quint32>(v...); }

// An EMF of 'records' (whole records; EMR_EOF is added) on a picture of the given size, 96 dpi.
inline QByteArray makeEmf(int w, int h, const QByteArray& records, int handles = 1)
{
    const QByteArray body = records + u32(14, 20, 0, 16, 20);
    return u32(1, 88, 0, 0, w - 1, h - 1, 0, 0, w * 2540 / 96, h * 2540 / 96, 0x464D4520, 0x10000, 88 + body.size(), 0)
        + u16(handles, 0) + u32(0, 0, 0, 960, 960, 254, 254) + body;
}

// A rectangle filled (colorref 0x00BBGGRR) with a solid brush, without outline (NULL_PEN).
inline QByteArray makeEmf(int w, int h, QRect r, quint32 colorref)
{
    const QByteArray select = u32(37, 12, 0x80000008, 39, 24, 1, 0, colorref, 0, 37, 12, 1);
    return makeEmf(w, h, select + u32(43, 24, r.left(), r.top(), r.right() + 1, r.bottom() + 1), 2);
}

// A placeable WMF's layout: units to the inch, bounding box, mapping mode record (0: none), window.
struct WmfLayout {
    int inch = 96;
    QRect box;
    int mapMode = 0;
    QPoint windowOrg;
    std::optional<QSize> windowExt; // may be negative
};

struct WmfFill { int x1, y1, x2, y2; quint32 colorref; }; // corners in logical units

inline QByteArray wmfRecord(quint16 function, const QByteArray& params)
{
    return u32(3 + params.size() / 2) + u16(function) + params;
}

// A placeable WMF of 'records' (the window and META_EOF added); its largest record: all of them.
inline QByteArray makeWmf(const WmfLayout& l, const QByteArray& records)
{
    const QRect& b = l.box;
    const QByteArray head = u32(0x9AC6CDD7) + u16(0, b.left(), b.top(), b.right() + 1, b.bottom() + 1, l.inch, 0, 0);
    quint16 checksum = 0;
    for (int i = 0; i < 20; i += 2)
        checksum ^= qFromLittleEndian<quint16>(head.constData() + i);
    QByteArray all = l.mapMode ? wmfRecord(0x0103, u16(l.mapMode)) : QByteArray();
    if (l.windowExt) // y before x
        all += wmfRecord(0x020B, u16(l.windowOrg.y(), l.windowOrg.x()))
            + wmfRecord(0x020C, u16(l.windowExt->height(), l.windowExt->width()));
    all += records + wmfRecord(0, {});
    return head + u16(checksum, 1, 9, 0x0300) + u32((18 + all.size()) / 2) + u16(2) + u32(all.size() / 2) + u16(0)
        + all;
}

// A PS_NULL pen in slot 0, selected; per fill a brush in slot 1, selected, a rectangle, deleted.
inline QByteArray makeWmf(const WmfLayout& layout, std::initializer_list<WmfFill> fills)
{
    QByteArray r = wmfRecord(0x02FA, u16(5, 0, 0, 0, 0)) + wmfRecord(0x012D, u16(0));
    for (const WmfFill& f : fills)
        r += wmfRecord(0x02FC, u16(0) + u32(f.colorref) + u16(0)) + wmfRecord(0x012D, u16(1))
            + wmfRecord(0x041B, u16(f.y2, f.x2, f.y1, f.x1)) + wmfRecord(0x01F0, u16(1));
    return makeWmf(layout, r);
}

// A placeable WMF at 96 units to the inch; the drawing's window is the bounding box.
inline QByteArray makeWmf(int widthPx, int heightPx, QRect r, quint32 colorref)
{
    return makeWmf({ 96, QRect(0, 0, widthPx, heightPx), 0, {}, QSize(widthPx, heightPx) },
        { { r.left(), r.top(), r.right() + 1, r.bottom() + 1, colorref } });
}

// A packed DIB: a BITMAPINFOHEADER (the core one when biSize is 12), a grey table up to 8 bits,
// 'pixelBytes' of pixels (-1: all rows); run-length coded ones end in an end-of-bitmap code.
struct Dib {
    int width = 4, height = 4, bitCount = 24;
    quint32 biSize = 40;
    int planes = 1;
    quint32 compression = 0, clrUsed = 0;
    int pixelBytes = -1;

    QByteArray bytes() const
    {
        QByteArray pixels(pixelBytes >= 0 ? pixelBytes : (qint64(width) * bitCount + 31) / 32 * 4 * qAbs(height), '\0');
        if ((compression == 1 || compression == 2) && pixels.size() >= 2)
            pixels[pixels.size() - 1] = 1;
        const quint32 entries = bitCount > 8 || clrUsed ? clrUsed : 1u << bitCount;
        QByteArray out = biSize == 12 ? u32(12) + u16(width, height, planes, bitCount)
                                      : u32(biSize, width, height) + u16(planes, bitCount)
                + u32(compression, compression ? pixels.size() : 0, 0, 0, clrUsed, 0);
        for (quint32 i = 0; i < entries; ++i)
            out += QByteArray(biSize == 12 ? 3 : 4, char(i * 255 / (entries > 1 ? entries - 1 : 1)));
        return out + pixels;
    }
};

} // namespace brevane::test
