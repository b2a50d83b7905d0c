#pragma once

#include "platform/decode/PartialDecoder.h"

#include <QImage>
#include <QSize>

#include <span>

// One reader per format behind PartialDecoder. Each probe reads the header by hand; each
// decoder returns the top-left 'region' of the picture, or a null image to leave it to Qt.
namespace brevane::decode {

using Bytes = std::span<const quint8>;
using Header = PartialDecoder::Header;

Header probeBmp(Bytes data);
Header probeGif(Bytes data);
Header probeJpeg(Bytes data);
Header probePng(Bytes data);

QImage decodeBmp(Bytes data, const Header& header, QSize region);
QImage decodeGif(Bytes data, const Header& header, QSize region);
QImage decodePng(Bytes data, const Header& header, QSize region);
// scaleNum/8 of the natural size; 'region' is in scaled pixels.
QImage decodeJpeg(Bytes data, const Header& header, QSize region, int scaleNum);
// The smallest M in 1..8 whose M/8 reduction of 'natural' still covers 'atLeast'.
int jpegScaleFor(QSize natural, QSize atLeast);

// Qt's readers refuse an image whose whole size would pass their allocation limit; the
// partial readers must refuse the same pictures even though they allocate far less.
bool withinQtAllocationLimit(QSize whole, int depth);

} // namespace brevane::decode
