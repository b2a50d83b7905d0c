#include "icon/IconPictureFormat.h"

#include "icon/IconFile.h"
#include "icon/ImageBlockLayout.h"
#include "platform/Error.h"
#include "platform/Limits.h"
#include "platform/LittleEndian.h"
#include "platform/PictureLoader.h"
#include "platform/Surface.h"

#include <cstdlib>
#include <limits>

namespace brevane {

namespace {

    constexpr qint64 HeaderBytes = 6;
    constexpr qint64 EntryBytes = 16;

    // An icon (type 1) or cursor (type 2) directory that the data holds. One of more than
    // 256 entries is claimed too, and refused: no other reader gets to walk it.
    bool claimsIcon(const QByteArray& data)
    {
        const auto d = le::bytes(data);
        if (qint64(d.size()) < HeaderBytes)
            return false;
        const quint16 type = le::u16(d, 2);
        const qint16 count = le::i16(d, 4);
        return le::u16(d, 0) == 0 && (type == 1 || type == 2) && count >= 1
            && qint64(d.size()) >= HeaderBytes + EntryBytes * count;
    }

    QImage readIcon(const QByteArray& data)
    {
        try {
            return IconFile::pictureFromIconData(data);
        } catch (const Error& e) {
            // Too large is worth saying; anything else is simply not a picture.
            if (e.number() == err::InvalidPicture)
                throw;
            return {};
        }
    }

    // Whatever goes wrong, the picture as loaded is fitted instead.
    QImage readIconForSide(const QByteArray& data, int side)
    {
        try {
            return IconFile::pictureFromIconData(data, side);
        } catch (const Error&) {
            return {};
        } catch (const std::exception&) {
            return {};
        }
    }

} // namespace

void registerIconPictureFormat()
{
    PictureLoader::addFormat({ "ico", claimsIcon, readIcon, readIconForSide });
}

QImage IconFile::pictureFromIconData(const QByteArray& data, int side)
{
    if (!claimsIcon(data))
        return {};
    const auto d = le::bytes(data);
    const int count = le::i16(d, 4);
    if (count > limits::MaxIconImages)
        return {};
    // Chosen by the sizes the blocks themselves hold; only headers are read for it.
    int best = -1;
    int bestDistance = std::numeric_limits<int>::max();
    bool bestCovers = false;
    qint64 bestArea = 0;
    int bestBits = 0;
    for (int k = 0; k < count; ++k) {
        const qint64 at = HeaderBytes + EntryBytes * k;
        const qint64 bytes = le::i32(d, std::size_t(at + 8)), offset = le::i32(d, std::size_t(at + 12));
        if (bytes <= 0 || offset < 0 || offset + bytes > qint64(d.size()))
            continue;
        const auto block = d.subspan(std::size_t(offset), std::size_t(bytes));
        qint64 w = 0, h = 0;
        int bits = 0;
        if (detail::isPngBlock(block)) {
            if (block.size() < 29)
                continue;
            const detail::PngHeader png = detail::readPngHeader(block);
            w = png.width;
            h = png.height;
            bits = png.bitsPerPixel();
        } else if (block.size() >= std::size_t(BitmapInfoHeader::Size)) {
            const BitmapInfoHeader bih = BitmapInfoHeader::read(block);
            w = bih.biWidth;
            h = bih.biHeight / 2;
            bits = bih.biBitCount;
        }
        if (w <= 0 || h <= 0 || w > limits::MaxSide || h > limits::MaxSide)
            continue;
        if (side <= 0) {
            const int distance = int(std::abs(w - 32) + std::abs(h - 32));
            if (distance < bestDistance) {
                bestDistance = distance;
                best = k;
            }
            continue;
        }
        // Scaled down from the smallest image that covers the square, so nothing is enlarged
        // that need not be; else up from the largest. Then more bits, then the first.
        const bool covers = w >= side && h >= side;
        const qint64 area = w * h;
        bool better = best < 0;
        if (!better && covers != bestCovers)
            better = covers;
        else if (!better && area != bestArea)
            better = covers ? area < bestArea : area > bestArea;
        else if (!better)
            better = bits > bestBits;
        if (better) {
            best = k;
            bestCovers = covers;
            bestArea = area;
            bestBits = bits;
        }
    }
    if (best < 0)
        return {};

    // A one-image document of the chosen block, drawn as the icon shows it. A cursor's
    // directory holds its hotspot where an icon's has planes and bits: the drawing reads
    // the block's own header, so either draws alike.
    const qint64 at = HeaderBytes + EntryBytes * best;
    IconFile icon;
    IconDirEntry e;
    e.bWidth = d[std::size_t(at)];
    e.bHeight = d[std::size_t(at + 1)];
    e.wPlanes = 1;
    e.dwBytesInRes = le::i32(d, std::size_t(at + 8));
    e.dwImageOffset = 22;
    icon.m_header = { 0, 1, 1 };
    icon.m_entries.push_back(e);
    icon.m_blocks.push_back(data.mid(le::i32(d, std::size_t(at + 12)), e.dwBytesInRes));
    return icon.imageWithAlpha(Surface::colour(1, 1), 1);
}

} // namespace brevane
