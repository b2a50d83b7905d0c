#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <span>

// Walks over a metafile's records before a converter sees them: the converters trust
// record sizes and bitmap headers, and allocate what a header claims.
namespace brevane::Metafile {

// What the walk found. A file that is not 'sound' is damaged (a record past the end, no
// end record); 'refusal' then says why it must still not be drawn (a damaged bitmap,
// a budget exceeded), empty when it may be.
struct Walk {
    bool sound = false;
    QString refusal;

    bool drawable() const { return sound && refusal.isEmpty(); }
};

// A WMF header (without the placeable header before it) at 'at'.
bool plainWmfHeader(std::span<const quint8> d, std::size_t at);

Walk walkEmf(std::span<const quint8> d);
Walk walkWmf(std::span<const quint8> d);

// A bitmap header the converters would decode: a BITMAPINFOHEADER (or the 12-byte core
// header) with its colour table in 'info'; the pixels follow it in 'info' when 'bits' is
// empty (a packed DIB), or lie in 'bits'. Returns the size the bitmap claims, or nothing
// when the header is damaged or the bytes it needs are not there. 'Too large' is the
// caller's question: the size is returned before the bytes are counted once it passes
// the picture limits.
struct DibSize {
    qint64 width = 0;
    qint64 height = 0;
    bool tooLarge() const;
};
std::optional<DibSize> checkDib(std::span<const quint8> info, std::optional<std::span<const quint8>> bits);

// The old device-dependent BITMAP16 (META_BITBLT, META_STRETCHBLT, META_CREATEPATTERNBRUSH)
// with its pixels in 'd'.
std::optional<DibSize> checkBitmap16(std::span<const quint8> d);

// A placeable WMF's frame: the rectangle, in the drawing's own units, that fills the
// picture, and the records that set up the coordinate system before the first drawing
// record (copied as they are, to let the converter map the frame itself).
struct WmfFrame {
    // Corners in logical units; right may be left of left (and bottom above top) when the
    // window's extent is negative.
    int left = 0, top = 0, right = 0, bottom = 0;
    QByteArray setup;
};
std::optional<WmfFrame> placeableFrame(std::span<const quint8> d);

} // namespace brevane::Metafile
