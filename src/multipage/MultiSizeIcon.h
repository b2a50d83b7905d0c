#pragma once

#include "platform/Colour.h"
#include "platform/PictureLoader.h"

#include <QImage>
#include <QList>
#include <QMap>
#include <QString>

namespace brevane {

class IconFile;

// Which pixels an image leaves see-through besides those the picture itself does.
struct Transparency {
    enum class Kind {
        PictureOnly, // 32 bits: the picture's own alpha; below: padding only (the colour 255,255,250)
        Colour, // pixels of 'colour' too
        TopLeft, // pixels of the colour of each picture's top-left pixel too
    };
    Kind kind = Kind::PictureOnly;
    Colour colour = RGB(255, 255, 255);
};

// One icon of several sizes from one picture, some sizes perhaps drawn from pictures of
// their own: brevane-cli multi --from/--image and the one-picture window drive it. Nothing
// is computed until asked: the document (build, save) or how one size will look (preview).
//
// Each size is made from its own picture when it has one, used as drawn (top-left square,
// never scaled), otherwise from the common picture, fitted or cropped. 32-bit images keep
// the picture's alpha; below 32 bits the picture is drawn over the transparent colour,
// whose pixels become transparent, and 4- and 8-bit images take the standard 16- and
// 256-colour palettes. Images are written smallest first.
class MultiSizeIcon {
public:
    static QList<int> defaultSizes() { return { 16, 24, 32, 48, 256 }; }
    static bool isStandardSize(int size);
    static bool isBitCount(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32; }
    // The transparent colour "none" stands for below 32 bits: padding stays see-through.
    static constexpr Colour PaddingColour = RGB(255, 255, 250);

    const Picture& picture() const { return m_picture; }
    void setPicture(const Picture& picture) { m_picture = picture; }

    // Sorted, each once; a size outside the standard ones raises error 5 and changes nothing.
    const QList<int>& sizes() const { return m_sizes; }
    void setSizes(const QList<int>& sizes);

    int bitCount() const { return m_bitCount; }
    void setBitCount(int bits); // error 5 unless 1, 4, 8, 24 or 32

    Placement placement() const { return m_placement; }
    void setPlacement(Placement placement) { m_placement = placement; }

    const Transparency& transparency() const { return m_transparency; }
    void setTransparency(const Transparency& transparency) { m_transparency = transparency; }

    // A picture of its own for one size (error 5 for a size outside the standard ones).
    void setOwnPicture(int size, const Picture& picture);
    void clearOwnPicture(int size) { m_own.remove(size); }
    bool hasOwnPicture(int size) const { return m_own.contains(size); }
    const QMap<int, Picture>& ownPictures() const { return m_own; }

    // The chosen sizes that have no picture to be made from.
    QList<int> sizesWithoutPicture() const;

    // The icon: one image per chosen size, smallest first. Error 5 when a size has no
    // picture; the document's own errors otherwise.
    IconFile build() const;
    // Builds and writes the icon through the document's safe save.
    void save(const QString& fileName) const;
    // How one size will look in the icon, alpha and mask applied; a null image when that
    // size has no picture.
    QImage preview(int size) const;
    // What one size is drawn from before any colour is keyed out: its picture placed in the
    // square as the icon places it. Null when that size has no picture.
    QImage source(int size) const;

private:
    // Adds image 'size' to icon and fills it.
    void addImage(IconFile& icon, int size) const;

    Picture m_picture;
    QList<int> m_sizes = defaultSizes();
    int m_bitCount = 32;
    Placement m_placement = Placement::Fit;
    Transparency m_transparency;
    QMap<int, Picture> m_own;
};

} // namespace brevane
