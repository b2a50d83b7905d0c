#include "shell/TaskPane.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QToolButton>
#include <QVBoxLayout>

#include "shell/FileTypeIcons.h"

namespace brevane {

TaskPaneItem::TaskPaneItem(const QIcon& icon, const QString& caption, QWidget* parent)
    : QWidget(parent)
    , m_caption(new QLabel(caption, this))
{
    auto* picture = new QLabel(this);
    picture->setPixmap(icon.pixmap(16, 16));
    picture->setAlignment(Qt::AlignTop);
    picture->setFixedWidth(18);
    m_caption->setWordWrap(true);
    QPalette pal = m_caption->palette();
    pal.setColor(QPalette::WindowText, QColor(0x21, 0x5d, 0xc6));
    m_caption->setPalette(pal);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 2);
    layout->setSpacing(4);
    layout->addWidget(picture);
    layout->addWidget(m_caption, 1);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

QString TaskPaneItem::text() const
{
    return m_caption->text();
}

void TaskPaneItem::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QWidget::mouseReleaseEvent(event);
}

namespace {
    // Keys that run whatever has the focus, taken before the window's own Enter (GO) sees them.
    bool runsFocused(const QKeyEvent* key)
    {
        if (key->modifiers() & ~Qt::KeypadModifier)
            return false;
        return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Space;
    }
}

bool TaskPaneItem::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride && runsFocused(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void TaskPaneItem::keyPressEvent(QKeyEvent* event)
{
    if (runsFocused(event)) {
        Q_EMIT clicked();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TaskPaneItem::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (!hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = rect().adjusted(0, 0, -1, -1);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
}

TaskPane::TaskPane(QWidget* parent)
    : QWidget(parent)
    , m_layout(new QVBoxLayout(this))
{
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor::fromRgb(BackgroundColour));
    setPalette(pal);
    m_layout->setContentsMargins(8, 8, 8, 8);
    m_layout->setSpacing(12);
    m_layout->addStretch(1);
}

void TaskPane::addGroup(const QString& title, bool mainGroup)
{
    if (m_groups.contains(title))
        return;
    Group group;
    group.header = new QToolButton(this);
    group.header->setObjectName(QStringLiteral("eb_Group_") + title);
    group.header->setText(title);
    group.header->setCheckable(true);
    group.header->setChecked(true);
    group.header->setArrowType(Qt::UpArrow);
    group.header->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    group.header->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    group.header->setAutoRaise(true);
    group.header->setAutoFillBackground(true);
    QFont bold = group.header->font();
    bold.setBold(true);
    group.header->setFont(bold);
    QPalette headerPalette = group.header->palette();
    headerPalette.setColor(QPalette::Button, mainGroup ? QColor(0x21, 0x5d, 0xc6) : QColor(0xf2, 0xf5, 0xfc));
    headerPalette.setColor(QPalette::ButtonText, mainGroup ? Qt::white : QColor(0x21, 0x5d, 0xc6));
    headerPalette.setColor(QPalette::Window, headerPalette.color(QPalette::Button));
    group.header->setPalette(headerPalette);

    group.body = new QWidget(this);
    group.body->setObjectName(QStringLiteral("eb_Body_") + title);
    group.body->setAutoFillBackground(true);
    QPalette bodyPalette = group.body->palette();
    bodyPalette.setColor(QPalette::Window, QColor(0xd6, 0xdf, 0xf7));
    group.body->setPalette(bodyPalette);
    group.bodyLayout = new QVBoxLayout(group.body);
    group.bodyLayout->setContentsMargins(8, 6, 8, 6);
    group.bodyLayout->setSpacing(2);

    auto* box = new QVBoxLayout;
    box->setSpacing(0);
    box->addWidget(group.header);
    box->addWidget(group.body);
    m_layout->insertLayout(m_layout->count() - 1, box);

    group.header->installEventFilter(this);
    connect(group.header, &QToolButton::toggled, this, [this, title](bool on) { setGroupExpanded(title, on); });
    m_groups.insert(title, group);
    m_groupOrder.append(title);
}

void TaskPane::addItem(const QString& group, const QString& key, const QString& caption, int iconIndex)
{
    auto it = m_groups.find(group);
    if (it == m_groups.end() || m_items.contains(key))
        return;
    auto* item = new TaskPaneItem(FileTypeIcons::icon(iconIndex), caption, it->body);
    item->setObjectName(QStringLiteral("eb_Main_") + key);
    it->bodyLayout->addWidget(item);
    it->keys.append(key);
    m_items.insert(key, item);
    m_itemIcons.insert(key, iconIndex);
    connect(item, &TaskPaneItem::clicked, this, [this, key] { Q_EMIT itemClicked(key); });
}

bool TaskPane::eventFilter(QObject* watched, QEvent* event)
{
    auto* header = qobject_cast<QToolButton*>(watched);
    if (header && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!(key->modifiers() & ~Qt::KeypadModifier)
            && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            event->accept();
            if (event->type() == QEvent::KeyPress)
                header->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QStringList TaskPane::itemKeys(const QString& group) const
{
    return m_groups.value(group).keys;
}

QList<QWidget*> TaskPane::focusChain() const
{
    QList<QWidget*> chain;
    for (const QString& title : m_groupOrder) {
        const Group& group = m_groups[title];
        chain.append(group.header);
        for (const QString& key : group.keys)
            chain.append(m_items.value(key));
    }
    return chain;
}

bool TaskPane::isGroupExpanded(const QString& group) const
{
    const auto it = m_groups.constFind(group);
    return it != m_groups.constEnd() && !it->body->isHidden();
}

void TaskPane::setGroupExpanded(const QString& group, bool expanded)
{
    auto it = m_groups.find(group);
    if (it == m_groups.end())
        return;
    it->body->setHidden(!expanded);
    it->header->setArrowType(expanded ? Qt::UpArrow : Qt::DownArrow);
    if (it->header->isChecked() != expanded)
        it->header->setChecked(expanded);
}

} // namespace brevane
