#pragma once

// Small EMF and WMF files written record by record, for tests and benchmarks: a filled
// rectangle without outline on a transparent picture of a given size.

#include <QByteArray>
#include <QRect>
#include <QtEndian>

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

// colorref is 0x00BBGGRR.
inline QByteArray makeEmf(int widthPx, int heightPx, QRect rect, quint32 colorref)
{
    RecordWriter w;
    // EMR_HEADER, 88 bytes. The device is 96 dpi: 960 pixels in 254 mm.
    w.u32(1, 88);
    w.i32(0, 0, widthPx - 1, heightPx - 1); // rclBounds
    w.i32(0, 0, widthPx * 2540 / 96, heightPx * 2540 / 96); // rclFrame, 0.01 mm
    w.u32(0x464D4520, 0x10000, 0, 6); // signature, version, nBytes (patched below), nRecords
    w.u16(2, 0);
    w.u32(0, 0, 0);
    w.i32(960, 960, 254, 254);
    // EMR_CREATEBRUSHINDIRECT: handle 1, solid, colour.
    w.u32(39, 24, 1, 0, colorref, 0);
    // EMR_SELECTOBJECT: the brush, then the stock NULL_PEN.
    w.u32(37, 12, 1, 37, 12, 0x80000008);
    w.u32(43, 24); // EMR_RECTANGLE
    w.i32(rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1);
    w.u32(14, 20, 0, 16, 20); // EMR_EOF
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
    w.i16(0, 0, unitsW, unitsH);
    w.u16(inch);
    w.u32(0);
    quint16 checksum = 0;
    for (int i = 0; i < 10; ++i)
        checksum ^= qFromLittleEndian<quint16>(w.bytes().constData() + 2 * i);
    w.u16(checksum);

    RecordWriter r;
    // META_SETWINDOWORG, META_SETWINDOWEXT (y before x).
    r.u32(5), r.u16(0x020B), r.i16(0, 0);
    r.u32(5), r.u16(0x020C), r.i16(unitsH, unitsW);
    // META_CREATEBRUSHINDIRECT solid; META_SELECTOBJECT 0.
    r.u32(7), r.u16(0x02FC, 0), r.u32(colorref), r.u16(0);
    r.u32(4), r.u16(0x012D, 0);
    // META_CREATEPENINDIRECT PS_NULL; META_SELECTOBJECT 1.
    r.u32(8), r.u16(0x02FA, 5), r.i16(0, 0), r.u32(0);
    r.u32(4), r.u16(0x012D, 1);
    // META_RECTANGLE: bottom, right, top, left.
    r.u32(7), r.u16(0x041B);
    r.i16(scale(rect.bottom() + 1), scale(rect.right() + 1), scale(rect.top()), scale(rect.left()));
    r.u32(3), r.u16(0); // META_EOF
    const QByteArray records = r.bytes();

    RecordWriter h;
    h.u16(1, 9, 0x0300);
    h.u32((18 + records.size()) / 2);
    h.u16(2);
    h.u32(8); // the longest record, in words
    h.u16(0);
    return w.bytes() + h.bytes() + records;
}

} // namespace brevane::test
