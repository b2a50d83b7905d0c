#pragma once

#include "platform/Colour.h"
#include "platform/PictureLoader.h"
#include "platform/Surface.h"

#include <QObject>

namespace brevane {

// An off-screen picture box: a surface of a given size that always shows its background
// colour with the picture drawn unscaled at the top-left. Every change (picture,
// background colour, size) is in the surface's pixels the moment it is made, so a caller
// can read pixels right after setting them. Windows mirror it to the screen through
// changed(); it needs no GUI application.
class PictureBox : public QObject {
    Q_OBJECT
public:
    explicit PictureBox(int width = 34, int height = 34, Colour backColour = RGB(255, 255, 255));

    const Picture& picture() const { return m_picture; }
    void setPicture(const Picture& picture);
    void clearPicture();

    // The box's own colour: what it fills with on every redraw. The surface's background
    // colour (setBackgroundColour on it, as IconFile::setImageFromSurface does) does not change it.
    Colour backColour() const { return m_backColour; }
    void setBackColour(Colour c);

    int width() const { return m_surface.width(); }
    int height() const { return m_surface.height(); }
    void resize(int width, int height);

    Colour pixel(int x, int y) const { return m_surface.pixel(x, y); }
    Surface& surface() { return m_surface; }
    const Surface& surface() const { return m_surface; }

Q_SIGNALS:
    // After every change of picture, background colour or size.
    void changed();

private:
    void redraw();

    Picture m_picture;
    Colour m_backColour;
    Surface m_surface;
};

} // namespace brevane
