#pragma once

#include <QLabel>

namespace brevane {

// A label that reacts to a left click like a link ("more tips !", the web address).
class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(const QString& text, QWidget* parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace brevane
