#pragma once

#include "platform/Colour.h"

#include <QByteArray>
#include <QList>
#include <QRgb>

#include <cstdint>
#include <span>

namespace brevane {

class Surface;

// The layout of a device-independent bitmap: rows bottom-up, each padded to 4 bytes.
// Bit counts 1, 4 and 8 index the colour table; 24 holds blue, green, red per pixel and
// 32 blue, green, red, 0. Any other bit count is not supported (isSupported() is false).
struct DibFormat {
    int width = 0;
    int height = 0; // one image's height, rows stored bottom-up
    int bitCount = 0;
    QList<QRgb> table; // the colour table's entries as stored, blue-green-red read into QRgb

    bool isSupported() const;
    qint64 rowBytes() const; // 0 when not supported or absurd
    qint64 imageBytes() const; // height x rowBytes, 0 when not supported or absurd

    // Reads a colour table of 'count' entries of blue, green, red, reserved.
    static QList<QRgb> readTable(std::span<const quint8> bytes, qint64 count);
};

// Stands in for a device-independent section: pixels copied into one take their nearest
// colour of the section's table.
namespace DibSection {
    // The index of the table colour nearest to c: plain RGB Euclidean distance, ties to
    // the lower index. An empty table gives 0.
    int nearestIndex(const QList<QRgb>& table, QRgb c);

    // The bits a section of this format holds after a SRCCOPY of the rectangle at
    // (sx, sy) of src into it. A mono source is seen as the section's context sees it: 0
    // black (the default text colour) and 1 white (the default background). Pixels outside
    // the source stay 0. An empty array when the format is not supported.
    QByteArray fromSurface(const Surface& src, int sx, int sy, const DibFormat& format);

    // Draws bits of this format onto dst at (x, y) as SetDIBitsToDevice does. Returns false
    // and draws nothing when the format is not supported or 'bits' is too short for it.
    bool toSurface(Surface& dst, int x, int y, const DibFormat& format, std::span<const quint8> bits);
}

} // namespace brevane
