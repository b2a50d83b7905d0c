#include "multipage/widgets/IconPreviewSheet.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace brevane {

namespace {

    constexpr int Margin = 8;
    constexpr int Padding = 8; // background shown around each image
    constexpr int Gap = 6;

    int cellWidth(int size)
    {
        return Padding + size + Padding + size * IconPreviewSheet::zoom(size) + Padding;
    }

    QBrush backgroundBrush(IconPreviewSheet::Background background)
    {
        switch (background) {
        case IconPreviewSheet::Light:
            return QColor(0xfa, 0xfa, 0xfa);
        case IconPreviewSheet::Dark:
            return QColor(0x1e, 0x22, 0x28);
        default:
            break;
        }
        QImage tile(16, 16, QImage::Format_RGB32);
        tile.fill(QColor(0xff, 0xff, 0xff));
        QPainter p(&tile);
        p.fillRect(0, 0, 8, 8, QColor(0xc8, 0xc8, 0xc8));
        p.fillRect(8, 8, 8, 8, QColor(0xc8, 0xc8, 0xc8));
        return QBrush(tile);
    }

} // namespace

IconPreviewSheet::IconPreviewSheet(QWidget* parent)
    : QWidget(parent)
{
    setCursor(Qt::CrossCursor);
}

int IconPreviewSheet::zoom(int size)
{
    return std::clamp(96 / std::max(size, 1), 2, 8);
}

void IconPreviewSheet::setImages(const QList<Image>& images)
{
    m_images = images;
    updateGeometry();
    resize(sizeHint());
    update();
}

int IconPreviewSheet::captionHeight() const
{
    return fontMetrics().height() + 2;
}

QList<IconPreviewSheet::Row> IconPreviewSheet::rows() const
{
    QList<Row> rows;
    int top = Margin;
    for (const Image& image : m_images) {
        const int height = captionHeight() + image.size * zoom(image.size) + 2 * Padding;
        rows.append({ top, height });
        top += height + Gap;
    }
    return rows;
}

QRect IconPreviewSheet::imageRect(int size, Background background, bool enlarged) const
{
    const auto found
        = std::find_if(m_images.begin(), m_images.end(), [size](const Image& i) { return i.size == size; });
    if (found == m_images.end())
        return {};
    const Row row = rows().at(found - m_images.begin());
    const int cell = Margin + background * (cellWidth(size) + Gap);
    const int top = row.top + captionHeight() + Padding;
    if (!enlarged)
        return QRect(cell + Padding, top, size, size);
    const int side = size * zoom(size);
    return QRect(cell + 2 * Padding + size, top, side, side);
}

QSize IconPreviewSheet::sizeHint() const
{
    int width = 0;
    for (const Image& image : m_images)
        width = std::max(width, BackgroundCount * (cellWidth(image.size) + Gap));
    const QList<Row> all = rows();
    const int height = all.isEmpty() ? 0 : all.last().top + all.last().height;
    return QSize(Margin + width + Margin, height + Margin);
}

void IconPreviewSheet::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QList<Row> all = rows();
    for (int i = 0; i < m_images.size(); ++i) {
        const Image& image = m_images[i];
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(QRect(Margin, all[i].top, width() - 2 * Margin, captionHeight()), Qt::AlignLeft | Qt::AlignTop,
            QStringLiteral("%1 x %1").arg(image.size));
        for (int b = 0; b < BackgroundCount; ++b) {
            const auto background = static_cast<Background>(b);
            const QRect small = imageRect(image.size, background, false);
            p.fillRect(QRect(small.left() - Padding, small.top() - Padding, cellWidth(image.size),
                           all[i].height - captionHeight()),
                backgroundBrush(background));
            // Unsmoothed, so each pixel of the icon stays a sharp square when enlarged.
            p.drawImage(small, image.image);
            p.drawImage(imageRect(image.size, background, true), image.image);
        }
    }
}

void IconPreviewSheet::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    for (const Image& image : std::as_const(m_images))
        for (int b = 0; b < BackgroundCount; ++b)
            for (bool enlarged : { false, true }) {
                const QRect rect = imageRect(image.size, static_cast<Background>(b), enlarged);
                if (!rect.contains(at))
                    continue;
                const int scale = enlarged ? zoom(image.size) : 1;
                const QPoint offset = at - rect.topLeft(); // QPoint's own division rounds
                Q_EMIT pixelClicked(image.size, QPoint(offset.x() / scale, offset.y() / scale));
                return;
            }
    QWidget::mousePressEvent(event);
}

} // namespace brevane
