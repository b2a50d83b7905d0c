#include "platform/widgets/PictureBoxView.h"

#include "platform/PictureBox.h"

#include <QMouseEvent>
#include <QPainter>

namespace brevane {

PictureBoxView::PictureBoxView(PictureBox& box, QWidget* parent)
    : QWidget(parent)
    , m_box(box)
{
    connect(&m_box, &PictureBox::changed, this, &PictureBoxView::sync);
    sync();
}

void PictureBoxView::sync()
{
    setFixedSize(m_box.width(), m_box.height());
    update();
}

void PictureBoxView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!isEnabled() || m_box.surface().isNull()) {
        p.fillRect(rect(), palette().window());
        return;
    }
    p.drawImage(0, 0, m_box.surface().image());
}

void PictureBoxView::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    Q_EMIT mousePressed(event->button(), at.x(), at.y());
}

void PictureBoxView::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    Q_EMIT mouseReleased(event->button(), at.x(), at.y());
}

} // namespace brevane
