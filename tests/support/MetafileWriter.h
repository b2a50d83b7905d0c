#pragma once

// Small EMF and WMF files written record by record, for tests and benchmarks: a filled
// rectangle without outline on a transparent picture of a given size.

#include <QByteArray>
#include <QRect>
#include <QtEndian>

namespace brevane::test {

class RecordWriter {
public:
    void u16(quint16 v) { put(v); }
    void i16(qint16 v) { put(v); }
    void u32(quint32 v) { put(v); }
    void i32(qint32 v) { put(v); }
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

// colorref is 0x00BBGGRR.
inline QByteArray makeEmf(int widthPx, int heightPx, QRect rect, quint32 colorref)
{
    RecordWriter w;
    // EMR_HEADER, 88 bytes. The device is 96 dpi: 960 pixels in 254 mm.
    w.u32(1);
    w.u32(88);
    w.i32(0), w.i32(0), w.i32(widthPx - 1), w.i32(heightPx - 1); // rclBounds
    w.i32(0), w.i32(0), w.i32(widthPx * 2540 / 96), w.i32(heightPx * 2540 / 96); // rclFrame, 0.01 mm
    w.u32(0x464D4520);
    w.u32(0x10000);
    w.u32(0); // nBytes, patched below
    w.u32(6); // nRecords
    w.u16(2);
    w.u16(0);
    w.u32(0), w.u32(0), w.u32(0);
    w.i32(960), w.i32(960);
    w.i32(254), w.i32(254);
    // EMR_CREATEBRUSHINDIRECT: handle 1, solid, colour.
    w.u32(39), w.u32(24), w.u32(1), w.u32(0), w.u32(colorref), w.u32(0);
    // EMR_SELECTOBJECT: the brush, then the stock NULL_PEN.
    w.u32(37), w.u32(12), w.u32(1);
    w.u32(37), w.u32(12), w.u32(0x80000008);
    // EMR_RECTANGLE
    w.u32(43), w.u32(24), w.i32(rect.left()), w.i32(rect.top()), w.i32(rect.right() + 1), w.i32(rect.bottom() + 1);
    // EMR_EOF
    w.u32(14), w.u32(20), w.u32(0), w.u32(16), w.u32(20);
    QByteArray out = w.bytes();
    qToLittleEndian<quint32>(quint32(out.size()), out.data() + 48);
    return out;
}

// A placeable WMF, 'inch' units to the inch; the drawing's window is the bounding box.
inline QByteArray makeWmf(int widthPx, int heightPx, QRect rect, quint32 colorref, int inch = 96)
{
    const int unitsW = widthPx * inch / 96, unitsH = heightPx * inch / 96;
    auto scale = [&](int v) { return qint16(v * inch / 96); };
    RecordWriter w;
    w.u32(0x9AC6CDD7);
    w.u16(0);
    w.i16(0), w.i16(0), w.i16(qint16(unitsW)), w.i16(qint16(unitsH));
    w.u16(quint16(inch));
    w.u32(0);
    quint16 checksum = 0;
    for (int i = 0; i < 10; ++i)
        checksum ^= qFromLittleEndian<quint16>(w.bytes().constData() + 2 * i);
    w.u16(checksum);

    RecordWriter r;
    // META_SETWINDOWORG, META_SETWINDOWEXT (y before x).
    r.u32(5), r.u16(0x020B), r.i16(0), r.i16(0);
    r.u32(5), r.u16(0x020C), r.i16(qint16(unitsH)), r.i16(qint16(unitsW));
    // META_CREATEBRUSHINDIRECT solid; META_SELECTOBJECT 0.
    r.u32(7), r.u16(0x02FC), r.u16(0), r.u32(colorref), r.u16(0);
    r.u32(4), r.u16(0x012D), r.u16(0);
    // META_CREATEPENINDIRECT PS_NULL; META_SELECTOBJECT 1.
    r.u32(8), r.u16(0x02FA), r.u16(5), r.i16(0), r.i16(0), r.u32(0);
    r.u32(4), r.u16(0x012D), r.u16(1);
    // META_RECTANGLE: bottom, right, top, left.
    r.u32(7), r.u16(0x041B), r.i16(scale(rect.bottom() + 1)), r.i16(scale(rect.right() + 1)), r.i16(scale(rect.top())),
        r.i16(scale(rect.left()));
    r.u32(3), r.u16(0); // META_EOF
    const QByteArray records = r.bytes();

    RecordWriter h;
    h.u16(1), h.u16(9), h.u16(0x0300);
    h.u32(quint32((18 + records.size()) / 2));
    h.u16(2);
    h.u32(8); // the longest record, in words
    h.u16(0);
    return w.bytes() + h.bytes() + records;
}

} // namespace brevane::test
