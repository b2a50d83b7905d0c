#include "multipage/MultiSizeIcon.h"

#include "icon/IconFile.h"
#include "palette/Palette.h"
#include "platform/Error.h"
#include "platform/Surface.h"

#include <algorithm>
#include <optional>

namespace brevane {

bool MultiSizeIcon::isStandardSize(int size)
{
    return std::find(std::begin(StandardIconSizes), std::end(StandardIconSizes), size) != std::end(StandardIconSizes);
}

void MultiSizeIcon::setSizes(const QList<int>& sizes)
{
    if (!std::all_of(sizes.begin(), sizes.end(), isStandardSize))
        throw Error::runtime(err::InvalidProcedureCall);
    QList<int> sorted = sizes;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    m_sizes = sorted;
}

void MultiSizeIcon::setBitCount(int bits)
{
    if (!isBitCount(bits))
        throw Error::runtime(err::InvalidProcedureCall);
    m_bitCount = bits;
}

void MultiSizeIcon::setOwnPicture(int size, const Picture& picture)
{
    if (!isStandardSize(size))
        throw Error::runtime(err::InvalidProcedureCall);
    m_own.insert(size, picture);
}

QList<int> MultiSizeIcon::sizesWithoutPicture() const
{
    QList<int> missing;
    for (int size : m_sizes)
        if (!m_own.contains(size) && m_picture.isNull())
            missing.append(size);
    return missing;
}

void MultiSizeIcon::addImage(IconFile& icon, int size) const
{
    const bool own = m_own.contains(size);
    const Picture& picture = own ? m_own[size] : m_picture;
    if (picture.isNull())
        throw Error::runtime(err::InvalidProcedureCall);

    // The colour that becomes transparent; at 32 bits none is needed beyond the alpha.
    std::optional<QRgb> key;
    switch (m_transparency.kind) {
    case Transparency::Kind::Colour:
        key = toQRgb(m_transparency.colour);
        break;
    case Transparency::Kind::TopLeft: {
        // A see-through top-left pixel names no colour: its picture's alpha says enough.
        const QRgb corner = picture.square(1, Placement::Crop).pixel(0, 0);
        if (qAlpha(corner) != 0)
            key = corner | 0xFF000000u;
        break;
    }
    case Transparency::Kind::PictureOnly:
        break;
    }
    const Colour background = key ? fromQRgb(*key) : PaddingColour;

    const qint32 index = icon.addImage(ImageShape { size, size, m_bitCount });
    if (m_bitCount == 4 || m_bitCount == 8) {
        Palette palette;
        if (m_bitCount == 4)
            palette.createStandard16();
        else
            palette.createStandard256();
        palette.writeToIcon(icon, index);
    }
    // Own pictures are used as drawn; below 32 bits the key colour is keyed after drawing,
    // over it, as every other path does.
    const QImage square
        = picture.square(size, own ? Placement::Crop : m_placement, m_bitCount == 32 ? key : std::nullopt);
    if (square.isNull())
        throw Error::runtime(err::OutOfMemory);
    icon.setImageFromArgb(index, square, background);
}

IconFile MultiSizeIcon::build() const
{
    IconFile icon;
    for (int size : m_sizes)
        addImage(icon, size);
    return icon;
}

void MultiSizeIcon::save(const QString& fileName) const
{
    build().save(fileName);
}

QImage MultiSizeIcon::preview(int size) const
{
    if (!m_own.contains(size) && m_picture.isNull())
        return {};
    IconFile icon;
    addImage(icon, size);
    return icon.imageWithAlpha(Surface::colour(1, 1), 1);
}

QImage MultiSizeIcon::source(int size) const
{
    const bool own = m_own.contains(size);
    const Picture& picture = own ? m_own[size] : m_picture;
    return picture.square(size, own ? Placement::Crop : m_placement);
}

} // namespace brevane
