// Images with an alpha channel: 32-bit BMP-stored and PNG-stored blocks.
#include "icon/IconFile.h"

#include "icon/ImageBlockLayout.h"
#include "platform/Error.h"
#include "platform/Limits.h"
#include "platform/LittleEndian.h"
#include "platform/PictureLoader.h"
#include "platform/Surface.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <limits>

namespace brevane {

namespace {

    // The directory's byte says 0 for 256.
    int sideOf(quint8 entrySide)
    {
        return entrySide == 0 ? 256 : entrySide;
    }

    qint32 checked32(qint64 v)
    {
        if (v < 0 || v > std::numeric_limits<qint32>::max())
            throw Error::runtime(err::Overflow);
        return static_cast<qint32>(v);
    }

    // The top-left w x h of picture as straight ARGB32, transparent where it does not reach.
    // Only the covered part is converted: a picture may be far larger than an icon.
    QImage squareOf(const QImage& picture, int w, int h)
    {
        QImage out(w, h, QImage::Format_ARGB32);
        if (out.isNull())
            throw Error::runtime(err::OutOfMemory);
        out.fill(0);
        const int cw = std::min(w, picture.width()), ch = std::min(h, picture.height());
        if (cw <= 0 || ch <= 0)
            return out;
        const QImage part = picture.copy(0, 0, cw, ch).convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < ch; ++y)
            std::copy_n(
                reinterpret_cast<const QRgb*>(part.constScanLine(y)), cw, reinterpret_cast<QRgb*>(out.scanLine(y)));
        return out;
    }

    QByteArray encodePng(const QImage& argb)
    {
        QByteArray out;
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        // Qt's default packs hardest: two and a half times the time for the same size on photos.
        writer.setQuality(50);
        if (!writer.write(argb))
            throw Error::runtime(err::OutOfMemory);
        return out;
    }

    // Bits of a 32-bit BMP-stored image are blue, green, red, alpha, rows bottom-up.
    void writeBgra(std::span<quint8> block, const detail::ImageBlockLayout& l, const QImage& square)
    {
        const int w = square.width(), h = square.height();
        for (int y = 0; y < h; ++y) {
            const auto* src = reinterpret_cast<const QRgb*>(square.constScanLine(y));
            quint8* colour = block.data() + l.xorOffset + qint64(h - 1 - y) * l.xorRow;
            quint8* mask = block.data() + l.maskOffset + qint64(h - 1 - y) * l.maskRow;
            std::fill_n(mask, l.maskRow, quint8(0));
            for (int x = 0; x < w; ++x) {
                const QRgb c = src[x];
                colour[4 * x] = quint8(qBlue(c));
                colour[4 * x + 1] = quint8(qGreen(c));
                colour[4 * x + 2] = quint8(qRed(c));
                colour[4 * x + 3] = quint8(qAlpha(c));
                if (qAlpha(c) < detail::OpaqueAlpha)
                    mask[x >> 3] |= quint8(0x80 >> (x & 7)); // 1 in the AND mask is transparent
            }
        }
    }

} // namespace

void IconFile::appendImage(const IconDirEntry& entry, QByteArray block)
{
    IconDirEntry e = entry;
    e.dwBytesInRes = checked32(block.size());
    qint64 offset = 22;
    if (!m_entries.empty()) {
        // Checked before anything moves: the directory grows by one entry.
        const IconDirEntry& last = m_entries.back();
        offset = qint64(last.dwImageOffset) + 16 + last.dwBytesInRes;
        checked32(offset + e.dwBytesInRes);
        for (IconDirEntry& other : m_entries)
            other.dwImageOffset = checked32(qint64(other.dwImageOffset) + 16);
    }
    e.dwImageOffset = checked32(offset);
    m_header.idType = 1;
    m_entries.push_back(e);
    m_blocks.push_back(std::move(block));
    ++m_header.idCount;
}

void IconFile::replaceBlock(qint32 index, QByteArray block)
{
    const auto k = static_cast<std::size_t>(index - 1);
    const qint64 delta = qint64(block.size()) - m_entries[k].dwBytesInRes;
    for (std::size_t i = k + 1; i < m_entries.size(); ++i)
        checked32(qint64(m_entries[i].dwImageOffset) + delta);
    for (std::size_t i = k + 1; i < m_entries.size(); ++i)
        m_entries[i].dwImageOffset = static_cast<qint32>(m_entries[i].dwImageOffset + delta);
    m_entries[k].dwBytesInRes = checked32(block.size());
    m_blocks[k] = std::move(block);
}

qint32 IconFile::addImage(const ImageShape& shape)
{
    const qint32 bits = shape.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        throw Error::runtime(err::InvalidProcedureCall);
    const bool png = shape.storage == ImageStorage::Png
        || (shape.storage == ImageStorage::Automatic && bits == 32 && (shape.width == 256 || shape.height == 256));
    if (png && bits != 32)
        throw Error::runtime(err::InvalidProcedureCall);
    if (shape.width < 1 || shape.width > 256 || shape.height < 1 || shape.height > 256
        || imageCount() >= limits::MaxDocumentImages)
        throw Error::runtime(err::Overflow);
    for (qint32 i = 1; i <= imageCount(); ++i) {
        const IconDirEntry& e = m_entries[static_cast<std::size_t>(i - 1)];
        qint32 existingBits = e.wBitCount;
        try {
            existingBits = blockInfo(i).bitCount;
        } catch (const Error&) {
        }
        if (sideOf(e.bWidth) == shape.width && sideOf(e.bHeight) == shape.height && existingBits == bits)
            raise(err::IconAlreadyExists, QStringLiteral("Icon already exists."));
    }

    IconDirEntry e;
    e.bWidth = static_cast<quint8>(shape.width & 0xFF);
    e.bHeight = static_cast<quint8>(shape.height & 0xFF);
    e.bColorCount = bits == 1 ? 2 : bits == 4 ? 16 : 0;
    e.wPlanes = 1;
    e.wBitCount = static_cast<quint16>(bits);

    QByteArray block;
    if (png) {
        QImage clear(shape.width, shape.height, QImage::Format_ARGB32);
        clear.fill(0);
        block = encodePng(clear);
    } else {
        const qint64 table = bits <= 8 ? qint64(4) << bits : 0;
        const qint64 xorRow = IconLayout::bytesPerScanLine(qint64(bits) * shape.width);
        const qint64 maskRow = IconLayout::bytesPerScanLine(shape.width);
        const qint64 xorOffset = 40 + table;
        block = QByteArray(checked32(xorOffset + shape.height * (xorRow + maskRow)), '\0');
        BitmapInfoHeader bih;
        bih.biSize = 40;
        bih.biWidth = shape.width;
        bih.biHeight = 2 * shape.height;
        bih.biPlanes = 1;
        bih.biBitCount = static_cast<quint16>(bits);
        bih.write(le::bytes(block));
        if (bits == 1) // entry 0 stays black, entry 1 is white
            block[44] = block[45] = block[46] = char(0xFF);
        // Fully transparent: every AND bit set.
        std::fill(block.begin() + xorOffset + shape.height * xorRow, block.end(), char(0xFF));
    }
    appendImage(e, std::move(block));
    return imageCount();
}

void IconFile::setImageFromArgb(qint32 index, const QImage& picture, Colour transparentColour)
{
    checkIndex(index);
    const auto k = static_cast<std::size_t>(index - 1);
    const QByteArray& block = m_blocks[k];
    if (detail::isPngBlock(le::bytes(block))) {
        const detail::PngHeader png = detail::readPngHeader(le::bytes(block));
        if (png.width < 1 || png.height < 1 || png.width > 256 || png.height > 256)
            throw Error::runtime(err::SubscriptOutOfRange);
        replaceBlock(index, encodePng(squareOf(picture, int(png.width), int(png.height))));
        return;
    }

    const detail::ImageBlockLayout l = detail::ImageBlockLayout::of(block, m_entries[k]);
    if (l.width <= 0 || l.height <= 0 || l.width > limits::MaxSide || l.height > limits::MaxSide)
        return; // as setImageFromSurface: no bitmap of this size can be made
    if (l.header.biBitCount != 32) {
        // Below 32 bits a picture is drawn over the transparent colour, as on every other path.
        Surface surface = Surface::colour(int(l.width), int(l.height), transparentColour);
        if (surface.isNull())
            return;
        {
            QPainter p(&surface.image());
            p.drawImage(0, 0, picture);
        }
        setImageFromSurface(surface, index, 0, 0, transparentColour);
        return;
    }
    if (l.header.biPlanes != 1)
        return; // no section of this layout can be made: the bits stay as they are
    l.require(l.xorOffset + l.height * l.xorRow);
    l.require(l.maskOffset + l.height * l.maskRow);
    const QImage square = squareOf(picture, int(l.width), int(l.height));
    writeBgra(le::bytes(m_blocks[k]), l, square);
}

bool IconFile::hasAlphaChannel(qint32 index) const
{
    const auto d = le::bytes(imageBlock(index));
    return detail::isPngBlock(d) || (d.size() >= BitmapInfoHeader::Size && le::u16(d, 14) == 32);
}

QImage IconFile::decodedPng(const QByteArray& block) const
{
    for (const auto& [held, image] : m_decoded)
        if (held.constData() == block.constData() && held.size() == block.size())
            return image;
    const QImage image = PictureLoader::readImage(block, "png");
    // A bounded cache: entries sharing one block are decoded once, and a file of many
    // distinct large blocks never keeps more than one picture's worth of pixels.
    qint64 pixels = qint64(image.width()) * image.height();
    for (const auto& [held, other] : m_decoded)
        pixels += qint64(other.width()) * other.height();
    if (pixels > limits::MaxPicturePixels)
        m_decoded.clear();
    m_decoded.emplace_back(block, image);
    return image;
}

QImage IconFile::argbImage(qint32 index) const
{
    const QByteArray& block = imageBlock(index);
    if (detail::isPngBlock(le::bytes(block)))
        return decodedPng(block);
    const IconDirEntry& e = entry(index);
    const detail::ImageBlockLayout l = detail::ImageBlockLayout::of(block, e);
    if (l.header.biBitCount != 32 || l.header.biPlanes != 1 || l.width <= 0)
        return {};
    // bW x bH pixels from rows of the block's own width, as the colour bits are drawn.
    const int w = sideOf(e.bWidth), h = sideOf(e.bHeight);
    const int columns = int(std::min<qint64>(w, l.width));
    l.require(l.xorOffset + h * l.xorRow);
    const std::span<const quint8> d = le::bytes(block);
    QImage out(w, h, QImage::Format_ARGB32);
    out.fill(0);
    bool anyAlpha = false;
    for (int y = 0; y < h; ++y) {
        const quint8* row = d.data() + l.xorOffset + qint64(h - 1 - y) * l.xorRow;
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < columns; ++x) {
            line[x] = qRgba(row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]);
            anyAlpha = anyAlpha || row[4 * x + 3] != 0;
        }
    }
    if (anyAlpha)
        return out;
    // Older 32-bit images leave alpha at 0 and say everything with the AND mask.
    l.require(l.maskOffset + h * l.maskRow);
    for (int y = 0; y < h; ++y) {
        const quint8* mask = d.data() + l.maskOffset + qint64(h - 1 - y) * l.maskRow;
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < columns; ++x)
            if (!((mask[x >> 3] >> (7 - (x & 7))) & 1))
                line[x] |= 0xFF000000u;
    }
    return out;
}

} // namespace brevane
