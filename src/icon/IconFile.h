#pragma once

#include "platform/Colour.h"

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QString>

#include <cstdint>
#include <span>
#include <variant>
#include <vector>

class QIODevice;

namespace brevane {

class Surface;
class PeResources;

// The 6-byte ICO header.
struct IconHeader {
    quint16 idReserved = 0;
    quint16 idType = 0; // 1 = icon; cursors carry 2
    qint16 idCount = 0;
};

// One 16-byte ICO directory entry.
struct IconDirEntry {
    quint8 bWidth = 0;
    quint8 bHeight = 0; // the real height; the block's biHeight is twice it
    quint8 bColorCount = 0;
    quint8 bReserved = 0;
    quint16 wPlanes = 0;
    quint16 wBitCount = 0;
    qint32 dwBytesInRes = 0;
    qint32 dwImageOffset = 0;
};

// The 40-byte BITMAPINFOHEADER at the start of every image block.
struct BitmapInfoHeader {
    quint32 biSize = 0;
    qint32 biWidth = 0;
    qint32 biHeight = 0;
    quint16 biPlanes = 0;
    quint16 biBitCount = 0;
    quint32 biCompression = 0;
    quint32 biSizeImage = 0;
    qint32 biXPelsPerMeter = 0;
    qint32 biYPelsPerMeter = 0;
    quint32 biClrUsed = 0;
    quint32 biClrImportant = 0;

    static constexpr int Size = 40;
    // Reads the first 40 bytes; error 9 when the block is shorter.
    static BitmapInfoHeader read(std::span<const quint8> block);
    void write(std::span<quint8> block) const;
};

// What one image block holds, read from the block itself rather than from its directory entry
// (many files write 0 bits or 0 colours there).
struct ImageBlockInfo {
    enum class Format { Bmp, Png };
    Format format = Format::Bmp;
    qint32 width = 0; // biWidth, or the PNG's IHDR width: 256 where the directory says 0
    qint32 height = 0; // biHeight / 2 (colour and mask rows), or the IHDR height
    qint32 bitCount = 0; // biBitCount, or the IHDR's channels x bit depth (32 for 8-bit RGBA)
    qint64 colours = 0; // distinct colours the bits can hold, alpha not counted: 2^24 for 24 and 32 bits
};

// How an image added with addImage(ImageShape) is kept in the file.
enum class ImageStorage {
    Automatic, // PNG for a 256-pixel 32-bit image, as the system expects its large images; BMP otherwise
    Bmp,
    Png, // 32-bit images only
};

// The square sizes icons are made in, smallest first.
inline constexpr int StandardIconSizes[] = { 16, 20, 24, 32, 40, 48, 64, 72, 80, 96, 128, 256 };

struct ImageShape {
    qint32 width = 32; // 1 .. 256; the directory says 0 for 256
    qint32 height = 32;
    qint32 bitCount = 32; // 1, 4, 8, 24 or 32
    ImageStorage storage = ImageStorage::Automatic;
};

// Where a document was read from inside an executable: nothing, a number or a name.
using ResourceId = std::variant<std::monostate, qint32, QString>;

// An image is asked for by its colour count (2, 16, 256, or TrueColour for 24 bits, the
// codes the options dialog and the batch pass around) and stored with a bit count.
namespace ColourDepth {
    inline constexpr qint32 TrueColour = 1000;
    // 1, 4, 8; 24 for any other code.
    constexpr quint16 bitsFor(qint32 colourCount)
    {
        return colourCount == 2 ? 1 : colourCount == 16 ? 4 : colourCount == 256 ? 8 : 24;
    }
    // The code for 1, 4, 8 or 24 bits; 0 for a bit count no image is made with.
    constexpr qint32 colourCountFor(int bits)
    {
        return bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : bits == 24 ? TrueColour : 0;
    }
}

// Everything needed to find one's way inside an image block. Arithmetic is done in 64 bits
// and refused with error 6 when a result leaves the 32-bit range, so a lying header can
// never produce a wrapped offset.
namespace IconLayout {
    qint64 bytesPerScanLine(qint64 bits);
    qint64 headerColourCount(const BitmapInfoHeader& header);
    qint64 xorBitsOffset(const BitmapInfoHeader& header);
}

// The texts of error 1050, shared with the summary that reports what loading would refuse.
namespace IconLoadText {
    inline constexpr char Failed[] = "Failed to load icon: ";
    inline constexpr char DirectoryCorrupt[] = "Icon Directory Array is Corrupt.";
    inline constexpr char ImagesCorrupt[] = "Icon Images Array is Corrupt.";
}

// The in-memory icon document: ICO header, directory entries and image blocks, exactly
// as they are stored in an ICO file. Images are numbered from 1.
// Every operation raises brevane::Error (source "Brevane.cFileIcon" for its own errors).
class IconFile {
public:
    static constexpr quint32 SRCCOPY = 0x00CC0020;

    bool isIconFile(const QString& path) const;
    void cloneTo(IconFile& target) const;
    QString fileName() const { return m_fileName; }
    ResourceId resourceId() const { return m_resourceId; }

    qint32 imageCount() const { return m_header.idCount; }
    qint32 imageWidth(qint32 index) const;
    qint32 imageHeight(qint32 index) const;
    qint32 imageColourCount(qint32 index) const;
    qint32 imageBytes(qint32 index) const;
    // Error 9 for a bad index or a block too short for its BMP header or the PNG's IHDR.
    ImageBlockInfo blockInfo(qint32 index) const;
    // The same for a block that is not in a document (a cursor's); its first 40 bytes suffice.
    static ImageBlockInfo blockInfo(std::span<const quint8> block);
    void removeImage(qint32 index);
    void addImage(qint32 width, qint32 height, qint32 colourCount);
    // Appends an empty, fully transparent image and returns its number. 1-bit images get black
    // and white, 4- and 8-bit ones an all-black colour table (setColourTable fills it).
    // Error 1049 when an image of that size and bit count exists, 6 for a side outside
    // 1 .. 256, 5 for another bit count or PNG storage below 32 bits.
    qint32 addImage(const ImageShape& shape);
    // Fills image index from the top-left image-sized square of picture (any format; what it
    // does not cover is transparent). 32-bit and PNG-stored images keep its straight alpha and
    // colours exactly, with the AND mask derived from the alpha. 1-, 4-, 8- and 24-bit images
    // draw it over transparentColour and are filled as setImageFromSurface does: pixels of
    // that colour become transparent. Error 9 for a bad index or a block that cannot hold
    // what its header describes.
    void setImageFromArgb(qint32 index, const QImage& picture, Colour transparentColour = RGB(255, 255, 255));

    bool loadFromExecutable(const QString& path, qint32 id = 0, const QString& groupName = QString());
    // The same from resources already read; path is only recorded as the file name.
    bool loadFromExecutable(
        const PeResources& pe, const QString& path, qint32 id = 0, const QString& groupName = QString());
    bool load(const QString& path);
    // Takes the place of a raw address: the span must hold the whole colour table
    // (4 bytes per entry, 2^wBitCount entries), or error 9 is raised and nothing copied.
    void colourTable(qint32 index, std::span<quint8> table) const;
    void setColourTable(qint32 index, std::span<const quint8> table);
    // Image index's colour table as its own header sizes it (biClrUsed, else 2^biBitCount, never
    // more entries than the pixels can index), whatever the directory says: directories often
    // state 0 bits. Empty for more than 8 bits and for a PNG-stored image; error 9 when the
    // block is too short for its table.
    QList<QRgb> headerColourTable(qint32 index) const;
    void save(const QString& fileName = QString());
    // The bytes save() writes, for a caller that sends them elsewhere (standard output).
    // Error 1052 when the document holds no image.
    QByteArray toBytes() const;

    // Draws image index onto surface at (x, y): its colour bits (kind 0) or its mask (any
    // other kind; 1 draws as the surface's background colour, 0 as its text colour). A
    // width or height of 0 takes the image's; when both are 0 the image is copied
    // unscaled, otherwise stretched. The block is not changed.
    void drawImage(Surface& surface, qint32 index, qint32 kind = 0, qint32 x = 0, qint32 y = 0, qint32 width = 0,
        qint32 height = 0, quint32 rop = SRCCOPY) const;

    // Fills image index from the image-sized rectangle at (x, y) of surface: pixels of
    // transparentColour (-1: the colour at (x, y)) become transparent, with black colour
    // bits; 1-, 4- and 8-bit images take the nearest colour of their own colour table.
    // With maskSurface the mask comes from it instead: its pixels in its background colour
    // are opaque. Without it, surface's background colour is left set to the transparent
    // colour. Error 9 for a bad index or a block too short for what its header describes,
    // before anything is written.
    void setImageFromSurface(Surface& surface, qint32 index, qint32 x = 0, qint32 y = 0, Colour transparentColour = -1,
        const Surface* maskSurface = nullptr);

    // On this platform an icon handle is a QIcon holding one pixmap of the image's size: the
    // colour bits, with alpha 0 where the AND mask is 1 (a mask pixel over non-black colour
    // bits, which would invert the screen, is transparent too). A null icon when none can
    // be made; the caller owns it like any value. surface decides colour or mono as the
    // device context does.
    QIcon icon(const Surface& surface, qint32 index) const;
    // What icon() holds, as an ARGB32 image; usable without a GUI application. 32-bit images
    // show their alpha (their AND mask when every alpha is 0, as old files have them);
    // PNG-stored ones are decoded under the picture limits, each distinct block once while it
    // stays unchanged.
    QImage imageWithAlpha(const Surface& surface, qint32 index) const;

    // An ICO or CUR file held in memory, drawn as a picture: the image nearest 32x32 (by the
    // sizes its blocks hold, the first in the directory among equals) as imageWithAlpha
    // shows it; only that image is decoded. Given a side, the image to fit into that square
    // instead: the smallest whose sides are both at least 'side', else the largest, the one
    // of more bits among equal sizes. A null image when the data holds none that can be
    // drawn; 481 when a PNG-stored image is too large to load.
    static QImage pictureFromIconData(const QByteArray& data, int side = 0);

    // Read access for the components built on the document (palette, rendering, tests).
    const IconHeader& header() const { return m_header; }
    const IconDirEntry& entry(qint32 index) const;
    const QByteArray& imageBlock(qint32 index) const;

    // One of the class errors of err (IconAlreadyExists ...), source "Brevane.cFileIcon".
    [[noreturn]] static void raise(qint32 number, const QString& description);

private:
    void reset(const QString& path);
    // Header, directory and blocks as an ICO file holds them; false when a write fails.
    bool writeTo(QIODevice& device) const;
    void checkIndex(qint32 index) const;
    // Puts block in place of image index's, moving the blocks behind it.
    void replaceBlock(qint32 index, QByteArray block);
    void appendImage(const IconDirEntry& entry, QByteArray block);
    // 32-bit and PNG-stored images, read as straight ARGB32 by argbImage.
    bool hasAlphaChannel(qint32 index) const;
    QImage argbImage(qint32 index) const;
    QImage decodedPng(const QByteArray& block) const;

    // Colour (kind 0) or mask (any other) bits of image index drawn on a bitmap compatible
    // with surface (mask: monochrome), blitted onto surface when draw is set; returned when
    // keep is set, otherwise a null surface.
    Surface renderImage(Surface& surface, qint32 index, qint32 kind, bool draw, qint32 x, qint32 y, qint32 width,
        qint32 height, quint32 rop, bool keep) const;
    // The bitmap renderImage draws, for a context of the given colour kind (true: colour).
    Surface renderBitmap(bool colourContext, qint32 index, qint32 kind) const;
    void receiveClone(const QString& fileName, const ResourceId& resourceId, const IconHeader& header,
        const std::vector<IconDirEntry>& entries, const std::vector<QByteArray>& blocks);

    QString m_fileName;
    ResourceId m_resourceId;
    IconHeader m_header;
    std::vector<IconDirEntry> m_entries;
    std::vector<QByteArray> m_blocks;
    // PNG blocks already decoded. Holding a copy of each block keeps its storage from being
    // reused or written in place: a block that changes gets new storage and misses the cache.
    mutable std::vector<std::pair<QByteArray, QImage>> m_decoded;
};

} // namespace brevane
