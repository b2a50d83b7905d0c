#include "icon/ImageBlockLayout.h"

#include "platform/DibSection.h"
#include "platform/Error.h"
#include "platform/LittleEndian.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

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
    l.entryHeight = entry.bHeight == 0 ? 256 : entry.bHeight; // the directory's byte says 0 for 256
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

bool isPngBlock(std::span<const quint8> block)
{
    static constexpr quint8 signature[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    return block.size() >= sizeof signature && std::memcmp(block.data(), signature, sizeof signature) == 0;
}

int PngHeader::channels() const
{
    switch (colourType) {
    case 2:
        return 3;
    case 4:
        return 2;
    case 6:
        return 4;
    default: // grey, palette and anything unknown: one sample per pixel
        return 1;
    }
}

PngHeader readPngHeader(std::span<const quint8> block)
{
    // Signature, chunk length, "IHDR", then width, height (big-endian), bit depth, colour type.
    constexpr std::size_t IhdrEnd = 8 + 8 + 13;
    if (!isPngBlock(block) || block.size() < IhdrEnd || std::memcmp(block.data() + 12, "IHDR", 4) != 0)
        throw Error::runtime(err::SubscriptOutOfRange);
    PngHeader h;
    h.width = qFromBigEndian<quint32>(block.data() + 16);
    h.height = qFromBigEndian<quint32>(block.data() + 20);
    h.bitDepth = block[24];
    h.colourType = block[25];
    return h;
}

} // namespace brevane::detail
