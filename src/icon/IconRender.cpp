#include "icon/IconFile.h"

#include "icon/ImageBlockLayout.h"
#include "platform/DibSection.h"
#include "platform/Limits.h"
#include "platform/LittleEndian.h"
#include "platform/Surface.h"

#include <QPixmap>

namespace brevane {

namespace {

    // A PNG-stored image drawn as its colour and mask bitmaps would be: pixels less than
    // half opaque are transparent in the mask and black in the colour bits.
    Surface pngBitmap(const QImage& argb, bool colourContext, qint32 kind)
    {
        if (argb.isNull())
            return {};
        Surface bitmap = kind == 0 && colourContext ? Surface::colour(argb.width(), argb.height(), RGB(0, 0, 0))
                                                    : Surface::mono(argb.width(), argb.height());
        for (int y = 0; !bitmap.isNull() && y < argb.height(); ++y)
            for (int x = 0; x < argb.width(); ++x) {
                const QRgb c = argb.pixel(x, y);
                const bool shown = qAlpha(c) >= detail::OpaqueAlpha;
                if (kind != 0)
                    bitmap.setPixel(x, y, shown ? RGB(0, 0, 0) : RGB(255, 255, 255));
                else if (shown)
                    bitmap.setPixel(x, y, fromQRgb(c));
            }
        return bitmap;
    }

} // namespace

Surface IconFile::renderBitmap(bool colourContext, qint32 index, qint32 kind) const
{
    const IconDirEntry& e = entry(index);
    const QByteArray& block = imageBlock(index);
    if (detail::isPngBlock(le::bytes(block)))
        return pngBitmap(argbImage(index), colourContext, kind);
    const detail::ImageBlockLayout l = detail::ImageBlockLayout::of(block, e);
    // The directory's byte says 0 for 256.
    const int w = e.bWidth == 0 ? 256 : e.bWidth, h = int(l.entryHeight);

    const std::span<const quint8> bytes = le::bytes(block).first(std::size_t(l.usable));
    if (kind == 0) {
        // The colour bitmap is compatible with the context: colour or monochrome as it is.
        Surface bitmap = colourContext ? Surface::colour(w, h, RGB(0, 0, 0)) : Surface::mono(w, h);
        if (bitmap.isNull())
            return bitmap;
        // bH rows of the block's own width, bit count and colour table, as the block is read.
        const DibFormat format { int(std::clamp<qint64>(l.width, 0, limits::MaxSide + 1)), h, l.header.biBitCount,
            l.colourTable(block) };
        if (l.header.biPlanes == 1 && format.isSupported() && format.rowBytes() == l.xorRow) {
            l.require(l.xorOffset + h * l.xorRow);
            DibSection::toSurface(bitmap, 0, 0, format, bytes.subspan(std::size_t(l.xorOffset)));
        }
        return bitmap;
    }

    // The mask is always drawn on a monochrome bitmap.
    Surface bitmap = Surface::mono(w, h);
    if (bitmap.isNull())
        return bitmap;
    const DibFormat format { int(std::clamp<qint64>(l.width, 0, limits::MaxSide + 1)), h, 1,
        { qRgb(0, 0, 0), qRgb(255, 255, 255) } };
    if (format.isSupported()) {
        l.require(l.maskOffset + h * l.maskRow);
        DibSection::toSurface(bitmap, 0, 0, format, bytes.subspan(std::size_t(l.maskOffset)));
    }
    return bitmap;
}

Surface IconFile::renderImage(Surface& surface, qint32 index, qint32 kind, bool draw, qint32 x, qint32 y, qint32 width,
    qint32 height, quint32 rop, bool keep) const
{
    Surface bitmap = renderBitmap(surface.kind() == Surface::Kind::Colour, index, kind);
    if (bitmap.isNull())
        return {};
    if (draw) {
        const int w = bitmap.width(), h = bitmap.height();
        if (width == 0 && height == 0) {
            surface.bitBlt(x, y, w, h, bitmap, 0, 0, rop);
        } else {
            surface.stretchBlt(x, y, width == 0 ? w : width, height == 0 ? h : height, bitmap, 0, 0, w, h, rop);
        }
    }
    return keep ? bitmap : Surface();
}

void IconFile::drawImage(
    Surface& surface, qint32 index, qint32 kind, qint32 x, qint32 y, qint32 width, qint32 height, quint32 rop) const
{
    renderImage(surface, index, kind, true, x, y, width, height, rop, false);
}

QImage IconFile::imageWithAlpha(const Surface& surface, qint32 index) const
{
    if (hasAlphaChannel(index))
        return argbImage(index);
    const bool colourContext = surface.kind() == Surface::Kind::Colour;
    const Surface colour = renderBitmap(colourContext, index, 0);
    const Surface mask = renderBitmap(colourContext, index, 1);
    if (colour.isNull() || mask.isNull())
        return {};
    QImage out(colour.width(), colour.height(), QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb c = toQRgb(colour.pixel(x, y));
            // Mask 1 (reads white) is transparent.
            line[x] = mask.pixel(x, y) != 0 ? (c & 0x00FFFFFFu) : c;
        }
    }
    return out;
}

QIcon IconFile::icon(const Surface& surface, qint32 index) const
{
    const QImage image = imageWithAlpha(surface, index);
    if (image.isNull())
        return {};
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(image));
    return icon;
}

} // namespace brevane
