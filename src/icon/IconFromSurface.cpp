#include "icon/IconFile.h"

#include "icon/ImageBlockLayout.h"
#include "platform/DibSection.h"
#include "platform/Limits.h"
#include "platform/Surface.h"

#include <cstring>

namespace brevane {

void IconFile::setImageFromSurface(
    Surface& surface, qint32 index, qint32 x, qint32 y, Colour transparentColour, const Surface* maskSurface)
{
    checkIndex(index);
    const auto k = static_cast<std::size_t>(index - 1);
    QByteArray& block = m_blocks[k];
    const detail::ImageBlockLayout l = detail::ImageBlockLayout::of(block, m_entries[k]);

    // No bitmap of this size can be made: nothing is written, as when the platform fails.
    if (l.width <= 0 || l.height <= 0 || l.width > limits::MaxSide || l.height > limits::MaxSide)
        return;
    // Everything written must lie inside the block, whatever its header claims: refused
    // before a single byte changes.
    l.require(l.xorOffset + l.height * l.xorRow);
    l.require(l.maskOffset + l.height * l.maskRow);
    const int w = int(l.width), h = int(l.height);

    // The header is only read here, never halved in place: biHeight stays exactly as it was.
    if (transparentColour == -1)
        transparentColour = surface.pixel(x, y);

    // Mask drawing, 1 = opaque.
    Surface mask = Surface::mono(w, h);
    if (mask.isNull())
        return;
    if (maskSurface) {
        // The mask context's own background colour decides: those pixels become 1.
        mask.bitBlt(0, 0, w, h, *maskSurface, x, y, Rop::SRCCOPY);
    } else {
        // Left set after the call, as callers of the platform version see it.
        surface.setBackgroundColour(transparentColour);
        mask.bitBlt(0, 0, w, h, surface, x, y, Rop::NOTSRCCOPY);
    }

    // Colour drawing: the picture with transparent pixels black.
    Surface colour = surface.kind() == Surface::Kind::Mono ? Surface::mono(w, h) : Surface::colour(w, h);
    if (colour.isNull())
        return;
    colour.bitBlt(0, 0, w, h, surface, x, y, Rop::SRCCOPY);
    colour.bitBlt(0, 0, w, h, mask, 0, 0, Rop::SRCAND);

    // Colour bits in the block's own format, nearest table colour for 1, 4 and 8 bits. A
    // format no section can be made of (other bit counts, planes other than 1) leaves
    // the colour bits as they are.
    const DibFormat colourFormat { w, h, l.header.biBitCount, l.colourTable(block) };
    if (l.header.biPlanes == 1 && colourFormat.isSupported() && colourFormat.rowBytes() == l.xorRow) {
        const QByteArray bits = DibSection::fromSurface(colour, 0, 0, colourFormat);
        std::memcpy(block.data() + l.xorOffset, bits.constData(), std::size_t(l.height * l.xorRow));
    }

    // Mask bits, 1 = transparent.
    Surface inverted = Surface::mono(w, h);
    if (!inverted.isNull() && inverted.bitBlt(0, 0, w, h, mask, 0, 0, Rop::NOTSRCCOPY)) {
        const DibFormat maskFormat { w, h, 1, { qRgb(0, 0, 0), qRgb(255, 255, 255) } };
        const QByteArray bits = DibSection::fromSurface(inverted, 0, 0, maskFormat);
        std::memcpy(block.data() + l.maskOffset, bits.constData(), std::size_t(l.height * l.maskRow));
    }
}

} // namespace brevane
