#include "icon/cls_IconFile.h"

#include "platform/Error.h"
#include "platform/LittleEndian.h"
#include "platform/SafeWrite.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <new>

namespace brevane {

namespace {

    constexpr qint64 HeaderBytes = 6;
    constexpr qint64 EntryBytes = 16;

    std::span<const quint8> bytes(const QByteArray& a)
    {
        return { reinterpret_cast<const quint8*>(a.constData()), static_cast<std::size_t>(a.size()) };
    }

    std::span<quint8> bytes(QByteArray& a)
    {
        return { reinterpret_cast<quint8*>(a.data()), static_cast<std::size_t>(a.size()) };
    }

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

    qint64 BytesPerScanLine(qint64 bits)
    {
        return checked32((bits + 31) / 32 * 4);
    }

    qint64 HeaderColourCount(const BitmapInfoHeader& header)
    {
        if (header.biClrUsed != 0)
            return header.biClrUsed;
        switch (header.biBitCount) {
        case 1:
            return 2;
        case 4:
            return 16;
        case 8:
            return 256;
        default:
            return 0;
        }
    }

    qint64 XorBitsOffset(const BitmapInfoHeader& header)
    {
        return checked32(40 + 4 * HeaderColourCount(header));
    }

} // namespace IconLayout

void cls_IconFile::raise(qint32 n, const QString& description)
{
    throw Error(err::classError(n), errorSource("cFileIcon"), description);
}

void cls_IconFile::reset(const QString& sFile)
{
    m_sFileName = sFile;
    m_vResourceID = std::monostate {};
    m_tEntries.clear();
    m_bImages.clear();
    m_tHeader = IconHeader {};
}

void cls_IconFile::checkIndex(qint32 nIndex) const
{
    if (nIndex < 1 || nIndex > ImageCount())
        throw Error::runtime(err::SubscriptOutOfRange);
}

const IconDirEntry& cls_IconFile::entry(qint32 nIndex) const
{
    checkIndex(nIndex);
    return m_tEntries[static_cast<std::size_t>(nIndex - 1)];
}

const QByteArray& cls_IconFile::imageBlock(qint32 nIndex) const
{
    checkIndex(nIndex);
    return m_bImages[static_cast<std::size_t>(nIndex - 1)];
}

bool cls_IconFile::IsAnIconFile(const QString& sFile) const
{
    QFile f(sFile);
    if (!QFileInfo(sFile).isFile() || !f.open(QIODevice::ReadOnly))
        return false;
    // The size rule compares the low 32 bits as a signed number.
    const qint32 fileSize = static_cast<qint32>(static_cast<quint32>(f.size()));

    const QByteArray head = f.read(HeaderBytes);
    if (head.size() != HeaderBytes)
        return false;
    const IconHeader h = readHeader(bytes(head));
    if (h.idReserved != 0 || h.idType != 1 || h.idCount < 1 || h.idCount > 256)
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

bool cls_IconFile::LoadIcon(const QString& sFile)
{
    reset(sFile);
    QFile f(sFile);
    if (!QFileInfo(sFile).isFile() || !f.open(QIODevice::ReadOnly))
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
        reason = QStringLiteral("Icon Directory Array is Corrupt.");
    } else {
        entries.reserve(static_cast<std::size_t>(h.idCount));
        for (int k = 0; k < h.idCount; ++k) {
            const QByteArray raw = f.read(EntryBytes);
            if (raw.size() != EntryBytes) {
                reason = QStringLiteral("Icon Directory Array is Corrupt.");
                break;
            }
            entries.push_back(readEntry(bytes(raw)));
        }
    }

    if (reason.isEmpty()) {
        blocks.reserve(entries.size());
        for (const IconDirEntry& e : entries) {
            // A size or offset the file cannot hold is refused before anything is allocated.
            if (e.dwBytesInRes < 0 || e.dwImageOffset < 0 || e.dwBytesInRes > fileSize
                || qint64(e.dwImageOffset) + e.dwBytesInRes > fileSize || !f.seek(e.dwImageOffset)) {
                reason = QStringLiteral("Icon Images Array is Corrupt.");
                break;
            }
            QByteArray block;
            try {
                block = f.read(e.dwBytesInRes);
            } catch (const std::bad_alloc&) {
                reset(sFile);
                throw Error::runtime(err::OutOfMemory);
            }
            if (block.size() != e.dwBytesInRes) {
                reason = QStringLiteral("Icon Images Array is Corrupt.");
                break;
            }
            blocks.push_back(std::move(block));
        }
    }
    f.close();

    if (!reason.isEmpty()) {
        reset(sFile);
        raise(1050, QStringLiteral("Failed to load icon: ") + reason);
    }
    m_tHeader = h;
    m_tEntries = std::move(entries);
    m_bImages = std::move(blocks);
    return true;
}

bool cls_IconFile::saveicon(const QString& sFileName)
{
    if (m_sFileName.isEmpty() && sFileName.isEmpty())
        raise(1051, QStringLiteral("No filename specified."));
    if (m_tHeader.idCount == 0)
        raise(1052, QStringLiteral("Icon contains no images."));
    if (!sFileName.isEmpty())
        m_sFileName = sFileName;

    const SafeWriteResult result = writeFileSafely(m_sFileName, [this](QIODevice& f) {
        if (f.write(encodeHeader(m_tHeader)) != HeaderBytes)
            return false;
        // Each entry points at the place its block really takes in this file, whatever offset
        // it was loaded with; for back-to-back documents this is the offset already held.
        qint64 offset = HeaderBytes + EntryBytes * m_tHeader.idCount;
        for (const IconDirEntry& e : m_tEntries) {
            if (offset > std::numeric_limits<qint32>::max()
                || f.write(encodeEntry(e, static_cast<qint32>(offset))) != EntryBytes)
                return false;
            offset += e.dwBytesInRes;
        }
        for (std::size_t k = 0; k < m_bImages.size(); ++k) {
            const qint32 n = m_tEntries[k].dwBytesInRes;
            if (n < 0 || n > m_bImages[k].size() || f.write(m_bImages[k].constData(), n) != n)
                return false;
        }
        return true;
    });
    if (result == SafeWriteResult::OpenFailed)
        raise(1052, QStringLiteral("Couldn't open file for writing."));
    if (result == SafeWriteResult::WriteFailed)
        raise(1053, QStringLiteral("General failure writing icon."));
    return true;
}

void cls_IconFile::CloneTo(cls_IconFile& cThis) const
{
    cThis.ReceiveClone(m_sFileName, m_vResourceID, m_tHeader, m_tEntries, m_bImages);
}

void cls_IconFile::ReceiveClone(const QString& sFileName, const ResourceId& vResourceID, const IconHeader& tHeader,
    const std::vector<IconDirEntry>& tEntries, const std::vector<QByteArray>& bImages)
{
    m_sFileName = sFileName;
    m_vResourceID = vResourceID;
    m_tHeader = tHeader;
    m_tEntries = tEntries;
    m_bImages.clear();
    m_bImages.reserve(bImages.size());
    for (std::size_t k = 0; k < bImages.size(); ++k) {
        // Exactly dwBytesInRes bytes, detached from the source's storage.
        const qint32 n = std::clamp<qint32>(tEntries[k].dwBytesInRes, 0, static_cast<qint32>(bImages[k].size()));
        m_bImages.emplace_back(bImages[k].constData(), n);
    }
}

qint32 cls_IconFile::ImageWidth(qint32 nIndex) const
{
    return entry(nIndex).bWidth;
}
qint32 cls_IconFile::ImageHeight(qint32 nIndex) const
{
    return entry(nIndex).bHeight;
}
qint32 cls_IconFile::ImageSize(qint32 nIndex) const
{
    return entry(nIndex).dwBytesInRes;
}

qint32 cls_IconFile::ImageColourCount(qint32 nIndex) const
{
    const BitmapInfoHeader h = BitmapInfoHeader::read(bytes(imageBlock(nIndex)));
    // 2^31 and beyond do not fit the signed 32-bit result.
    if (h.biBitCount >= 31)
        throw Error::runtime(err::Overflow);
    return qint32(1) << h.biBitCount;
}

qint32 cls_IconFile::AddImage(qint32 nWidth, qint32 nHeight, qint32 nColourCount)
{
    m_tHeader.idType = 1;
    for (qint32 i = 1; i <= ImageCount(); ++i) {
        const IconDirEntry& e = m_tEntries[static_cast<std::size_t>(i - 1)];
        if (e.bHeight == nHeight && e.bWidth == nWidth && ImageColourCount(i) == nColourCount)
            raise(1049, QStringLiteral("Icon already exists."));
    }
    if (nWidth < 0 || nWidth > 255 || nHeight < 0 || nHeight > 255 || ImageCount() >= 32767)
        throw Error::runtime(err::Overflow);

    IconDirEntry e;
    e.bWidth = static_cast<quint8>(nWidth);
    e.bHeight = static_cast<quint8>(nHeight);
    qint32 tableBytes = 0;
    switch (nColourCount) {
    case 2:
        e.wBitCount = 1;
        e.bColorCount = 2;
        tableBytes = 8;
        break;
    case 16:
        e.wBitCount = 4;
        e.bColorCount = 16;
        tableBytes = 64;
        break;
    case 256:
        e.wBitCount = 8;
        tableBytes = 1024;
        break;
    default:
        e.wBitCount = 24;
        break;
    }
    e.wPlanes = 1;
    e.dwBytesInRes = static_cast<qint32>(40 + tableBytes
        + nHeight * IconLayout::BytesPerScanLine(qint64(e.wBitCount) * nWidth * e.wPlanes)
        + nHeight * IconLayout::BytesPerScanLine(nWidth));

    qint64 offset = 22;
    if (!m_tEntries.empty()) {
        for (IconDirEntry& other : m_tEntries)
            other.dwImageOffset = checked32(qint64(other.dwImageOffset) + 16);
        offset = qint64(m_tEntries.back().dwImageOffset) + m_tEntries.back().dwBytesInRes;
    }
    e.dwImageOffset = checked32(offset);

    QByteArray block(e.dwBytesInRes, '\0');
    BitmapInfoHeader bih;
    bih.biSize = 40;
    bih.biWidth = nWidth;
    bih.biHeight = 2 * nHeight;
    bih.biPlanes = 1;
    bih.biBitCount = e.wBitCount;
    bih.write(bytes(block));
    if (e.wBitCount == 1) {
        // Entry 0 stays black, entry 1 is white.
        block[44] = block[45] = block[46] = char(0xFF);
    }

    m_tEntries.push_back(e);
    m_bImages.push_back(std::move(block));
    ++m_tHeader.idCount;
    return 0;
}

qint32 cls_IconFile::RemoveImage(qint32 nIndex)
{
    if (m_tHeader.idCount < 2) {
        m_tEntries.clear();
        m_bImages.clear();
        m_tHeader.idCount = 0;
        return 0;
    }
    checkIndex(nIndex);
    const qint32 removed = m_tEntries[static_cast<std::size_t>(nIndex - 1)].dwBytesInRes;
    for (std::size_t k = static_cast<std::size_t>(nIndex); k < m_tEntries.size(); ++k)
        m_tEntries[k].dwImageOffset -= removed;
    m_tEntries.erase(m_tEntries.begin() + (nIndex - 1));
    m_bImages.erase(m_bImages.begin() + (nIndex - 1));
    --m_tHeader.idCount;
    for (IconDirEntry& e : m_tEntries)
        e.dwImageOffset -= 16;
    return 0;
}

void cls_IconFile::GetPalette(qint32 nIndex, std::span<quint8> lPtrMem) const
{
    const IconDirEntry& e = entry(nIndex);
    if (e.wBitCount > 8)
        return;
    const std::size_t n = std::size_t(4) << e.wBitCount;
    const QByteArray& block = imageBlock(nIndex);
    if (lPtrMem.size() < n || static_cast<std::size_t>(block.size()) < 40 + n)
        throw Error::runtime(err::SubscriptOutOfRange);
    std::copy_n(reinterpret_cast<const quint8*>(block.constData()) + 40, n, lPtrMem.begin());
}

void cls_IconFile::SetPalette(qint32 nIndex, std::span<const quint8> lPtrMem)
{
    const IconDirEntry& e = entry(nIndex);
    if (e.wBitCount > 8)
        return;
    const std::size_t n = std::size_t(4) << e.wBitCount;
    QByteArray& block = m_bImages[static_cast<std::size_t>(nIndex - 1)];
    if (lPtrMem.size() < n || static_cast<std::size_t>(block.size()) < 40 + n)
        throw Error::runtime(err::SubscriptOutOfRange);
    std::copy_n(lPtrMem.begin(), n, reinterpret_cast<quint8*>(block.data()) + 40);
}

} // namespace brevane
