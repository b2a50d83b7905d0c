#include "platform/PictureBox.h"

namespace brevane {

PictureBox::PictureBox(int width, int height, Colour backColour)
    : m_backColour(backColour & 0xFFFFFF)
    , m_surface(Surface::colour(width, height, backColour))
{
    redraw();
}

void PictureBox::setPicture(const Picture& picture)
{
    m_picture = picture;
    redraw();
}

void PictureBox::clearPicture()
{
    m_picture = Picture();
    redraw();
}

void PictureBox::setBackColour(Colour c)
{
    m_backColour = c & 0xFFFFFF;
    redraw();
}

void PictureBox::resize(int width, int height)
{
    m_surface.resize(width, height);
    redraw();
}

void PictureBox::redraw()
{
    m_surface.setBackgroundColour(m_backColour);
    m_surface.fill(m_backColour);
    m_picture.drawOn(m_surface);
    Q_EMIT changed();
}

} // namespace brevane
