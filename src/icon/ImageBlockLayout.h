#pragma once

#include "icon/IconFile.h"

#include <QList>
#include <QRgb>

#include <span>

namespace brevane::detail {

// Where the parts of one image block lie, all in 64 bits. The header is read as the
// block holds it; whether the ranges fit the block is checked by require().
struct ImageBlockLayout {
    BitmapInfoHeader header;
    qint64 width = 0; // biWidth
    qint64 height = 0; // biHeight / 2: the block's biHeight counts colour and mask rows
    qint64 entryHeight = 0; // bHeight of the directory entry, 256 for 0
    qint64 colours = 0; // entries in the colour table
    qint64 xorOffset = 0;
    qint64 xorRow = 0;
    qint64 maskOffset = 0; // always placed by bHeight, not by biHeight
    qint64 maskRow = 0;
    qint64 usable = 0; // bytes of the block that may be read or written

    // Error 9 when the block cannot hold its header; error 6 when an offset leaves 32 bits.
    static ImageBlockLayout of(const QByteArray& block, const IconDirEntry& entry);

    // Error 9 unless [0, end) lies inside the usable bytes.
    void require(qint64 end) const;

    QList<QRgb> colourTable(const QByteArray& block) const;
};

// Where an image with alpha needs a 1-bit mask (the AND mask, which shows wherever alpha is
// not used: old viewers, the system's monochrome fallback), a pixel at least half opaque
// belongs to the picture, as the eye judges it; icotool draws the line at the same place.
inline constexpr int OpaqueAlpha = 128;

// A PNG-stored image block is a whole PNG file: the signature, then the IHDR chunk.
bool isPngBlock(std::span<const quint8> block);

struct PngHeader {
    quint32 width = 0;
    quint32 height = 0;
    quint8 bitDepth = 0;
    quint8 colourType = 0; // 0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA
    int channels() const;
    int bitsPerPixel() const { return channels() * bitDepth; }
};

// Error 9 unless an IHDR chunk follows the signature.
PngHeader readPngHeader(std::span<const quint8> block);

} // namespace brevane::detail
