#pragma once

#include <QImage>
#include <QList>
#include <QWidget>

namespace brevane {

// Every image of an icon as the desktop shows it: one row per size under its caption, over a
// light, a dark and a checkerboard background, each at 1:1 and enlarged pixel for pixel. A
// click on an image reports which of its pixels was hit.
class IconPreviewSheet : public QWidget {
    Q_OBJECT
public:
    enum Background { Light, Dark, Checkerboard, BackgroundCount };

    struct Image {
        int size = 0;
        QImage image; // ARGB32, alpha and mask applied
    };

    explicit IconPreviewSheet(QWidget* parent = nullptr);

    void setImages(const QList<Image>& images);
    const QList<Image>& images() const { return m_images; }

    // How many times an image of this size is enlarged: small ones fill about 96 pixels,
    // larger ones are doubled.
    static int zoom(int size);
    // Where an image is drawn; empty for a size that is not shown.
    QRect imageRect(int size, Background background, bool enlarged) const;

    QSize sizeHint() const override;

Q_SIGNALS:
    void pixelClicked(int size, QPoint pixel);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    struct Row {
        int top = 0;
        int height = 0;
    };
    QList<Row> rows() const;
    int captionHeight() const;

    QList<Image> m_images;
};

} // namespace brevane
