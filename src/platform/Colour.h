#pragma once

#include <QColor>
#include <QRgb>

namespace brevane {

// Packed RGB as the program passes colours around: red in the low byte, then green, then
// blue (0x00BBGGRR). -1 as a transparent colour means "the source's top-left pixel".
using Colour = qint32;

inline constexpr Colour CLR_INVALID = -1;

constexpr Colour RGB(int r, int g, int b)
{
    return static_cast<Colour>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int redOf(Colour c) { return c & 0xFF; }
constexpr int greenOf(Colour c) { return (c >> 8) & 0xFF; }
constexpr int blueOf(Colour c) { return (c >> 16) & 0xFF; }

inline QRgb toQRgb(Colour c) { return qRgb(redOf(c), greenOf(c), blueOf(c)); }
inline Colour fromQRgb(QRgb c) { return RGB(qRed(c), qGreen(c), qBlue(c)); }
inline QColor toQColor(Colour c) { return QColor(redOf(c), greenOf(c), blueOf(c)); }
inline Colour fromQColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

} // namespace brevane
