#pragma once

#include <QtGlobal>

// Every input passes these before a library or an allocation sees it.
namespace brevane::limits {

// The widest or tallest bitmap the program makes or reads: the platform's 16-bit coordinates.
inline constexpr int MaxSide = 32767;
// Pictures bigger than this are refused before anything is decoded: 32 megapixels is
// 128 MiB as a 32-bit image (Qt's own allocation limit for its readers), far past any
// icon source, and a header can claim it in a few bytes.
inline constexpr qint64 MaxPicturePixels = qint64(32) * 1024 * 1024;
// A drawing surface may be larger than a picture (a picture with room around it), not more.
inline constexpr qint64 MaxSurfacePixels = qint64(64) * 1024 * 1024;
// A progressive JPEG needs a handful of scans; each further one makes the decoder go over
// every coefficient again, so a file of tiny scans can keep it busy for seconds.
inline constexpr int MaxJpegScans = 256;
// Whether a picture of this size may be decoded.
constexpr bool pictureFits(qint64 width, qint64 height)
{
    return width >= 1 && height >= 1 && width <= MaxSide && height <= MaxSide && width * height <= MaxPicturePixels;
}
// A picture file larger than this is not read at all.
inline constexpr qint64 MaxPictureFileBytes = qint64(512) * 1024 * 1024;
// An ICO directory lists at most this many images.
inline constexpr int MaxIconImages = 256;
// An icon document holds each distinct block of a file once; blocks that overlap each
// other may together pass the file's size by at most this much before loading gives up.
inline constexpr qint64 MaxIconOverlapBytes = qint64(64) * 1024 * 1024;
// A directory entry states width and height in one byte each.
inline constexpr int MaxIconSide = 255;
// An icon document counts its images in a signed 16-bit field.
inline constexpr int MaxDocumentImages = 32767;

// Metafiles. Pictures are drawn unscaled at the top-left of surfaces no larger than the
// largest icon and its border, so a metafile is drawn only this far: what a drawing costs
// then depends on its records, not on the frame it claims.
inline constexpr int MetafileDrawnSide = 256;
// Each bitmap inside one is held to the picture limits; all of them together
// (pattern brushes stay alive until deleted) to this many pixels.
inline constexpr qint64 MaxMetafileBitmapPixels = qint64(64) * 1024 * 1024;
// The EMF converter compresses every bitmap it draws into a PNG, about 0.7 s a megapixel:
// EMF bitmaps get a smaller share.
inline constexpr qint64 MaxEmfBitmapPixels = qint64(8) * 1024 * 1024;
// Every record becomes an SVG element the renderer parses and draws, a stroked ellipse in
// about 0.1 ms and a point of a polygon in about 0.01 ms (a million ellipses took 1.1 GB
// and minutes). Drawings from real programs stay far below these.
inline constexpr int MaxMetafileRecords = 20000;
inline constexpr qint64 MaxMetafilePoints = 200000;
// Files larger than this are refused before they are read whole.
inline constexpr qint64 MaxMetafileBytes = qint64(64) * 1024 * 1024;
// A metafile still playing after this long is stopped (a watchdog on the converter's
// progress, for cost the checks above do not foresee).
inline constexpr int MaxMetafilePlayMs = 5000;
// A preview sheet shows every image of an icon side by side, each pixel enlarged at most
// MaxPreviewScale times; the whole sheet is held as one 32-bit image, so it gets a picture's limit
// (and MaxSide in each direction).
inline constexpr int MaxPreviewScale = 16;
inline constexpr qint64 MaxPreviewSheetPixels = MaxPicturePixels;

// Only the part of an executable that its headers and sections reach is read (an installer's
// appended payload is never looked at); a file whose sections reach further is refused.
// Executables with icons are a few MiB; the largest libraries run to a few hundred.
inline constexpr qint64 MaxExecutableBytes = qint64(256) * 1024 * 1024;
// A JASC palette line is at most 13 bytes ("255 255 255" and CR LF): 1 MiB holds 80,000
// colours, far more than any palette, so larger files are refused before they are read.
inline constexpr qint64 MaxPaletteFileBytes = qint64(1) * 1024 * 1024;

} // namespace brevane::limits
