#pragma once

#include "platform/Colour.h"

#include <QImage>

namespace brevane {

// Raster operations of block transfers (the ternary operation codes of the platform).
namespace Rop {
    inline constexpr quint32 SRCCOPY = 0x00CC0020;
    inline constexpr quint32 SRCPAINT = 0x00EE0086;
    inline constexpr quint32 SRCAND = 0x008800C6;
    inline constexpr quint32 SRCINVERT = 0x00660046;
    inline constexpr quint32 SRCERASE = 0x00440328;
    inline constexpr quint32 NOTSRCCOPY = 0x00330008;
    inline constexpr quint32 NOTSRCERASE = 0x001100A6;
    inline constexpr quint32 BLACKNESS = 0x00000042;
    inline constexpr quint32 WHITENESS = 0x00FF0062;
    inline constexpr quint32 DSTINVERT = 0x00550009;
}

// A drawing surface standing in for a device context with its selected bitmap: either
// colour (24-bit RGB) or monochrome (1 bit per pixel). Each has a background and a text
// colour (white and black by default) that take part in colour/mono conversions.
class Surface {
public:
    enum class Kind { Colour, Mono };

    Surface() = default; // a null surface: every operation on it fails quietly
    static Surface colour(int width, int height, Colour fill = RGB(255, 255, 255));
    static Surface mono(int width, int height);

    bool isNull() const { return m_image.isNull(); }
    Kind kind() const { return m_kind; }
    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }

    Colour backgroundColour() const { return m_back; }
    // Return the previous colour; CLR_INVALID is refused (returned, colour kept).
    Colour setBackgroundColour(Colour c);
    Colour textColour() const { return m_text; }
    Colour setTextColour(Colour c);

    // CLR_INVALID outside the surface. On a mono surface 0 reads black, 1 white.
    Colour pixel(int x, int y) const;
    void setPixel(int x, int y, Colour c);
    void fill(Colour c);

    // Block transfers with any ternary raster operation that uses no pattern. Colour/mono
    // conversion: colour to mono gives 1 where the source equals the source's background
    // colour; mono to colour gives the destination's text colour for 0, its background for 1.
    bool bitBlt(int x, int y, int w, int h, const Surface& src, int sx, int sy, quint32 rop = Rop::SRCCOPY);
    bool stretchBlt(
        int x, int y, int w, int h, const Surface& src, int sx, int sy, int sw, int sh, quint32 rop = Rop::SRCCOPY);

    // Colour: Format_RGB32. Mono: Format_Mono with colour table {black, white}.
    const QImage& image() const { return m_image; }
    QImage& image() { return m_image; }

    // Resizes, keeping the pixels that still fit; new pixels take the background colour.
    void resize(int width, int height);

private:
    Kind m_kind = Kind::Colour;
    QImage m_image;
    Colour m_back = RGB(255, 255, 255);
    Colour m_text = RGB(0, 0, 0);
};

} // namespace brevane
