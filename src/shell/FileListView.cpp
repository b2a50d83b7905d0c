#include "shell/FileListView.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QUrl>

namespace brevane {

namespace {
    QStringList localFiles(const QMimeData* data)
    {
        QStringList files;
        if (!data || !data->hasUrls())
            return files;
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile())
                files.append(url.toLocalFile());
        }
        return files;
    }
}

FileListView::FileListView(QWidget* parent)
    : QTableWidget(parent)
{
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the list for the window's commands instead of walking its cells.
    setTabKeyNavigation(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setIconSize(QSize(16, 16));
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
}

void FileListView::setBackgroundPicture(const QPixmap& picture)
{
    m_picture = picture;
    viewport()->update();
}

bool FileListView::isTextCutOff(int row, int column) const
{
    const QTableWidgetItem* cell = item(row, column);
    if (!cell)
        return false;
    // The room the text has on screen: its column, or less where the view's edge cuts it.
    const QRect shown = visualItemRect(cell).intersected(viewport()->rect());
    int room = shown.width() - 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    if (!cell->icon().isNull())
        room -= iconSize().width() + 4;
    return fontMetrics().horizontalAdvance(cell->text()) > room;
}

QPoint FileListView::keyboardMenuPosition() const
{
    // Below the current row's name, or the list's top-left corner with no current row.
    QRect at = visualRect(currentIndex().siblingAtColumn(0)).intersected(viewport()->rect());
    const QPoint corner = at.isEmpty() ? QPoint(0, 0) : at.bottomLeft();
    return viewport()->mapToGlobal(corner);
}

void FileListView::paintEvent(QPaintEvent* event)
{
    if (!m_picture.isNull()) {
        // The picture sits in the bottom-right corner, under the rows and the grid.
        QPainter painter(viewport());
        const QRect area = viewport()->rect();
        painter.drawPixmap(area.right() - m_picture.width() + 1, area.bottom() - m_picture.height() + 1, m_picture);
    }
    QTableWidget::paintEvent(event);
}

bool FileListView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        if (index.isValid() && isTextCutOff(index.row(), index.column()))
            QToolTip::showText(
                help->globalPos(), index.data(Qt::DisplayRole).toString(), viewport(), visualRect(index));
        else
            QToolTip::hideText();
        return true;
    }
    return QTableWidget::viewportEvent(event);
}

void FileListView::mousePressEvent(QMouseEvent* event)
{
    QTableWidget::mousePressEvent(event);
    Q_EMIT mousePressed(event->button(), event->position().toPoint());
}

void FileListView::dragEnterEvent(QDragEnterEvent* event)
{
    if (localFiles(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void FileListView::dragMoveEvent(QDragMoveEvent* event)
{
    if (localFiles(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void FileListView::dropEvent(QDropEvent* event)
{
    const QStringList files = localFiles(event->mimeData());
    if (files.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    Q_EMIT filesDropped(files);
}

} // namespace brevane
