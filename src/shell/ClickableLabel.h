#pragma once

#include <QLabel>

namespace brevane {

// A label that reacts to a left click like a link ("more tips !", the web address). Given
// the focus, Enter and Space click it too.
class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(const QString& text, QWidget* parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace brevane
