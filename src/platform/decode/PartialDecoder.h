#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace brevane {

// Decodes the top-left part of a BMP, GIF, JPEG or PNG picture and stops there: an icon made
// from a picture needs only its corner. The pixels, and the QImage format they come in, are
// exactly those Qt's reader gives for the same part of the whole picture, so icons come out
// byte for byte the same either way. A case decoded differently here, or data that goes wrong
// inside the part, is left to Qt: the decode functions then return a null image.
class PartialDecoder {
public:
    enum class Format { Other, Bmp, Gif, Jpeg, Png };

    // What the first bytes say, read without any library.
    struct Header {
        Format format = Format::Other;
        QSize size; // natural size: that of the whole picture as Qt decodes it
        QSize announced; // the size Qt's reader reports before decoding; invalid when none
        int scans = 0; // JPEG: start-of-scan markers in the file
    };

    // Format::Other for anything else.
    static Header probe(const QByteArray& data);

    // The top-left min(natural size, needed) pixels; an empty 'needed' means the whole
    // picture. The header must come from probe() on the same data, and its size must have
    // passed the picture limits.
    static QImage decode(const QByteArray& data, const Header& header, QSize needed);

    // The whole picture, a JPEG reduced while decoding to M/8 of its size (M = 1..8): the
    // smallest M whose result is still at least 'atLeast' both ways. Other formats come at
    // their natural size (M = 8). scaleNum receives M.
    static QImage decodeScaled(const QByteArray& data, const Header& header, QSize atLeast, int* scaleNum = nullptr);
};

} // namespace brevane
