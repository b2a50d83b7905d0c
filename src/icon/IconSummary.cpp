#include "icon/IconSummary.h"

#include "icon/IconFile.h"

#include "icon/ImageBlockLayout.h"
#include "platform/Error.h"
#include "platform/Limits.h"
#include "platform/LittleEndian.h"

#include <QFile>

namespace brevane {

namespace {

    constexpr qint64 HeaderBytes = 6;
    constexpr qint64 EntryBytes = 16;
    // Enough of a block for its facts: a BITMAPINFOHEADER, or the PNG signature and IHDR.
    constexpr qint64 BlockHeadBytes = BitmapInfoHeader::Size;

    IconDirEntry readEntry(std::span<const quint8> d)
    {
        IconDirEntry e;
        e.bWidth = d[0];
        e.bHeight = d[1];
        e.bColorCount = d[2];
        e.bReserved = d[3];
        e.wPlanes = le::u16(d, 4);
        e.wBitCount = le::u16(d, 6);
        e.dwBytesInRes = le::i32(d, 8);
        e.dwImageOffset = le::i32(d, 12);
        return e;
    }

    qint64 rowBytes(qint64 width, qint64 bits)
    {
        return (width * bits + 31) / 32 * 4;
    }

    QString pngProblem(std::span<const quint8> head)
    {
        const detail::PngHeader png = detail::readPngHeader(head);
        const int d = png.bitDepth;
        const bool depthOk = png.colourType == 0 ? d == 1 || d == 2 || d == 4 || d == 8 || d == 16
            : png.colourType == 3                ? d == 1 || d == 2 || d == 4 || d == 8
            : png.colourType == 2 || png.colourType == 4 || png.colourType == 6 ? d == 8 || d == 16
                                                                                : false;
        if (!depthOk)
            return QStringLiteral("a PNG image of unknown colour type %1 at depth %2").arg(png.colourType).arg(d);
        return {};
    }

    QString bmpProblem(std::span<const quint8> head, qint64 blockSize)
    {
        const BitmapInfoHeader h = BitmapInfoHeader::read(head);
        if (h.biSize < quint32(BitmapInfoHeader::Size) || h.biSize > quint64(blockSize))
            return QStringLiteral("its header states a header size of %1 bytes").arg(h.biSize);
        const int bits = h.biBitCount;
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
            return QStringLiteral("%1 bits per pixel is not an icon image's depth").arg(bits);
        if (h.biCompression != 0)
            return QStringLiteral("its pixels are compressed (method %1), which icons do not allow")
                .arg(h.biCompression);
        if (bits <= 8 && h.biClrUsed > (1u << bits))
            return QStringLiteral("its colour table of %1 entries is larger than %2 bits can use")
                .arg(h.biClrUsed)
                .arg(bits);
        const qint64 width = h.biWidth;
        const qint64 height = h.biHeight / 2;
        if (!limits::pictureFits(width, height))
            return {}; // reported with the size, as for PNG images
        const qint64 table = h.biClrUsed != 0 ? h.biClrUsed : bits <= 8 ? qint64(1) << bits : 0;
        // The AND mask follows the colour rows; a 32-bit image's alpha makes it optional.
        const qint64 mask = bits == 32 ? 0 : height * rowBytes(width, 1);
        const qint64 needed = h.biSize + 4 * table + height * rowBytes(width, bits) + mask;
        if (needed > blockSize)
            return QStringLiteral("its block holds %1 bytes, but %2 x %3 pixels at %4 bits need %5")
                .arg(blockSize)
                .arg(width)
                .arg(height)
                .arg(bits)
                .arg(needed);
        return {};
    }

    // What is wrong with a block, judged from its first bytes and its size; empty when nothing.
    QString blockProblem(std::span<const quint8> head, qint64 blockSize, ImageBlockInfo& info)
    {
        try {
            info = IconFile::blockInfo(head);
        } catch (const Error&) {
            return detail::isPngBlock(head)
                ? QStringLiteral("a PNG image without its IHDR header")
                : QStringLiteral("its block of %1 bytes is too short for an image header").arg(blockSize);
        }
        QString problem = detail::isPngBlock(head) ? pngProblem(head) : bmpProblem(head, blockSize);
        if (problem.isEmpty() && !limits::pictureFits(info.width, info.height))
            problem = QStringLiteral("its header states %1 x %2 pixels, which cannot be loaded")
                          .arg(info.width)
                          .arg(info.height);
        return problem;
    }

} // namespace

IconSummary IconSummary::read(const QString& path)
{
    IconSummary s;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        s.problem = QStringLiteral("cannot be read (%1)").arg(f.errorString());
        return s;
    }
    const qint64 fileSize = f.size();
    const QByteArray head = f.read(HeaderBytes);
    const auto h = le::bytes(head);
    if (head.size() < HeaderBytes || le::u16(h, 0) != 0 || (le::u16(h, 2) != 1 && le::u16(h, 2) != 2)) {
        s.problem = QStringLiteral("not an icon or cursor file");
        // Many a favicon.ico is a PNG file; convert and multi read it as the picture it is.
        if (head.startsWith("\x89PNG\r\n"))
            s.problem += QLatin1String(": a PNG picture");
        return s;
    }
    // idType: 1 for an icon, 2 for a cursor.
    s.type = le::u16(h, 2) == 1 ? Type::Icon : Type::Cursor;
    const qint64 count = le::i16(h, 4);
    if (count < 1) {
        s.problem = QStringLiteral("its directory lists no images");
        return s;
    }
    if (count > limits::MaxIconImages) {
        s.problem = QStringLiteral("its directory lists %1 images; an icon file holds at most %2")
                        .arg(count)
                        .arg(limits::MaxIconImages);
        return s;
    }
    // What the icon document refuses too carries its text (error 1050), the detail after it.
    const auto documentText = [&](const char* text, const QString& detail) {
        return s.type == Type::Icon
            ? QLatin1String(IconLoadText::Failed) + QLatin1String(text) + QLatin1String(" (") + detail + QLatin1Char(')')
            : detail;
    };
    const QByteArray directory = f.read(EntryBytes * count);
    if (directory.size() != EntryBytes * count) {
        s.problem = documentText(IconLoadText::DirectoryCorrupt,
            QStringLiteral("its directory of %1 entries runs past the end of the file").arg(count));
        return s;
    }
    for (qint64 k = 0; k < count && s.problem.isEmpty(); ++k) {
        Image image;
        image.entry = readEntry(le::bytes(directory).subspan(std::size_t(EntryBytes * k)));
        const qint64 offset = image.entry.dwImageOffset;
        const qint64 size = image.entry.dwBytesInRes;
        if (offset < 0 || size < 0 || offset + size > fileSize) {
            s.problem = documentText(IconLoadText::ImagesCorrupt,
                QStringLiteral("image %1: its block of %2 bytes at offset %3 lies outside the file (%4 bytes)")
                    .arg(k + 1)
                    .arg(size)
                    .arg(offset)
                    .arg(fileSize));
            break;
        }
        QString problem;
        if (!f.seek(offset)) {
            problem = QStringLiteral("its block cannot be read (%1)").arg(f.errorString());
        } else {
            const QByteArray blockHead = f.read(std::min(size, BlockHeadBytes));
            problem = blockProblem(le::bytes(blockHead), size, image.info);
        }
        if (problem.isEmpty())
            s.images.append(image);
        else
            s.problem = QStringLiteral("image %1: %2").arg(k + 1).arg(problem);
    }
    if (!s.problem.isEmpty())
        s.images.clear();
    return s;
}

} // namespace brevane
