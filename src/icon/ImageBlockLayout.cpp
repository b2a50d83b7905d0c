#include "icon/ImageBlockLayout.h"

#include "platform/DibSection.h"
#include "platform/Error.h"
#include "platform/LittleEndian.h"

#include <algorithm>

namespace brevane::detail {

ImageBlockLayout ImageBlockLayout::of(const QByteArray& block, const IconDirEntry& entry)
{
    const std::span<const quint8> bytes = le::bytes(block);
    ImageBlockLayout l;
    // Exactly dwBytesInRes bytes belong to the image, and never more than the block has.
    l.usable = std::clamp<qint64>(entry.dwBytesInRes, 0, block.size());
    l.header = BitmapInfoHeader::read(bytes.first(std::size_t(std::min<qint64>(l.usable, block.size()))));
    l.width = l.header.biWidth;
    l.height = l.header.biHeight / 2;
    l.entryHeight = entry.bHeight;
    l.colours = IconLayout::headerColourCount(l.header);
    l.xorOffset = IconLayout::xorBitsOffset(l.header);
    l.xorRow = IconLayout::bytesPerScanLine(qint64(l.header.biPlanes) * l.width * l.header.biBitCount);
    l.maskOffset = l.xorOffset + l.entryHeight * l.xorRow;
    l.maskRow = IconLayout::bytesPerScanLine(l.width);
    return l;
}

void ImageBlockLayout::require(qint64 end) const
{
    if (end < 0 || end > usable)
        throw Error::runtime(err::SubscriptOutOfRange);
}

QList<QRgb> ImageBlockLayout::colourTable(const QByteArray& block) const
{
    require(xorOffset);
    return DibFormat::readTable(le::bytes(block).subspan(BitmapInfoHeader::Size, std::size_t(4 * colours)), colours);
}

} // namespace brevane::detail
