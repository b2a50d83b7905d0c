#include "platform/MetafileScan.h"

#include "platform/Limits.h"
#include "platform/LittleEndian.h"

#include <cstdlib>

namespace brevane::Metafile {

namespace {

    constexpr quint32 EmfEofType = 14;
    constexpr qint64 EmfHeaderBytes = 88;
    constexpr quint32 PlaceableKey = 0x9AC6CDD7;
    constexpr std::size_t PlaceableBytes = 22;
    constexpr std::size_t WmfHeaderBytes = 18;

    const QString damagedBitmap = QStringLiteral("a bitmap in the metafile is damaged");

    QString tooLargeBitmap(const DibSize& s)
    {
        return QStringLiteral("a bitmap of %1 x %2 pixels in the metafile is too large to load")
            .arg(s.width)
            .arg(s.height);
    }

    // Counts one bitmap against the budgets; the refusal when it breaks one.
    class BitmapBudget {
    public:
        explicit BitmapBudget(qint64 maxPixels)
            : m_maxPixels(maxPixels)
        {
        }

        QString add(const std::optional<DibSize>& s)
        {
            if (!s)
                return damagedBitmap;
            if (s->tooLarge())
                return tooLargeBitmap(*s);
            m_pixels += s->width * s->height;
            if (m_pixels > m_maxPixels)
                return QStringLiteral("the metafile's bitmaps are too large to load");
            return {};
        }

    private:
        qint64 m_maxPixels;
        qint64 m_pixels = 0;
    };

    const QString tooManyRecords = QStringLiteral("the metafile has too many records to load");
    const QString tooManyPoints = QStringLiteral("the metafile has too many points to load");

    // The points an EMF poly record claims (it may claim more than it holds: a damaged
    // record, refused all the same once over budget).
    quint64 emfPoints(quint32 type, std::span<const quint8> record)
    {
        switch (type) {
        case 2: // EMR_POLYBEZIER, POLYGON, POLYLINE, POLYBEZIERTO, POLYLINETO
        case 3:
        case 4:
        case 5:
        case 6:
        case 56: // EMR_POLYDRAW
        case 85: // and their 16-bit forms
        case 86:
        case 87:
        case 88:
        case 89:
        case 92:
            return record.size() >= 28 ? le::u32(record, 24) : 0;
        case 7: // EMR_POLYPOLYLINE, POLYPOLYGON: nPolys, then the total count
        case 8:
        case 90:
        case 91:
            return record.size() >= 32 ? le::u32(record, 28) : 0;
        default:
            return 0;
        }
    }

    quint64 wmfPoints(quint16 function, std::span<const quint8> params)
    {
        if (function == 0x0324 || function == 0x0325) // META_POLYGON, META_POLYLINE
            return params.size() >= 2 ? le::u16(params, 0) : 0;
        if (function != 0x0538 || params.size() < 2) // META_POLYPOLYGON: counts, then points
            return 0;
        const std::size_t polygons = le::u16(params, 0);
        quint64 points = 0;
        for (std::size_t i = 0; i < polygons && 2 + 2 * i + 2 <= params.size(); ++i)
            points += le::u16(params, 2 + 2 * i);
        return points;
    }

    bool validBitCount(quint32 bits)
    {
        return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    }

    // The header's description and pixel format lie inside the header record: the
    // converter reads them from the offsets given.
    bool emfHeaderSound(std::span<const quint8> d)
    {
        if (d.size() < std::size_t(EmfHeaderBytes))
            return false;
        const quint64 headerSize = le::u32(d, 4);
        if (headerSize < EmfHeaderBytes || headerSize > d.size())
            return false;
        const quint64 nDescription = le::u32(d, 60), offDescription = le::u32(d, 64);
        if ((nDescription != 0 || offDescription != 0)
            && (offDescription < EmfHeaderBytes || offDescription + 2 * nDescription > headerSize))
            return false;
        if (headerSize >= 100) {
            const quint64 cbPixelFormat = le::u32(d, 88), offPixelFormat = le::u32(d, 92);
            if ((cbPixelFormat != 0 || offPixelFormat != 0)
                && (offPixelFormat < EmfHeaderBytes || offPixelFormat + cbPixelFormat > headerSize))
                return false;
        }
        return true;
    }

    // Where an EMF record keeps the header (offBmi, cbBmi) and the pixels (offBits,
    // cbBits) of its bitmaps: the fields' positions from the record's start.
    struct EmfBitmapFields {
        quint32 type;
        std::size_t fixedBytes; // the record's fields up to the last of these
        std::size_t source; // offBmiSrc; the three others follow it
        std::size_t mask; // offBmiMask, 0 when the record has no mask
    };
    constexpr EmfBitmapFields emfBitmapRecords[] = {
        { 76, 100, 84, 0 }, // EMR_BITBLT
        { 77, 108, 84, 0 }, // EMR_STRETCHBLT
        { 78, 128, 84, 112 }, // EMR_MASKBLT
        { 79, 140, 96, 124 }, // EMR_PLGBLT
        { 80, 76, 48, 0 }, // EMR_SETDIBITSTODEVICE
        { 81, 80, 48, 0 }, // EMR_STRETCHDIBITS
        { 93, 32, 16, 0 }, // EMR_CREATEMONOBRUSH
        { 94, 32, 16, 0 }, // EMR_CREATEDIBPATTERNBRUSHPT
        { 95, 52, 12, 0 }, // EMR_EXTCREATEPEN (a pattern pen)
        { 114, 108, 84, 0 }, // EMR_ALPHABLEND
        { 116, 108, 84, 0 }, // EMR_TRANSPARENTBLT
    };

    // One bitmap of an EMF record: nothing when the record carries none (cbBmi 0, as a
    // blit whose operation takes no source writes), else its header and pixels checked
    // inside the record.
    QString emfBitmap(std::span<const quint8> record, std::size_t fields, BitmapBudget& budget)
    {
        const quint64 offBmi = le::u32(record, fields), cbBmi = le::u32(record, fields + 4);
        const quint64 offBits = le::u32(record, fields + 8), cbBits = le::u32(record, fields + 12);
        if (cbBmi == 0)
            return {};
        if (offBmi < 8 || offBmi + cbBmi > record.size() || offBits < 8 || offBits + cbBits > record.size())
            return damagedBitmap;
        return budget.add(checkDib(record.subspan(offBmi, cbBmi), record.subspan(offBits, cbBits)));
    }

    // Where a WMF record with a bitmap keeps it, from the record's parameters; BITMAP16
    // records instead of a DIB are marked. Blits whose operation takes no source have a
    // form without a bitmap, one word longer than their fixed fields: their size is then
    // (function >> 8) + 3 words.
    struct WmfBitmapRecord {
        quint16 function;
        std::size_t at;
        bool bitmap16;
        bool optional;
    };
    constexpr WmfBitmapRecord wmfBitmapRecords[] = {
        { 0x0922, 16, true, true }, // META_BITBLT
        { 0x0B23, 20, true, true }, // META_STRETCHBLT
        { 0x01F9, 0, true, false }, // META_CREATEPATTERNBRUSH
        { 0x0940, 16, false, true }, // META_DIBBITBLT
        { 0x0B41, 20, false, true }, // META_DIBSTRETCHBLT
        { 0x0F43, 22, false, false }, // META_STRETCHDIB
        { 0x0D33, 18, false, false }, // META_SETDIBTODEV
        { 0x0142, 4, false, false }, // META_DIBCREATEPATTERNBRUSH
    };

    QString wmfBitmap(std::span<const quint8> params, quint16 function, BitmapBudget& budget)
    {
        for (const WmfBitmapRecord& r : wmfBitmapRecords) {
            if (r.function != function)
                continue;
            // The function's high byte is the record's size without a bitmap, less 3 words.
            if (r.optional && params.size() == std::size_t(function >> 8) * 2)
                return {};
            if (params.size() < r.at)
                return damagedBitmap;
            const auto bitmap = params.subspan(r.at);
            return budget.add(r.bitmap16 ? checkBitmap16(bitmap) : checkDib(bitmap, std::nullopt));
        }
        return {};
    }

    // Records that put something on the page (by the function's low byte, the GDI call).
    bool draws(quint16 function)
    {
        switch (function & 0xFF) {
        case 0x13: // LineTo
        case 0x17: // Arc
        case 0x18: // Ellipse
        case 0x19: // FloodFill
        case 0x1A: // Pie
        case 0x1B: // Rectangle
        case 0x1C: // RoundRect
        case 0x1D: // PatBlt
        case 0x1F: // SetPixel
        case 0x21: // TextOut
        case 0x22: // BitBlt
        case 0x23: // StretchBlt
        case 0x24: // Polygon
        case 0x25: // Polyline
        case 0x28: // FillRegion
        case 0x29: // FrameRegion
        case 0x2A: // InvertRegion
        case 0x2B: // PaintRegion
        case 0x30: // Chord
        case 0x32: // ExtTextOut
        case 0x33: // SetDIBitsToDevice
        case 0x38: // PolyPolygon
        case 0x40: // DIB BitBlt
        case 0x41: // DIB StretchBlt
        case 0x43: // StretchDIBits
        case 0x48: // ExtFloodFill
            return true;
        default:
            return false;
        }
    }

    std::size_t wmfStart(std::span<const quint8> d)
    {
        return (d.size() >= 4 && le::u32(d, 0) == PlaceableKey) ? PlaceableBytes : 0;
    }

} // namespace

bool plainWmfHeader(std::span<const quint8> d, std::size_t at)
{
    if (d.size() < at + WmfHeaderBytes)
        return false;
    const quint16 type = le::u16(d, at);
    const quint16 headerWords = le::u16(d, at + 2);
    const quint16 version = le::u16(d, at + 4);
    return (type == 1 || type == 2) && headerWords == 9 && (version == 0x0100 || version == 0x0300);
}

bool DibSize::tooLarge() const
{
    return width > limits::MaxSide || height > limits::MaxSide || width * height > limits::MaxPicturePixels;
}

std::optional<DibSize> checkDib(std::span<const quint8> info, std::optional<std::span<const quint8>> bits)
{
    if (info.size() < 4)
        return {};
    const quint32 biSize = le::u32(info, 0);
    qint64 width, height;
    quint32 planes, bitCount, compression = 0, sizeImage = 0, clrUsed = 0, entryBytes = 4;
    if (biSize == 12) {
        // BITMAPCOREHEADER: 16-bit sizes, a colour table of RGBTRIPLEs.
        if (info.size() < 12)
            return {};
        width = le::u16(info, 4);
        height = le::u16(info, 6);
        planes = le::u16(info, 8);
        bitCount = le::u16(info, 10);
        entryBytes = 3;
    } else if (biSize == 40 || biSize == 52 || biSize == 56 || biSize == 64 || biSize == 108 || biSize == 124) {
        // BITMAPINFOHEADER and its later versions; any other size sends libwmf's reader
        // into an endless loop (biSize 0) or past the record.
        if (info.size() < biSize)
            return {};
        width = le::i32(info, 4);
        height = le::i32(info, 8); // negative: rows top-down
        planes = le::u16(info, 12);
        bitCount = le::u16(info, 14);
        compression = le::u32(info, 16);
        sizeImage = le::u32(info, 20);
        clrUsed = le::u32(info, 32);
    } else {
        return {};
    }
    const bool topDown = height < 0;
    height = std::abs(height);
    if (width <= 0 || height <= 0 || planes != 1 || !validBitCount(bitCount))
        return {};
    // BI_RGB, BI_RLE8, BI_RLE4, BI_BITFIELDS; JPEG and PNG inside a metafile would reach
    // other decoders unchecked. Compressed bitmaps are bottom-up.
    const bool rle = compression == 1 || compression == 2;
    if (compression > 3 || (compression == 1 && bitCount != 8) || (compression == 2 && bitCount != 4)
        || (compression == 3 && bitCount != 16 && bitCount != 32) || (rle && topDown))
        return {};
    const DibSize size { width, height };
    if (size.tooLarge())
        return size;

    const quint64 maxColours = bitCount <= 8 ? (1u << bitCount) : 256u;
    if (clrUsed > maxColours)
        return {};
    const quint64 colours = (bitCount <= 8 && clrUsed == 0) ? maxColours : clrUsed;
    const quint64 masks = (compression == 3 && biSize == 40) ? 12 : 0;
    const quint64 tableEnd = biSize + masks + colours * entryBytes;
    // Each row padded to four bytes; compressed pixels are as long as biSizeImage says.
    const quint64 pixelBytes = rle ? sizeImage : ((quint64(width) * bitCount + 31) / 32) * 4 * quint64(height);
    if (rle && sizeImage == 0)
        return {};
    if (bits)
        return (tableEnd <= info.size() && pixelBytes <= bits->size()) ? std::optional(size) : std::nullopt;
    return (tableEnd + pixelBytes <= info.size()) ? std::optional(size) : std::nullopt;
}

std::optional<DibSize> checkBitmap16(std::span<const quint8> d)
{
    // Type, Width, Height, WidthBytes, Planes (a byte), BitsPixel (a byte), then the pixels.
    if (d.size() < 10)
        return {};
    const qint64 width = le::i16(d, 2), height = le::i16(d, 4), widthBytes = le::i16(d, 6);
    const quint32 planes = le::u8(d, 8), bitsPixel = le::u8(d, 9);
    if (width <= 0 || height <= 0 || planes != 1 || !validBitCount(bitsPixel))
        return {};
    // Rows are padded to 16 bits.
    if (widthBytes < (width * bitsPixel + 15) / 16 * 2 || quint64(widthBytes * height) > d.size() - 10)
        return {};
    return DibSize { width, height };
}

Walk walkEmf(std::span<const quint8> d)
{
    Walk walk;
    if (!emfHeaderSound(d))
        return walk;
    BitmapBudget budget(limits::MaxEmfBitmapPixels);
    int records = 0;
    quint64 points = 0;
    std::size_t at = 0;
    while (at + 8 <= d.size()) {
        const quint32 type = le::u32(d, at);
        const quint32 size = le::u32(d, at + 4);
        if (size < 8 || size % 4 != 0 || size > d.size() - at)
            return walk;
        if (type == EmfEofType) {
            walk.sound = true;
            return walk;
        }
        if (walk.refusal.isEmpty() && ++records > limits::MaxMetafileRecords)
            walk.refusal = tooManyRecords;
        const auto record = d.subspan(at, size);
        points += emfPoints(type, record);
        if (walk.refusal.isEmpty() && points > quint64(limits::MaxMetafilePoints))
            walk.refusal = tooManyPoints;
        for (const EmfBitmapFields& f : emfBitmapRecords) {
            if (f.type != type || !walk.refusal.isEmpty())
                continue;
            if (size < f.fixedBytes) {
                walk.refusal = damagedBitmap;
                break;
            }
            walk.refusal = emfBitmap(record, f.source, budget);
            if (walk.refusal.isEmpty() && f.mask)
                walk.refusal = emfBitmap(record, f.mask, budget);
        }
        at += size;
    }
    return walk;
}

// libwmf allocates what the header's largest-record field says before reading a record,
// and trusts record sizes: the header must not claim a record larger than the file,
// and every record must lie inside the data up to META_EOF.
Walk walkWmf(std::span<const quint8> d)
{
    Walk walk;
    std::size_t at = wmfStart(d);
    if (!plainWmfHeader(d, at))
        return walk;
    const quint64 maxRecordBytes = quint64(le::u32(d, at + 12)) * 2;
    if (maxRecordBytes > d.size())
        return walk;
    at += WmfHeaderBytes;
    BitmapBudget budget(limits::MaxMetafileBitmapPixels);
    int records = 0;
    quint64 points = 0;
    while (at + 6 <= d.size()) {
        const quint64 bytes = quint64(le::u32(d, at)) * 2;
        const quint16 function = le::u16(d, at + 4);
        if (bytes < 6 || bytes > d.size() - at)
            return walk;
        if (function == 0) { // META_EOF
            walk.sound = true;
            return walk;
        }
        if (walk.refusal.isEmpty() && ++records > limits::MaxMetafileRecords)
            walk.refusal = tooManyRecords;
        const auto params = d.subspan(at + 6, std::size_t(bytes) - 6);
        points += wmfPoints(function, params);
        if (walk.refusal.isEmpty() && points > quint64(limits::MaxMetafilePoints))
            walk.refusal = tooManyPoints;
        if (walk.refusal.isEmpty())
            walk.refusal = wmfBitmap(params, function, budget);
        at += std::size_t(bytes);
    }
    return walk;
}

std::optional<WmfFrame> placeableFrame(std::span<const quint8> d)
{
    if (wmfStart(d) != PlaceableBytes || !walkWmf(d).sound)
        return {};
    WmfFrame frame { le::i16(d, 6), le::i16(d, 8), le::i16(d, 10), le::i16(d, 12), {} };
    // A program playing the file sets MM_ANISOTROPIC with the bounding box as its window;
    // the file's own window then replaces it (unless the file chooses another mapping
    // mode), and the window is what fills the picture.
    enum { MM_TEXT = 1, MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8 };
    int mapMode = MM_ANISOTROPIC;
    bool windowSet = false;
    int windowX = 0, windowY = 0, windowW = 0, windowH = 0;
    std::size_t at = PlaceableBytes + WmfHeaderBytes;
    for (;;) {
        const std::size_t bytes = std::size_t(le::u32(d, at)) * 2;
        const quint16 function = le::u16(d, at + 4);
        const auto params = d.subspan(at + 6, bytes - 6);
        switch (function) {
        case 0x0103: // META_SETMAPMODE
            if (params.size() >= 2)
                mapMode = le::u16(params, 0);
            break;
        case 0x020B: // META_SETWINDOWORG: y, x
            if (params.size() >= 4) {
                windowY = le::i16(params, 0);
                windowX = le::i16(params, 2);
            }
            break;
        case 0x020C: // META_SETWINDOWEXT: y, x
            if (params.size() >= 4 && le::i16(params, 0) != 0 && le::i16(params, 2) != 0) {
                windowSet = true;
                windowH = le::i16(params, 0);
                windowW = le::i16(params, 2);
            }
            break;
        case 0x020D: // META_SETVIEWPORTORG
        case 0x020E: // META_SETVIEWPORTEXT
        case 0x020F: // META_OFFSETWINDOWORG
        case 0x0410: // META_SCALEWINDOWEXT
        case 0x0211: // META_OFFSETVIEWPORTORG
        case 0x0412: // META_SCALEVIEWPORTEXT
        case 0x001E: // META_SAVEDC
        case 0x0127: // META_RESTOREDC
            break;
        default:
            // Objects, colours and modes do not move the frame; the first drawing
            // record (or the end) fixes it.
            if (function == 0 || draws(function)) {
                if (windowSet && (mapMode == MM_ANISOTROPIC || mapMode == MM_ISOTROPIC)) {
                    frame.left = windowX;
                    frame.top = windowY;
                    frame.right = windowX + windowW;
                    frame.bottom = windowY + windowH;
                }
                return frame;
            }
            at += bytes;
            continue;
        }
        frame.setup.append(reinterpret_cast<const char*>(d.data() + at), qsizetype(bytes));
        at += bytes;
    }
}

} // namespace brevane::Metafile
