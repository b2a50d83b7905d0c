#include "icon/cls_IconFile.h"

#include "icon/ImageBlockLayout.h"
#include "platform/DibSection.h"
#include "platform/Surface.h"

namespace brevane {

Surface cls_IconFile::renderBitmap(bool bColourContext, qint32 nIndex, qint32 eKind) const
{
    const IconDirEntry& e = entry(nIndex);
    const QByteArray& block = imageBlock(nIndex);
    const detail::ImageBlockLayout l = detail::ImageBlockLayout::of(block, e);
    const int w = e.bWidth, h = e.bHeight;

    const std::span<const quint8> bytes { reinterpret_cast<const quint8*>(block.constData()),
        static_cast<std::size_t>(l.usable) };
    if (eKind == 0) {
        // The colour bitmap is compatible with the context: colour or monochrome as it is.
        Surface bitmap = bColourContext ? Surface::colour(w, h, RGB(0, 0, 0)) : Surface::mono(w, h);
        if (bitmap.isNull())
            return bitmap;
        // bH rows of the block's own width, bit count and colour table, as the block is read.
        const DibFormat format { int(std::clamp<qint64>(l.width, 0, 32768)), h, l.header.biBitCount,
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
    const DibFormat format { int(std::clamp<qint64>(l.width, 0, 32768)), h, 1, { qRgb(0, 0, 0), qRgb(255, 255, 255) } };
    if (format.isSupported()) {
        l.require(l.maskOffset + h * l.maskRow);
        DibSection::toSurface(bitmap, 0, 0, format, bytes.subspan(std::size_t(l.maskOffset)));
    }
    return bitmap;
}

Surface cls_IconFile::RenderImage(Surface& lHDC, qint32 nIndex, qint32 eKind, bool bDraw, qint32 x, qint32 y,
    qint32 lWidth, qint32 lHeight, quint32 eRasterOp, bool bKeep) const
{
    Surface bitmap = renderBitmap(lHDC.kind() == Surface::Kind::Colour, nIndex, eKind);
    if (bitmap.isNull())
        return {};
    if (bDraw) {
        const int w = bitmap.width(), h = bitmap.height();
        if (lWidth == 0 && lHeight == 0) {
            lHDC.BitBlt(x, y, w, h, bitmap, 0, 0, eRasterOp);
        } else {
            lHDC.StretchBlt(x, y, lWidth == 0 ? w : lWidth, lHeight == 0 ? h : lHeight, bitmap, 0, 0, w, h, eRasterOp);
        }
    }
    return bKeep ? bitmap : Surface();
}

void cls_IconFile::DrawIconImage(Surface& lHDC, qint32 nIndex, qint32 eType, qint32 x, qint32 y, qint32 lWidth,
    qint32 lHeight, quint32 eRasterOp) const
{
    RenderImage(lHDC, nIndex, eType, true, x, y, lWidth, lHeight, eRasterOp, false);
}

QImage cls_IconFile::ImageWithAlpha(const Surface& lHDC, qint32 nIndex) const
{
    const bool colourContext = lHDC.kind() == Surface::Kind::Colour;
    const Surface colour = renderBitmap(colourContext, nIndex, 0);
    const Surface mask = renderBitmap(colourContext, nIndex, 1);
    if (colour.isNull() || mask.isNull())
        return {};
    QImage out(colour.width(), colour.height(), QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb c = toQRgb(colour.GetPixel(x, y));
            // Mask 1 (reads white) is transparent.
            line[x] = mask.GetPixel(x, y) != 0 ? (c & 0x00FFFFFFu) : c;
        }
    }
    return out;
}

QIcon cls_IconFile::IconHandle(const Surface& lHDC, qint32 nIndex) const
{
    const QImage image = ImageWithAlpha(lHDC, nIndex);
    if (image.isNull())
        return {};
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(image));
    return icon;
}

QPixmap cls_IconFile::IconPicture(const Surface& lHDC, qint32 nIndex) const
{
    const QImage image = ImageWithAlpha(lHDC, nIndex);
    if (image.isNull())
        return {};
    return QPixmap::fromImage(image);
}

} // namespace brevane
