#pragma once

#include "platform/Colour.h"

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

#include <cstdint>
#include <span>
#include <variant>
#include <vector>

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

// Where a document was read from inside an executable: nothing, a number or a name.
using ResourceId = std::variant<std::monostate, qint32, QString>;

// Everything needed to find one's way inside an image block. Arithmetic is done in 64 bits
// and refused with error 6 when a result leaves the 32-bit range, so a lying header can
// never produce a wrapped offset.
namespace IconLayout {
    qint64 BytesPerScanLine(qint64 bits);
    qint64 HeaderColourCount(const BitmapInfoHeader& header);
    qint64 XorBitsOffset(const BitmapInfoHeader& header);
}

// The in-memory icon document: ICO header, directory entries and image blocks, exactly
// as they are stored in an ICO file. Images are numbered from 1.
// Every operation raises brevane::Error (source "Brevane.cFileIcon" for its own errors).
class cls_IconFile {
public:
    static constexpr quint32 SRCCOPY = 0x00CC0020;

    bool IsAnIconFile(const QString& sFile) const;
    void CloneTo(cls_IconFile& cThis) const;
    QString Filename() const { return m_sFileName; }
    ResourceId ResourceID() const { return m_vResourceID; }

    qint32 ImageCount() const { return m_tHeader.idCount; }
    qint32 ImageWidth(qint32 nIndex) const;
    qint32 ImageHeight(qint32 nIndex) const;
    qint32 ImageColourCount(qint32 nIndex) const;
    qint32 ImageSize(qint32 nIndex) const;
    qint32 RemoveImage(qint32 nIndex);
    qint32 AddImage(qint32 nWidth, qint32 nHeight, qint32 nColourCount);

    bool LoadIconFromEXE(const QString& sFile, qint32 lpID = 0, const QString& lpName = QString());
    // The same from resources already read; sFile is only recorded as the file name.
    bool LoadIconFromEXE(const PeResources& pe, const QString& sFile, qint32 lpID = 0, const QString& lpName = QString());
    bool LoadIcon(const QString& sFile);
    // Takes the place of a raw address: the span must hold the whole colour table
    // (4 bytes per entry, 2^wBitCount entries), or error 9 is raised and nothing copied.
    void GetPalette(qint32 nIndex, std::span<quint8> lPtrMem) const;
    void SetPalette(qint32 nIndex, std::span<const quint8> lPtrMem);
    bool saveicon(const QString& sFileName = QString());

    // Draws image nIndex onto lHDC at (x, y): its colour bits (eType 0) or its mask (any
    // other eType; 1 draws as the surface's background colour, 0 as its text colour). A
    // width or height of 0 takes the image's; when both are 0 the image is copied
    // unscaled, otherwise stretched. The block is not changed.
    void DrawIconImage(Surface& lHDC, qint32 nIndex, qint32 eType = 0, qint32 x = 0, qint32 y = 0, qint32 lWidth = 0,
        qint32 lHeight = 0, quint32 eRasterOp = SRCCOPY) const;

    // Fills image nIndex from the image-sized rectangle at (x, y) of lHDC: pixels of
    // lTransparentColour (-1: the colour at (x, y)) become transparent, with black colour
    // bits; 1-, 4- and 8-bit images take the nearest colour of their own colour table.
    // With lMaskHDC the mask comes from it instead: its pixels in its background colour are
    // opaque. Without it, lHDC's background colour is left set to the transparent colour.
    // bSetMaskUsingTransparentColour is accepted and not consulted. Error 9 for a bad index
    // or a block too short for what its header describes, before anything is written.
    void SetIconFromBitmap(Surface& lHDC, qint32 nIndex, qint32 x = 0, qint32 y = 0,
        bool bSetMaskUsingTransparentColour = false, Colour lTransparentColour = -1, const Surface* lMaskHDC = nullptr);

    // On this platform an icon handle is a QIcon holding one pixmap of the image's size: the
    // colour bits, with alpha 0 where the AND mask is 1 (a mask pixel over non-black colour
    // bits, which would invert the screen, is transparent too). A null icon when none can
    // be made; the caller owns it like any value. lHDC decides colour or mono as the
    // device context does.
    QIcon IconHandle(const Surface& lHDC, qint32 nIndex) const;
    // The picture object: a pixmap of the same image, null when no icon can be made.
    QPixmap IconPicture(const Surface& lHDC, qint32 nIndex) const;
    // What IconHandle holds, as an ARGB32 image; usable without a GUI application.
    QImage ImageWithAlpha(const Surface& lHDC, qint32 nIndex) const;

    // Read access for the components built on the document (palette, rendering, tests).
    const IconHeader& header() const { return m_tHeader; }
    const IconDirEntry& entry(qint32 nIndex) const;
    const QByteArray& imageBlock(qint32 nIndex) const;

    // The error this class raises: 0x80040000 + n, source "Brevane.cFileIcon".
    [[noreturn]] static void raise(qint32 n, const QString& description);

private:
    void reset(const QString& sFile);
    void checkIndex(qint32 nIndex) const;

    // Colour (eKind 0) or mask (any other) bits of image nIndex drawn on a bitmap compatible
    // with lHDC (mask: monochrome), blitted onto lHDC when bDraw is set; returned when
    // bKeep is set, otherwise a null surface.
    Surface RenderImage(Surface& lHDC, qint32 nIndex, qint32 eKind, bool bDraw, qint32 x, qint32 y, qint32 lWidth,
        qint32 lHeight, quint32 eRasterOp, bool bKeep) const;
    // The bitmap RenderImage draws, for a context of the given colour kind (true: colour).
    Surface renderBitmap(bool bColourContext, qint32 nIndex, qint32 eKind) const;
    void ReceiveClone(const QString& sFileName, const ResourceId& vResourceID, const IconHeader& tHeader,
        const std::vector<IconDirEntry>& tEntries, const std::vector<QByteArray>& bImages);

    QString m_sFileName;
    ResourceId m_vResourceID;
    IconHeader m_tHeader;
    std::vector<IconDirEntry> m_tEntries;
    std::vector<QByteArray> m_bImages;
};

} // namespace brevane
