#include "platform/decode/PartialDecoder.h"

#include "platform/LittleEndian.h"
#include "platform/decode/FormatDecoders.h"

#include <QImageReader>

#include <algorithm>
#include <cstring>

namespace brevane {

namespace {

    // Qt's reader asks its plug-ins before its built-in BMP and PNG readers, and the SVG one
    // takes any data that starts like XML. Such data is left to Qt to decide.
    bool mayLookLikeXml(const QByteArray& data)
    {
        const QByteArray head = data.left(64);
        return head.contains("<?xml") || head.contains("<svg") || head.contains("<!--") || head.contains("<!DOCTYPE");
    }

} // namespace

namespace decode {

    bool withinQtAllocationLimit(QSize whole, int depth)
    {
        const int limitMiB = QImageReader::allocationLimit();
        if (limitMiB == 0)
            return true;
        // Qt counts at least 32 bits a pixel, rows padded to 32 bits.
        const qint64 bytesPerLine = (qint64(whole.width()) * std::max(depth, 32) + 31) / 32 * 4;
        const qint64 total = bytesPerLine * whole.height();
        const qint64 mib = total >> 20;
        return !(mib > limitMiB || (mib == limitMiB && total % (1 << 20)));
    }

} // namespace decode

PartialDecoder::Header PartialDecoder::probe(const QByteArray& data)
{
    const decode::Bytes d = le::bytes(data);
    if (d.size() < 8)
        return {};
    switch (d[0]) {
    case 'B':
        return decode::probeBmp(d);
    case 'G':
        return decode::probeGif(d);
    case 0xFF:
        return decode::probeJpeg(d);
    case 0x89:
        return decode::probePng(d);
    default:
        return {};
    }
}

QImage PartialDecoder::decode(const QByteArray& data, const Header& header, QSize needed)
{
    if (header.size.isEmpty() || mayLookLikeXml(data))
        return {};
    const QSize region = needed.isEmpty() ? header.size : header.size.boundedTo(needed);
    const decode::Bytes d = le::bytes(data);
    switch (header.format) {
    case Format::Bmp:
        return decode::decodeBmp(d, header, region);
    case Format::Gif:
        return decode::decodeGif(d, header, region);
    case Format::Jpeg:
        return decode::decodeJpeg(d, header, region, 8);
    case Format::Png:
        return decode::decodePng(d, header, region);
    case Format::Other:
        break;
    }
    return {};
}

QImage PartialDecoder::decodeScaled(const QByteArray& data, const Header& header, QSize atLeast, int* scaleNum)
{
    int m = 8;
    if (header.format == Format::Jpeg && !header.size.isEmpty() && !atLeast.isEmpty())
        m = decode::jpegScaleFor(header.size, atLeast);
    if (scaleNum)
        *scaleNum = m;
    if (m == 8 || mayLookLikeXml(data))
        return decode(data, header, QSize());
    // libjpeg rounds reduced sizes up; the region is the whole reduced picture.
    const QSize reduced((header.size.width() * m + 7) / 8, (header.size.height() * m + 7) / 8);
    return decode::decodeJpeg(le::bytes(data), header, reduced, m);
}

} // namespace brevane
