#pragma once

#include "platform/Colour.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>

namespace brevane {

class Surface;

// How a picture is placed in an icon's square.
enum class Placement {
    Crop, // unscaled at the top-left: larger pictures are cut, smaller ones padded
    Fit, // scaled to fit, keeping its proportions, centred
};

// A picture read from a file: its natural size in pixels and ways to draw it. Raster
// formats keep their decoded image as read (with its straight alpha), or only the part a
// caller asked for; metafiles keep the top-left part of their drawing that any surface
// reaches (limits::MetafileDrawnSide pixels square). Vector pictures (SVG, EMF, WMF) keep
// their drawing as well, so they can be drawn afresh at any size; a file of several images
// (ICO, CUR) keeps its data, so fitting starts from its image nearest the size. Copies
// share the data.
class Picture {
public:
    Picture() = default;

    bool isNull() const { return !m_data; }
    QSize size() const;
    int width() const { return size().width(); }
    int height() const { return size().height(); }
    bool isVector() const;

    // Draws at (0, 0) of the surface, unscaled, over what is there: transparent pixels
    // of the picture leave the surface's pixels as they are.
    void drawOn(Surface& target) const;

    // The picture in a side x side square, straight (not premultiplied) ARGB32, transparent
    // where the picture is not. Crop: its top-left square, pixels exactly as read. Fit:
    // scaled so its longer side is 'side' and its shorter one keeps the proportion (rounded,
    // at least 1), centred; an odd remainder leaves the extra pixel on the right or at the
    // bottom. Vector pictures are drawn at that size, never scaled from pixels; a file of
    // several images is scaled from the one its format picks for that side; a raster
    // picture must have been read whole (load, loadToFit). Pixels of 'key' become
    // transparent first. A null image when that cannot be, or memory runs out.
    QImage square(int side, Placement placement, std::optional<QRgb> key = {}) const;

    struct Data;

private:
    friend class PictureLoader;
    std::shared_ptr<const Data> m_data;
};

// A reader for a format the platform layer cannot draw right by itself; libraries above
// it add theirs (the icon library reads ICO and CUR files with its own icon document).
struct PictureFormat {
    const char* name;
    bool (*claims)(const QByteArray& data); // by content, from the first bytes
    // Straight ARGB32 at the picture's natural size, under the picture limits; a null image
    // when the data cannot be read.
    QImage (*read)(const QByteArray& data);
    // For a format of several images, or null: the image to fit into a side x side square,
    // as 'read' gives it; a null image when none can be read. It must not throw.
    QImage (*readForSide)(const QByteArray& data, int side);
};

// Reads BMP, DIB, GIF, JPEG, PNG, ICO, CUR, EMF, WMF, SVG, SVGZ and every format the
// installed Qt image plug-ins read (WebP, TIFF, TGA, ...), decided by content, not by the
// file name. Raises error 53 for a missing file and 481 "Invalid picture" for anything it
// cannot read, and refuses pictures whose size would need absurd memory.
class PictureLoader {
public:
    static Picture load(const QString& path);
    static Picture fromData(const QByteArray& data);

    // Drawings (SVG, EMF, WMF) are made by libraries not known to be reentrant; every other
    // picture loads on any thread. A load on a thread of its own passes Drawings::Leave and
    // gets a null picture for a drawing, to be loaded on the thread that owns the run.
    enum class Drawings { Load, Leave };

    // Only what lands in the top-left 'needed' square or rectangle: BMP, GIF, JPEG and PNG
    // are decoded that far and no further, with the same pixels as a whole load. The
    // picture keeps its natural size; drawn, it covers at least min(size, needed).
    static Picture load(const QString& path, QSize needed, Drawings drawings = Drawings::Load);
    static Picture fromData(const QByteArray& data, QSize needed, Drawings drawings = Drawings::Load);

    // The whole picture, enough to fit it into a side x side square: a JPEG is reduced
    // while decoding as far as it stays at least that fitted size both ways.
    static Picture loadToFit(const QString& path, int side, Drawings drawings = Drawings::Load);
    static Picture fromDataToFit(const QByteArray& data, int side, Drawings drawings = Drawings::Load);

    // One image of a raster format Qt reads ("png", ...) as straight ARGB32, under the same
    // limits as a picture (481 "too large" beyond them); a null image when it cannot be read.
    static QImage readImage(const QByteArray& data, const QByteArray& format);

    // Formats added here are asked before the built-in readers, in the order added; adding
    // one of the same name again changes nothing.
    static void addFormat(const PictureFormat& format);
    static bool hasFormat(const char* name);

private:
    static Picture decodeWhole(const QByteArray& data, Drawings drawings);
};

} // namespace brevane
