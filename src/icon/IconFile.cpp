#include "icon/IconFile.h"

#include "icon/IconPictureFormat.h"
#include "icon/ImageBlockLayout.h"
#include "platform/Error.h"
#include "platform/Limits.h"
#include "platform/LittleEndian.h"
#include "platform/SafeWrite.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPair>

#include <algorithm>
#include <limits>
#include <new>

namespace brevane {

namespace {

    // Every program that holds icon documents reads ICO and CUR pictures with them. This
    // file is linked wherever an icon is loaded, made or saved, so its start-up runs there.
    [[maybe_unused]] const bool iconPicturesRead = (registerIconPictureFormat(), true);

    constexpr qint64 HeaderBytes = 6;
    constexpr qint64 EntryBytes = 16;

    using le::bytes;

    IconHeader readHeader(std::span<const quint8> d)
    {
        return { le::u16(d, 0), le::u16(d, 2), le::i16(d, 4) };
    }

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

    QByteArray encodeHeader(const IconHeader& h)
    {
        QByteArray out(HeaderBytes, '\0');
        auto d = bytes(out);
        le::put16(d, 0, h.idReserved);
        le::put16(d, 2, h.idType);
        le::put16(d, 4, static_cast<quint16>(h.idCount));
        return out;
    }

    QByteArray encodeEntry(const IconDirEntry& e, qint32 offset)
    {
        QByteArray out(EntryBytes, '\0');
        auto d = bytes(out);
        d[0] = e.bWidth;
        d[1] = e.bHeight;
        d[2] = e.bColorCount;
        d[3] = e.bReserved;
        le::put16(d, 4, e.wPlanes);
        le::put16(d, 6, e.wBitCount);
        le::put32(d, 8, static_cast<quint32>(e.dwBytesInRes));
        le::put32(d, 12, static_cast<quint32>(offset));
        return out;
    }

    qint32 checked32(qint64 v)
    {
        if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
            throw Error::runtime(err::Overflow);
        return static_cast<qint32>(v);
    }

} // namespace

BitmapInfoHeader BitmapInfoHeader::read(std::span<const quint8> block)
{
    if (block.size() < static_cast<std::size_t>(Size))
        throw Error::runtime(err::SubscriptOutOfRange);
    BitmapInfoHeader h;
    h.biSize = le::u32(block, 0);
    h.biWidth = le::i32(block, 4);
    h.biHeight = le::i32(block, 8);
    h.biPlanes = le::u16(block, 12);
    h.biBitCount = le::u16(block, 14);
    h.biCompression = le::u32(block, 16);
    h.biSizeImage = le::u32(block, 20);
    h.biXPelsPerMeter = le::i32(block, 24);
    h.biYPelsPerMeter = le::i32(block, 28);
    h.biClrUsed = le::u32(block, 32);
    h.biClrImportant = le::u32(block, 36);
    return h;
}

void BitmapInfoHeader::write(std::span<quint8> block) const
{
    if (block.size() < static_cast<std::size_t>(Size))
        throw Error::runtime(err::SubscriptOutOfRange);
    le::put32(block, 0, biSize);
    le::put32(block, 4, static_cast<quint32>(biWidth));
    le::put32(block, 8, static_cast<quint32>(biHeight));
    le::put16(block, 12, biPlanes);
    le::put16(block, 14, biBitCount);
    le::put32(block, 16, biCompression);
    le::put32(block, 20, biSizeImage);
    le::put32(block, 24, static_cast<quint32>(biXPelsPerMeter));
    le::put32(block, 28, static_cast<quint32>(biYPelsPerMeter));
    le::put32(block, 32, biClrUsed);
    le::put32(block, 36, biClrImportant);
}

namespace IconLayout {

    qint64 bytesPerScanLine(qint64 bits)
    {
        return checked32((bits + 31) / 32 * 4);
    }

    qint64 headerColourCount(const BitmapInfoHeader& header)
    {
        if (header.biClrUsed != 0)
            return header.biClrUsed;
        const qint32 colours = ColourDepth::colourCountFor(header.biBitCount);
        return colours == ColourDepth::TrueColour ? 0 : colours;
    }

    qint64 xorBitsOffset(const BitmapInfoHeader& header)
    {
        return checked32(40 + 4 * headerColourCount(header));
    }

} // namespace IconLayout

void IconFile::raise(qint32 number, const QString& description)
{
    throw Error(number, errorSource("cFileIcon"), description);
}

void IconFile::reset(const QString& path)
{
    m_fileName = path;
    m_resourceId = std::monostate {};
    m_entries.clear();
    m_blocks.clear();
    m_decoded.clear();
    m_header = IconHeader {};
}

void IconFile::checkIndex(qint32 index) const
{
    if (index < 1 || index > imageCount())
        throw Error::runtime(err::SubscriptOutOfRange);
}

const IconDirEntry& IconFile::entry(qint32 index) const
{
    checkIndex(index);
    return m_entries[static_cast<std::size_t>(index - 1)];
}

const QByteArray& IconFile::imageBlock(qint32 index) const
{
    checkIndex(index);
    return m_blocks[static_cast<std::size_t>(index - 1)];
}

bool IconFile::isIconFile(const QString& path) const
{
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        return false;
    // The size rule compares the low 32 bits as a signed number.
    const qint32 fileSize = static_cast<qint32>(static_cast<quint32>(f.size()));

    const QByteArray head = f.read(HeaderBytes);
    if (head.size() != HeaderBytes)
        return false;
    const IconHeader h = readHeader(bytes(head));
    if (h.idReserved != 0 || h.idType != 1 || h.idCount < 1 || h.idCount > limits::MaxIconImages)
        return false;

    for (int k = 0; k < h.idCount; ++k) {
        const QByteArray raw = f.read(EntryBytes);
        if (raw.size() != EntryBytes)
            return false;
        const IconDirEntry e = readEntry(bytes(raw));
        if (e.bWidth == 0 || e.bHeight == 0)
            continue;
        if (e.dwBytesInRes >= fileSize && e.dwImageOffset >= fileSize)
            return false;
    }
    return true;
}

bool IconFile::load(const QString& path)
{
    reset(path);
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        return false;
    const qint64 fileSize = f.size();

    const QByteArray head = f.read(HeaderBytes);
    if (head.size() != HeaderBytes)
        return false;
    const IconHeader h = readHeader(bytes(head));
    // Not an icon: the document stays empty and the caller gets false.
    if (h.idReserved != 0 || h.idType != 1 || h.idCount < 1)
        return false;

    std::vector<IconDirEntry> entries;
    std::vector<QByteArray> blocks;
    QString reason;
    if (HeaderBytes + EntryBytes * h.idCount > fileSize) {
        reason = QLatin1String(IconLoadText::DirectoryCorrupt);
    } else {
        entries.reserve(static_cast<std::size_t>(h.idCount));
        for (int k = 0; k < h.idCount; ++k) {
            const QByteArray raw = f.read(EntryBytes);
            if (raw.size() != EntryBytes) {
                reason = QLatin1String(IconLoadText::DirectoryCorrupt);
                break;
            }
            entries.push_back(readEntry(bytes(raw)));
        }
    }

    if (reason.isEmpty()) {
        blocks.reserve(entries.size());
        // Entries naming the same bytes share one block (copies of a QByteArray share its
        // data until written): a directory may point hundreds of entries at one block.
        QHash<QPair<qint32, qint32>, std::size_t> read;
        qint64 held = 0;
        for (const IconDirEntry& e : entries) {
            // A size or offset the file cannot hold is refused before anything is allocated.
            if (e.dwBytesInRes < 0 || e.dwImageOffset < 0 || e.dwBytesInRes > fileSize
                || qint64(e.dwImageOffset) + e.dwBytesInRes > fileSize) {
                reason = QLatin1String(IconLoadText::ImagesCorrupt);
                break;
            }
            const QPair<qint32, qint32> range { e.dwImageOffset, e.dwBytesInRes };
            if (const auto it = read.constFind(range); it != read.constEnd()) {
                blocks.push_back(blocks[*it]);
                continue;
            }
            // Blocks of a sound file lie side by side; ranges that overlap each other over
            // and over would hold many times the file in memory.
            held += e.dwBytesInRes;
            if (held > fileSize + limits::MaxIconOverlapBytes) {
                reset(path);
                throw Error::runtime(err::OutOfMemory);
            }
            if (!f.seek(e.dwImageOffset)) {
                reason = QLatin1String(IconLoadText::ImagesCorrupt);
                break;
            }
            read.insert(range, blocks.size());
            QByteArray block;
            try {
                block = f.read(e.dwBytesInRes);
            } catch (const std::bad_alloc&) {
                reset(path);
                throw Error::runtime(err::OutOfMemory);
            }
            if (block.size() != e.dwBytesInRes) {
                reason = QLatin1String(IconLoadText::ImagesCorrupt);
                break;
            }
            blocks.push_back(std::move(block));
        }
    }
    f.close();

    if (!reason.isEmpty()) {
        reset(path);
        raise(err::IconLoadFailed, QLatin1String(IconLoadText::Failed) + reason);
    }
    m_header = h;
    m_entries = std::move(entries);
    m_blocks = std::move(blocks);
    return true;
}

void IconFile::save(const QString& fileName)
{
    if (m_fileName.isEmpty() && fileName.isEmpty())
        raise(err::NoFileName, QStringLiteral("No filename specified."));
    if (m_header.idCount == 0)
        raise(err::IconCannotSave, QStringLiteral("Icon contains no images."));
    if (!fileName.isEmpty())
        m_fileName = fileName;

    WriteProblem problem;
    const SafeWriteResult result = writeFileSafely(m_fileName, &problem, [this](QIODevice& f) { return writeTo(f); });
    // The detail names the file and the system's reason; the descriptions stay the program's own.
    if (result == SafeWriteResult::OpenFailed)
        throw Error(err::IconCannotSave, errorSource("cFileIcon"), QStringLiteral("Couldn't open file for writing."),
            problem.detail());
    if (result == SafeWriteResult::WriteFailed)
        throw Error(err::IconWriteFailed, errorSource("cFileIcon"), QStringLiteral("General failure writing icon."),
            problem.detail());
}

QByteArray IconFile::toBytes() const
{
    if (m_header.idCount == 0)
        raise(err::IconCannotSave, QStringLiteral("Icon contains no images."));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!writeTo(buffer))
        raise(err::IconWriteFailed, QStringLiteral("General failure writing icon."));
    return bytes;
}

bool IconFile::writeTo(QIODevice& f) const
{
    if (f.write(encodeHeader(m_header)) != HeaderBytes)
        return false;
    // Each entry points at the place its block really takes in this file, whatever offset
    // it was loaded with; for back-to-back documents this is the offset already held.
    qint64 offset = HeaderBytes + EntryBytes * m_header.idCount;
    for (const IconDirEntry& e : m_entries) {
        if (offset > std::numeric_limits<qint32>::max()
            || f.write(encodeEntry(e, static_cast<qint32>(offset))) != EntryBytes)
            return false;
        offset += e.dwBytesInRes;
    }
    for (std::size_t k = 0; k < m_blocks.size(); ++k) {
        const qint32 n = m_entries[k].dwBytesInRes;
        if (n < 0 || n > m_blocks[k].size() || f.write(m_blocks[k].constData(), n) != n)
            return false;
    }
    return true;
}

void IconFile::cloneTo(IconFile& target) const
{
    target.receiveClone(m_fileName, m_resourceId, m_header, m_entries, m_blocks);
}

void IconFile::receiveClone(const QString& fileName, const ResourceId& resourceId, const IconHeader& header,
    const std::vector<IconDirEntry>& entries, const std::vector<QByteArray>& blocks)
{
    m_fileName = fileName;
    m_resourceId = resourceId;
    m_header = header;
    m_entries = entries;
    m_blocks.clear();
    m_blocks.reserve(blocks.size());
    // Blocks the source shares stay shared in the copy, and only there.
    QHash<QPair<const char*, qint32>, std::size_t> copied;
    for (std::size_t k = 0; k < blocks.size(); ++k) {
        // Exactly dwBytesInRes bytes, detached from the source's storage.
        const qint32 n = std::clamp<qint32>(entries[k].dwBytesInRes, 0, static_cast<qint32>(blocks[k].size()));
        const QPair<const char*, qint32> key { blocks[k].constData(), n };
        if (const auto it = copied.constFind(key); it != copied.constEnd()) {
            m_blocks.push_back(m_blocks[*it]);
            continue;
        }
        copied.insert(key, m_blocks.size());
        m_blocks.emplace_back(blocks[k].constData(), n);
    }
}

qint32 IconFile::imageWidth(qint32 index) const
{
    return entry(index).bWidth;
}
qint32 IconFile::imageHeight(qint32 index) const
{
    return entry(index).bHeight;
}
qint32 IconFile::imageBytes(qint32 index) const
{
    return entry(index).dwBytesInRes;
}

ImageBlockInfo IconFile::blockInfo(qint32 index) const
{
    return blockInfo(bytes(imageBlock(index)));
}

ImageBlockInfo IconFile::blockInfo(std::span<const quint8> block)
{
    const auto colours = [](int bits) { return qint64(1) << std::min(bits, 24); };
    ImageBlockInfo info;
    if (detail::isPngBlock(block)) {
        const detail::PngHeader png = detail::readPngHeader(block);
        info.format = ImageBlockInfo::Format::Png;
        info.width = static_cast<qint32>(std::min<quint32>(png.width, std::numeric_limits<qint32>::max()));
        info.height = static_cast<qint32>(std::min<quint32>(png.height, std::numeric_limits<qint32>::max()));
        info.bitCount = png.bitsPerPixel();
        // Palette and grey images index or step through 2^depth values; colour ones have three samples.
        const bool colour = png.colourType == 2 || png.colourType == 6;
        info.colours = colour ? qint64(1) << std::min(3 * png.bitDepth, 48) : colours(png.bitDepth);
        return info;
    }
    const BitmapInfoHeader h = BitmapInfoHeader::read(block);
    info.width = h.biWidth;
    info.height = h.biHeight / 2;
    info.bitCount = h.biBitCount;
    info.colours = colours(h.biBitCount);
    return info;
}

qint32 IconFile::imageColourCount(qint32 index) const
{
    const BitmapInfoHeader h = BitmapInfoHeader::read(bytes(imageBlock(index)));
    // 2^31 and beyond do not fit the signed 32-bit result.
    if (h.biBitCount >= 31)
        throw Error::runtime(err::Overflow);
    return qint32(1) << h.biBitCount;
}

void IconFile::addImage(qint32 width, qint32 height, qint32 colourCount)
{
    m_header.idType = 1;
    for (qint32 i = 1; i <= imageCount(); ++i) {
        const IconDirEntry& e = m_entries[static_cast<std::size_t>(i - 1)];
        if (e.bHeight == height && e.bWidth == width && imageColourCount(i) == colourCount)
            raise(err::IconAlreadyExists, QStringLiteral("Icon already exists."));
    }
    if (width < 0 || width > limits::MaxIconSide || height < 0 || height > limits::MaxIconSide
        || imageCount() >= limits::MaxDocumentImages)
        throw Error::runtime(err::Overflow);

    IconDirEntry e;
    e.bWidth = static_cast<quint8>(width);
    e.bHeight = static_cast<quint8>(height);
    e.wBitCount = ColourDepth::bitsFor(colourCount);
    // bColorCount cannot hold 256: 8-bit and true-colour entries say 0.
    e.bColorCount = e.wBitCount < 8 ? quint8(1 << e.wBitCount) : 0;
    const qint32 tableBytes = e.wBitCount <= 8 ? 4 << e.wBitCount : 0;
    e.wPlanes = 1;
    e.dwBytesInRes = static_cast<qint32>(40 + tableBytes
        + height * IconLayout::bytesPerScanLine(qint64(e.wBitCount) * width * e.wPlanes)
        + height * IconLayout::bytesPerScanLine(width));

    qint64 offset = 22;
    if (!m_entries.empty()) {
        for (IconDirEntry& other : m_entries)
            other.dwImageOffset = checked32(qint64(other.dwImageOffset) + 16);
        offset = qint64(m_entries.back().dwImageOffset) + m_entries.back().dwBytesInRes;
    }
    e.dwImageOffset = checked32(offset);

    QByteArray block(e.dwBytesInRes, '\0');
    BitmapInfoHeader bih;
    bih.biSize = 40;
    bih.biWidth = width;
    bih.biHeight = 2 * height;
    bih.biPlanes = 1;
    bih.biBitCount = e.wBitCount;
    bih.write(bytes(block));
    if (e.wBitCount == 1) {
        // Entry 0 stays black, entry 1 is white.
        block[44] = block[45] = block[46] = char(0xFF);
    }

    m_entries.push_back(e);
    m_blocks.push_back(std::move(block));
    ++m_header.idCount;
}

void IconFile::removeImage(qint32 index)
{
    if (m_header.idCount < 2) {
        m_entries.clear();
        m_blocks.clear();
        m_header.idCount = 0;
        return;
    }
    checkIndex(index);
    const qint32 removed = m_entries[static_cast<std::size_t>(index - 1)].dwBytesInRes;
    for (std::size_t k = static_cast<std::size_t>(index); k < m_entries.size(); ++k)
        m_entries[k].dwImageOffset -= removed;
    m_entries.erase(m_entries.begin() + (index - 1));
    m_blocks.erase(m_blocks.begin() + (index - 1));
    --m_header.idCount;
    for (IconDirEntry& e : m_entries)
        e.dwImageOffset -= 16;
}

void IconFile::colourTable(qint32 index, std::span<quint8> table) const
{
    const IconDirEntry& e = entry(index);
    if (e.wBitCount > 8)
        return;
    const std::size_t n = std::size_t(4) << e.wBitCount;
    const QByteArray& block = imageBlock(index);
    if (table.size() < n || static_cast<std::size_t>(block.size()) < 40 + n)
        throw Error::runtime(err::SubscriptOutOfRange);
    std::copy_n(bytes(block).subspan(BitmapInfoHeader::Size).begin(), n, table.begin());
}

QList<QRgb> IconFile::headerColourTable(qint32 index) const
{
    const QByteArray& block = imageBlock(index);
    if (detail::isPngBlock(bytes(block)))
        return {};
    const detail::ImageBlockLayout l = detail::ImageBlockLayout::of(block, entry(index));
    if (l.header.biBitCount < 1 || l.header.biBitCount > 8)
        return {};
    QList<QRgb> table = l.colourTable(block);
    table.resize(std::min<qsizetype>(table.size(), qsizetype(1) << l.header.biBitCount));
    return table;
}

void IconFile::setColourTable(qint32 index, std::span<const quint8> table)
{
    const IconDirEntry& e = entry(index);
    if (e.wBitCount > 8)
        return;
    const std::size_t n = std::size_t(4) << e.wBitCount;
    QByteArray& block = m_blocks[static_cast<std::size_t>(index - 1)];
    if (table.size() < n || static_cast<std::size_t>(block.size()) < 40 + n)
        throw Error::runtime(err::SubscriptOutOfRange);
    std::copy_n(table.begin(), n, bytes(block).subspan(BitmapInfoHeader::Size).begin());
}

} // namespace brevane
