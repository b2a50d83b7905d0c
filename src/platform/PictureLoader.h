#pragma once

#include "platform/Colour.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

namespace brevane {

class Surface;

// A picture read from a file: its natural size in pixels and a way to draw it unscaled.
// Raster formats keep their decoded image (with alpha); metafiles keep the top-left part
// of theirs that any surface reaches (limits::MetafileDrawnSide pixels square), and draw
// transparent beyond it. Copies share the decoded data.
class Picture {
public:
    Picture() = default;

    bool isNull() const { return !m_data; }
    QSize size() const;
    int width() const { return size().width(); }
    int height() const { return size().height(); }

    // Draws at (0, 0) of the surface, unscaled, over what is there: transparent pixels
    // of the picture leave the surface's pixels as they are.
    void drawOn(Surface& target) const;

    struct Data;

private:
    friend class PictureLoader;
    std::shared_ptr<const Data> m_data;
};

// Reads BMP, DIB, GIF, JPEG, PNG, ICO, CUR, EMF and WMF (decided by content, not by the
// file name). Raises error 53 for a missing file and 481 "Invalid picture" for anything
// it cannot read, and refuses pictures whose size would need absurd memory.
class PictureLoader {
public:
    static Picture load(const QString& path);
    static Picture fromData(const QByteArray& data);

    // Only what lands in the top-left 'needed' square or rectangle: BMP, GIF, JPEG and PNG
    // are decoded that far and no further, with the same pixels as a whole load. The
    // picture keeps its natural size; drawn, it covers at least min(size, needed).
    static Picture load(const QString& path, QSize needed);
    static Picture fromData(const QByteArray& data, QSize needed);
    // One image of a raster format Qt reads ("png", ...) as straight ARGB32, under the same
    // limits as a picture (481 "too large" beyond them); a null image when it cannot be read.
    static QImage readImage(const QByteArray& data, const QByteArray& format);
};

} // namespace brevane
