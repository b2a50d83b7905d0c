#pragma once

#include <QPixmap>
#include <QTableWidget>

namespace brevane {

// The picture list: a report view with grid lines that shows a background picture,
// tooltips for texts its columns cut off, reports mouse buttons and takes dropped files.
class FileListView : public QTableWidget {
    Q_OBJECT
public:
    explicit FileListView(QWidget* parent = nullptr);

    void setBackgroundPicture(const QPixmap& picture);
    QPixmap backgroundPicture() const { return m_picture; }

    // Whether the cell's text is wider than the room it has on screen: the column's width,
    // or less where the view's edge cuts the column.
    bool isTextCutOff(int row, int column) const;
    // Where a popup opened from the keyboard goes, in global coordinates.
    QPoint keyboardMenuPosition() const;

Q_SIGNALS:
    void mousePressed(Qt::MouseButton button, QPoint position);
    void filesDropped(const QStringList& paths);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QPixmap m_picture;
};

} // namespace brevane
