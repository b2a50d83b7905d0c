#pragma once

#include <QImage>
#include <QRgb>
#include <QSize>

#include <optional>

namespace brevane::Resampler {

// The picture scaled to exactly 'size' (straight ARGB32 out, any format in). Pixels of
// 'key' (alpha not compared) are made transparent first, so their edges blend away rather
// than leave a fringe of the key colour. A null image when the size is empty or memory
// runs out.
//
// Filtering works on premultiplied colour, so transparent pixels lend no colour to their
// neighbours, and in linear light, so a fine black and white pattern reduces to the grey
// it looks like from a distance and thin light strokes keep their weight (averaging sRGB
// codes darkens both). Reducing uses exact area coverage: each new pixel is the average of
// the old pixels under it, weighted by how much of each it covers, which cannot alias.
// Enlarging uses the Mitchell-Netravali cubic (B = C = 1/3), its authors' balance of
// sharpness against ringing and blocky steps.
QImage resize(const QImage& picture, QSize size, std::optional<QRgb> key = {});

// Alpha 0 (and black) for every pixel of 'key', in a straight ARGB32 image.
void makeTransparent(QImage& argb, QRgb key);

} // namespace brevane::Resampler
