#pragma once

// Small EMF and WMF files written record by record, for tests and benchmarks: a filled
// rectangle without outline on a transparent picture of a given size.

#include <QByteArray>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <optional>

namespace brevane::test {

class RecordWriter {
public:
    template <typename... V> void u16(V... v) { (put(quint16(v)), ...); }
    template <typename... V> void i16(V... v) { (put(qint16(v)), ...); }
    template <typename... V> void u32(V... v) { (put(quint32(v)), ...); }
    template <typename... V> void i32(V... v) { (put(qint32(v)), ...); }
    QByteArray& bytes() { return m_bytes; }

private:
    template <typename T> void put(T v)
    {
        char b[sizeof(T)];
        qToLittleEndian<T>(v, b);
        m_bytes.append(b, sizeof(T));
    }
    QByteArray m_bytes;
};

// A rectangle filled without outline; colorref is 0x00BBGGRR.
struct Fill {
    QRect rect;
    quint32 colorref;
};

// An EMF of 'records' (whole records; EMR_EOF is added) on a picture of the given size.
inline QByteArray makeEmf(int widthPx, int heightPx, const QByteArray& records, int handles = 1)
{
    RecordWriter w;
    // EMR_HEADER, 88 bytes. The device is 96 dpi: 960 pixels in 254 mm.
    w.u32(1, 88);
    w.i32(0, 0, widthPx - 1, heightPx - 1); // rclBounds
    w.i32(0, 0, widthPx * 2540 / 96, heightPx * 2540 / 96); // rclFrame, 0.01 mm
    w.u32(0x464D4520, 0x10000, 0, 0); // signature, version, nBytes and nRecords (not read)
    w.u16(quint16(handles), 0);
    w.u32(0, 0, 0);
    w.i32(960, 960, 254, 254);
    w.bytes() += records;
    w.u32(14, 20, 0, 16, 20); // EMR_EOF
    QByteArray out = w.bytes();
    qToLittleEndian<quint32>(quint32(out.size()), out.data() + 48);
    return out;
}

inline QByteArray makeEmf(int widthPx, int heightPx, std::initializer_list<Fill> fills)
{
    RecordWriter w;
    w.u32(37, 12, 0x80000008); // EMR_SELECTOBJECT: the stock NULL_PEN
    quint32 handle = 1;
    for (const Fill& f : fills) {
        // EMR_CREATEBRUSHINDIRECT solid, EMR_SELECTOBJECT, EMR_RECTANGLE.
        w.u32(39, 24, handle, 0, f.colorref, 0);
        w.u32(37, 12, handle++);
        w.u32(43, 24);
        w.i32(f.rect.left(), f.rect.top(), f.rect.right() + 1, f.rect.bottom() + 1);
    }
    return makeEmf(widthPx, heightPx, w.bytes(), int(handle));
}

inline QByteArray makeEmf(int widthPx, int heightPx, QRect rect, quint32 colorref)
{
    return makeEmf(widthPx, heightPx, { { rect, colorref } });
}

// How a placeable WMF lays out its drawing: 'inch' units to the inch, a bounding box, a
// mapping mode record (0: none) and a window.
struct WmfLayout {
    int inch = 96;
    QRect box; // left, top and width, height in logical units
    int mapMode = 0;
    QPoint windowOrg;
    std::optional<QSize> windowExt; // may be negative
};

// Fills in logical units, each given as corners (x1, y1) to (x2, y2) of the rectangle.
struct WmfFill {
    int x1, y1, x2, y2;
    quint32 colorref;
};

// One WMF record: its size in words, the function, the parameters.
inline QByteArray wmfRecord(quint16 function, const QByteArray& params)
{
    RecordWriter r;
    r.u32(quint32(3 + params.size() / 2));
    r.u16(function);
    return r.bytes() + params;
}

// A placeable WMF of 'records' (whole records; the window and META_EOF are added).
inline QByteArray makeWmf(const WmfLayout& layout, const QByteArray& records)
{
    RecordWriter w;
    w.u32(0x9AC6CDD7);
    w.u16(0);
    w.i16(layout.box.left(), layout.box.top(), layout.box.left() + layout.box.width(),
        layout.box.top() + layout.box.height());
    w.u16(layout.inch);
    w.u32(0);
    quint16 checksum = 0;
    for (int i = 0; i < 10; ++i)
        checksum ^= qFromLittleEndian<quint16>(w.bytes().constData() + 2 * i);
    w.u16(checksum);

    RecordWriter r;
    if (layout.mapMode)
        r.u32(4), r.u16(0x0103, layout.mapMode); // META_SETMAPMODE
    if (layout.windowExt) {
        // META_SETWINDOWORG, META_SETWINDOWEXT (y before x).
        r.u32(5), r.u16(0x020B), r.i16(layout.windowOrg.y(), layout.windowOrg.x());
        r.u32(5), r.u16(0x020C), r.i16(layout.windowExt->height(), layout.windowExt->width());
    }
    r.bytes() += records;
    r.u32(3), r.u16(0); // META_EOF
    const QByteArray all = r.bytes();
    quint32 longest = 0;
    for (qsizetype at = 0; at + 4 <= all.size();) {
        const quint32 words = qFromLittleEndian<quint32>(all.constData() + at);
        longest = std::max(longest, words);
        at += 2 * qsizetype(std::max<quint32>(words, 3));
    }

    RecordWriter h;
    h.u16(1, 9, 0x0300);
    h.u32(quint32((18 + all.size()) / 2));
    h.u16(2); // objects
    h.u32(longest);
    h.u16(0);
    return w.bytes() + h.bytes() + all;
}

inline QByteArray makeWmf(const WmfLayout& layout, std::initializer_list<WmfFill> fills)
{
    RecordWriter r;
    // META_CREATEPENINDIRECT PS_NULL into slot 0, selected.
    r.u32(8), r.u16(0x02FA, 5), r.i16(0, 0), r.u32(0);
    r.u32(4), r.u16(0x012D, 0);
    for (const WmfFill& f : fills) {
        // META_CREATEBRUSHINDIRECT solid into slot 1, META_SELECTOBJECT, META_RECTANGLE
        // (bottom, right, top, left), META_DELETEOBJECT.
        r.u32(7), r.u16(0x02FC, 0), r.u32(f.colorref), r.u16(0);
        r.u32(4), r.u16(0x012D, 1);
        r.u32(7), r.u16(0x041B), r.i16(f.y2, f.x2, f.y1, f.x1);
        r.u32(4), r.u16(0x01F0, 1);
    }
    return makeWmf(layout, r.bytes());
}

// A packed DIB: a BITMAPINFOHEADER (or the 12-byte core header when biSize is 12), a grey
// colour table for up to 8 bits, and 'pixelBytes' bytes of pixels (-1: as many as the rows
// need). Run-length coded pixels end in an end-of-bitmap code, and biSizeImage counts them.
struct Dib {
    int width = 4, height = 4, bitCount = 24;
    quint32 biSize = 40;
    int planes = 1;
    quint32 compression = 0, clrUsed = 0;
    int pixelBytes = -1;

    QByteArray bytes() const
    {
        const qint64 rows = std::abs(qint64(height));
        const qint64 all = (qint64(width) * bitCount + 31) / 32 * 4 * rows;
        QByteArray pixels(pixelBytes < 0 ? all : pixelBytes, '\0');
        if ((compression == 1 || compression == 2) && pixels.size() >= 2)
            pixels[pixels.size() - 1] = 1;
        RecordWriter w;
        const quint32 entries = bitCount > 8 ? clrUsed : clrUsed ? clrUsed : 1u << bitCount;
        if (biSize == 12) {
            w.u32(12);
            w.u16(width, height, planes, bitCount);
        } else {
            w.u32(biSize);
            w.i32(width, height);
            w.u16(planes, bitCount);
            w.u32(compression, compression ? quint32(pixels.size()) : 0, 0, 0, clrUsed, 0);
            w.bytes() += QByteArray(biSize > 40 ? biSize - 40 : 0, '\0');
        }
        for (quint32 i = 0; i < entries; ++i)
            w.bytes() += QByteArray(biSize == 12 ? 3 : 4, char(i * 255 / std::max<quint32>(entries - 1, 1)));
        return w.bytes() + pixels;
    }
};

// A placeable WMF, 'inch' units to the inch; the drawing's window is the bounding box.
inline QByteArray makeWmf(int widthPx, int heightPx, QRect rect, quint32 colorref, int inch = 96)
{
    auto scale = [&](int v) { return v * inch / 96; };
    WmfLayout layout;
    layout.inch = inch;
    layout.box = QRect(0, 0, scale(widthPx), scale(heightPx));
    layout.windowExt = layout.box.size();
    return makeWmf(layout,
        { { scale(rect.left()), scale(rect.top()), scale(rect.right() + 1), scale(rect.bottom() + 1), colorref } });
}

} // namespace brevane::test
