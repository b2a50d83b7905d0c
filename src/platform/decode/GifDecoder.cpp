#include "platform/decode/FormatDecoders.h"

#include "platform/LittleEndian.h"

#include <algorithm>
#include <array>
#include <cstring>

// The first frame of a GIF, decoded the way Qt's own GIF reader does it: the same screen
// size rules, the same LZW quirks for odd code streams, the same handling of frames that
// stick out of the screen and of interlaced rows. giflib decodes a few damaged streams
// differently, and the icons must not change.
namespace brevane::decode {

namespace {

    // What Qt's reader gives for a colour index past the table.
    constexpr QRgb Transparent = 0x00FFFFFF;
    constexpr int MaxCodeBits = 12;
    constexpr int TableSize = 1 << MaxCodeBits;
    constexpr int StackLimit = 2 * TableSize;

    // The stream up to the first image descriptor.
    struct Start {
        bool ok = false;
        int screenWidth = 0, screenHeight = 0; // as decoding settles them
        QSize announced; // as Qt's size scan settles them
        bool globalMap = false;
        int globalColours = 0;
        int background = -1;
        int transparentIndex = -1;
        std::size_t descriptorAt = 0; // just past the ','
    };

    // Extension blocks are skipped sub-block by sub-block, as Qt's reader does for every
    // one it reads well. A graphic control block shorter than 4 bytes, or an application
    // block of length 0, is read there from stale bytes: such files stay with Qt.
    Start readStart(Bytes d)
    {
        Start s;
        if (d.size() < 13 || (std::memcmp(d.data(), "GIF87a", 6) != 0 && std::memcmp(d.data(), "GIF89a", 6) != 0))
            return s;
        const int lsdWidth = le::u16(d, 6), lsdHeight = le::u16(d, 8);
        const quint8 flags = d[10];
        s.globalMap = flags & 0x80;
        s.globalColours = 2 << (flags & 7);
        s.background = s.globalMap ? d[11] : -1;
        std::size_t at = 13 + (s.globalMap ? std::size_t(3 * s.globalColours) : 0);
        for (;;) {
            if (at >= d.size())
                return s;
            const quint8 introducer = d[at++];
            if (introducer == ',')
                break;
            if (introducer != '!' || at + 1 >= d.size())
                return s; // the trailer or junk before any image: Qt's reader has no picture
            const quint8 label = d[at++];
            std::size_t block = d[at++];
            if (label == 0xF9) {
                if (block < 4 || at + block > d.size())
                    return s;
                s.transparentIndex = (d[at] & 1) ? d[at + 3] : -1;
            } else if (label == 0xFF && block == 0) {
                return s;
            }
            while (block) {
                at += block;
                if (at >= d.size())
                    return s;
                block = d[at++];
            }
        }
        if (at + 9 > d.size())
            return s;
        const int left = le::u16(d, at), top = le::u16(d, at + 2);
        const int width = le::u16(d, at + 4), height = le::u16(d, at + 6);
        // Decoding disbelieves a screen over ten times the frame only past 16384 pixels,
        // which 16 bits cannot reach: a zero side alone gives way to the frame's extent.
        s.screenWidth = lsdWidth > 0 ? lsdWidth : left + width;
        s.screenHeight = lsdHeight > 0 ? lsdHeight : top + height;
        // The size scan disbelieves it past 200 pixels.
        const int scanWidth = lsdWidth / 10 > std::max(width, 200) || lsdWidth <= 0 ? left + width : lsdWidth;
        const int scanHeight = lsdHeight / 10 > std::max(height, 200) || lsdHeight <= 0 ? top + height : lsdHeight;
        s.announced = QSize(scanWidth, scanHeight);
        s.descriptorAt = at;
        s.ok = true;
        return s;
    }

    class FrameDecoder {
    public:
        FrameDecoder(Bytes data, const Start& start, QSize region)
            : m_data(data)
            , m_start(start)
            , m_region(region)
        {
        }

        QImage run();

    private:
        void put(int x, int y, QRgb c)
        {
            if (x < m_region.width() && y < m_region.height())
                reinterpret_cast<QRgb*>(m_bits + qsizetype(y) * m_bpl)[x] = c;
        }
        void fill(QRgb c)
        {
            for (int y = 0; y < m_region.height(); ++y)
                std::fill_n(reinterpret_cast<QRgb*>(m_bits + qsizetype(y) * m_bpl), m_region.width(), c);
        }
        // Early passes of an interlaced frame are copied down over the rows still to come,
        // unless the frame has a transparent colour.
        void copyRowDown(int count)
        {
            if (m_start.transparentIndex >= 0 || m_y >= m_region.height())
                return;
            const int columns = std::min(m_right, m_region.width() - 1) - m_left + 1;
            if (columns <= 0)
                return;
            const uchar* from = m_bits + qsizetype(m_y) * m_bpl + m_left * 4;
            for (int i = 1; i <= count && m_y + i < m_region.height(); ++i)
                std::memcpy(m_bits + qsizetype(m_y + i) * m_bpl + m_left * 4, from, std::size_t(columns) * 4);
        }
        void nextRow();
        // Once a pixel: inline.
        void plot(quint8 index)
        {
            if (!m_outOfBounds && m_y < m_start.screenHeight)
                put(m_x, m_y, m_colours[index]);
            ++m_x;
            if (m_x >= m_start.screenWidth)
                m_outOfBounds = true;
            if (m_x >= m_left + m_width) {
                m_x = m_left;
                m_outOfBounds = m_left >= m_start.screenWidth || m_y >= m_start.screenHeight;
                nextRow();
            }
        }
        bool takeByte(quint8 ch);

        Bytes m_data;
        const Start& m_start;
        QSize m_region;
        uchar* m_bits = nullptr;
        qsizetype m_bpl = 0;
        std::array<QRgb, 256> m_colours {};

        int m_left = 0, m_top = 0, m_width = 0, m_right = 0, m_bottom = 0;
        int m_pass = 0; // 0: rows in order; 1..4: the interlace passes
        int m_x = 0, m_y = 0;
        bool m_outOfBounds = false;

        int m_minCodeBits = 0, m_codeBits = 0, m_clear = 0, m_end = 0, m_maxCodeSize = 0, m_maxCode = 0;
        int m_firstCode = 0, m_oldCode = 0;
        bool m_needFirst = true;
        quint32 m_accum = 0;
        int m_bitCount = 0;
        std::array<qint16, TableSize> m_prefix {};
        std::array<qint16, TableSize> m_suffix {};
        std::array<qint16, StackLimit + 2> m_stack {};
    };

    void FrameDecoder::nextRow()
    {
        if (m_outOfBounds)
            return;
        switch (m_pass) {
        case 0:
            ++m_y;
            break;
        case 1:
            copyRowDown(std::min(7, m_bottom - m_y));
            m_y += 8;
            if (m_y > m_bottom) {
                m_pass = 2;
                m_y = m_top + 4;
                if (m_y > m_bottom) { // frames under 5 rows
                    m_y = m_top + 2;
                    if (m_y > m_bottom) {
                        m_pass = 0;
                        m_y = m_top + 1;
                    }
                }
            }
            break;
        case 2:
            copyRowDown(std::min(3, m_bottom - m_y));
            m_y += 8;
            if (m_y > m_bottom) {
                m_pass = 3;
                m_y = m_top + 2;
                if (m_y > m_bottom) {
                    m_pass = 3;
                    m_y = m_top + 1;
                }
            }
            break;
        case 3:
            copyRowDown(std::min(1, m_bottom - m_y));
            m_y += 4;
            if (m_y > m_bottom) {
                m_pass = 4;
                m_y = m_top + 1;
            }
            break;
        case 4:
            m_y += 2;
            break;
        }
        if (m_y >= m_start.screenHeight)
            m_outOfBounds = true;
    }

    // One byte of LZW data; false where Qt's reader gives up on the stream.
    bool FrameDecoder::takeByte(quint8 ch)
    {
        if (m_bitCount != -32768) { // past the end code the bytes are read and ignored
            if (m_bitCount < 0 || m_bitCount > 31)
                return false;
            m_accum |= quint32(ch) << m_bitCount;
            m_bitCount += 8;
        }
        while (m_bitCount >= m_codeBits) {
            int code = int(m_accum & ((1u << m_codeBits) - 1));
            m_bitCount -= m_codeBits;
            m_accum >>= m_codeBits;
            if (code == m_clear) {
                if (!m_needFirst) {
                    m_codeBits = m_minCodeBits + 1;
                    m_maxCodeSize = 2 * m_clear;
                    m_maxCode = m_clear + 2;
                }
                m_needFirst = true;
            } else if (code == m_end) {
                m_bitCount = -32768;
            } else if (m_needFirst) {
                m_firstCode = m_oldCode = code;
                plot(quint8(m_firstCode));
                m_needFirst = false;
            } else {
                const int inCode = code;
                int sp = 0;
                if (code >= m_maxCode) {
                    m_stack[std::size_t(sp++)] = qint16(m_firstCode);
                    code = m_oldCode;
                }
                while (code >= m_clear + 2) {
                    if (code >= m_maxCode)
                        return false;
                    m_stack[std::size_t(sp++)] = m_suffix[std::size_t(code)];
                    if (code == m_prefix[std::size_t(code)] || sp >= StackLimit)
                        return false;
                    code = m_prefix[std::size_t(code)];
                }
                if (code < 0)
                    return false;
                m_firstCode = m_suffix[std::size_t(code)];
                m_stack[std::size_t(sp++)] = qint16(m_firstCode);
                if (m_maxCode < TableSize) {
                    m_prefix[std::size_t(m_maxCode)] = qint16(m_oldCode);
                    m_suffix[std::size_t(m_maxCode)] = qint16(m_firstCode);
                    ++m_maxCode;
                    if (m_maxCode >= m_maxCodeSize && m_maxCodeSize < TableSize) {
                        m_maxCodeSize *= 2;
                        ++m_codeBits;
                    }
                }
                m_oldCode = inCode;
                while (sp > 0)
                    plot(quint8(m_stack[std::size_t(--sp)]));
            }
        }
        return true;
    }

    QImage FrameDecoder::run()
    {
        const Bytes d = m_data;
        std::size_t at = m_start.descriptorAt;
        m_left = le::u16(d, at);
        m_top = le::u16(d, at + 2);
        m_width = le::u16(d, at + 4);
        const int height = le::u16(d, at + 6);
        const quint8 flags = d[at + 8];
        at += 9;
        const int screenWidth = m_start.screenWidth, screenHeight = m_start.screenHeight;
        m_right = std::max(0, std::min(m_left + m_width, screenWidth) - 1);
        m_bottom = std::max(0, std::min(m_top + height, screenHeight) - 1);
        const bool localMap = flags & 0x80;
        const bool interlaced = flags & 0x40;
        const int localColours = localMap ? 2 << (flags & 7) : 0;
        const int colours = localMap ? localColours : m_start.globalColours;

        std::size_t mapAt = 13;
        if (localMap) {
            mapAt = at;
            at += std::size_t(3 * localColours);
        }
        if (at >= d.size())
            return {};
        const bool hasMap = localMap || m_start.globalMap;
        for (int i = 0; i < 256; ++i) {
            QRgb c = Transparent; // the entry past the table is transparent too
            if (i < colours)
                c = hasMap ? qRgb(d[mapAt + 3 * i], d[mapAt + 3 * i + 1], d[mapAt + 3 * i + 2]) : 0;
            else if (i == colours && !hasMap)
                c = 0;
            m_colours[std::size_t(i)] = i == m_start.transparentIndex ? c & Transparent : c;
        }

        const bool partFrame = m_left || m_top || m_width < screenWidth || height < screenHeight;
        int fillIndex = -1;
        if (partFrame)
            fillIndex = m_start.transparentIndex >= 0 ? m_start.transparentIndex : m_start.background;
        // Qt's reader fills from a local table it has not read yet.
        if (fillIndex >= 0 && localMap && fillIndex < localColours)
            return {};

        QImage image(m_region, m_start.transparentIndex >= 0 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (image.isNull())
            return {};
        m_bits = image.bits();
        m_bpl = image.bytesPerLine();
        std::memset(m_bits, 0, std::size_t(image.sizeInBytes()));
        if (fillIndex >= 0)
            fill(m_colours[std::size_t(fillIndex)]);

        m_minCodeBits = d[at++];
        if (m_minCodeBits > MaxCodeBits)
            return {};
        m_codeBits = m_minCodeBits + 1;
        m_clear = 1 << m_minCodeBits;
        m_end = m_clear + 1;
        m_maxCodeSize = 2 * m_clear;
        m_maxCode = m_clear + 2;
        for (int i = 0; i < m_clear; ++i) {
            m_prefix[std::size_t(i)] = 0;
            m_suffix[std::size_t(i)] = qint16(i);
        }
        m_pass = interlaced ? 1 : 0;
        m_x = m_left;
        m_y = m_top;
        m_outOfBounds = m_left >= screenWidth || m_y >= screenHeight;

        for (;;) {
            if (at >= d.size())
                return {}; // cut short: Qt's reader decides what it shows
            const std::size_t block = d[at++];
            if (block == 0)
                return image; // the frame is complete
            for (std::size_t i = 0; i < block; ++i) {
                if (at >= d.size())
                    return {};
                if (!takeByte(d[at++]))
                    return {};
                // Rows come in order, or in the last pass of an interlaced frame (every
                // other row, the others done): once past the part, nothing more lands in it.
                if ((m_pass == 0 || m_pass == 4) && (m_y >= m_region.height() || m_left >= screenWidth))
                    return image;
            }
        }
    }

} // namespace

Header probeGif(Bytes d)
{
    Header h;
    if (d.size() < 6 || (std::memcmp(d.data(), "GIF87a", 6) != 0 && std::memcmp(d.data(), "GIF89a", 6) != 0))
        return h;
    h.format = PartialDecoder::Format::Gif;
    const Start s = readStart(d);
    if (s.ok && s.screenWidth > 0 && s.screenHeight > 0) {
        h.size = QSize(s.screenWidth, s.screenHeight);
        h.announced = s.announced;
    }
    return h;
}

QImage decodeGif(Bytes data, const Header& header, QSize region)
{
    const Start start = readStart(data);
    if (!start.ok || QSize(start.screenWidth, start.screenHeight) != header.size || region.isEmpty())
        return {};
    if (!withinQtAllocationLimit(header.size, 32))
        return {};
    return FrameDecoder(data, start, region).run();
}

} // namespace brevane::decode
