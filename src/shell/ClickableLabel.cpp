#include "shell/ClickableLabel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace brevane {

namespace {
    bool clicks(const QKeyEvent* key)
    {
        if (key->modifiers() & ~Qt::KeypadModifier)
            return false;
        return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Space;
    }
}

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
    setCursor(Qt::PointingHandCursor);
}

bool ClickableLabel::event(QEvent* event)
{
    // Enter on a focused link is the link's, not the window's default button's.
    if (event->type() == QEvent::ShortcutOverride && clicks(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QLabel::event(event);
}

void ClickableLabel::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
}

void ClickableLabel::keyPressEvent(QKeyEvent* event)
{
    if (clicks(event)) {
        Q_EMIT clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QLabel::mouseReleaseEvent(event);
}

} // namespace brevane
