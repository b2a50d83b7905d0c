#pragma once

#include <QWidget>

namespace brevane {

class PictureBox;

// Mirrors an off-screen PictureBox to the screen, pixel for pixel, and reports mouse
// presses and releases in the box's pixel coordinates.
class PictureBoxView : public QWidget {
    Q_OBJECT
public:
    explicit PictureBoxView(PictureBox& box, QWidget* parent = nullptr);

    PictureBox& box() { return m_box; }
    // Follows the box's size and repaints; connected to the box's changed().
    void sync();

Q_SIGNALS:
    void mousePressed(Qt::MouseButton button, int x, int y);
    void mouseReleased(Qt::MouseButton button, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    PictureBox& m_box;
};

} // namespace brevane
