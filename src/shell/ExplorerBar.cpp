#include "shell/ExplorerBar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include "shell/iml_SmallIcons.h"

namespace brevane {

ExplorerBarItem::ExplorerBarItem(const QIcon& icon, const QString& sCaption, QWidget* parent)
    : QWidget(parent)
    , m_caption(new QLabel(sCaption, this))
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

QString ExplorerBarItem::text() const
{
    return m_caption->text();
}

void ExplorerBarItem::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QWidget::mouseReleaseEvent(event);
}

void ExplorerBarItem::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space) {
        Q_EMIT clicked();
        return;
    }
    QWidget::keyPressEvent(event);
}

ExplorerBar::ExplorerBar(QWidget* parent)
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

void ExplorerBar::AddGroup(const QString& sTitle, bool bSpecial)
{
    if (m_groups.contains(sTitle))
        return;
    Group group;
    group.header = new QToolButton(this);
    group.header->setObjectName(QStringLiteral("eb_Group_") + sTitle);
    group.header->setText(sTitle);
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
    headerPalette.setColor(QPalette::Button, bSpecial ? QColor(0x21, 0x5d, 0xc6) : QColor(0xf2, 0xf5, 0xfc));
    headerPalette.setColor(QPalette::ButtonText, bSpecial ? Qt::white : QColor(0x21, 0x5d, 0xc6));
    headerPalette.setColor(QPalette::Window, headerPalette.color(QPalette::Button));
    group.header->setPalette(headerPalette);

    group.body = new QWidget(this);
    group.body->setObjectName(QStringLiteral("eb_Body_") + sTitle);
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

    connect(group.header, &QToolButton::toggled, this, [this, sTitle](bool on) { SetGroupExpanded(sTitle, on); });
    m_groups.insert(sTitle, group);
    m_groupOrder.append(sTitle);
}

void ExplorerBar::AddItem(const QString& sGroup, const QString& sKey, const QString& sCaption, int nIcon)
{
    auto it = m_groups.find(sGroup);
    if (it == m_groups.end() || m_items.contains(sKey))
        return;
    auto* item = new ExplorerBarItem(iml_SmallIcons::Icon(nIcon), sCaption, it->body);
    item->setObjectName(QStringLiteral("eb_Main_") + sKey);
    it->bodyLayout->addWidget(item);
    it->keys.append(sKey);
    m_items.insert(sKey, item);
    m_itemIcons.insert(sKey, nIcon);
    connect(item, &ExplorerBarItem::clicked, this, [this, sKey] { Q_EMIT ItemClick(sKey); });
}

QStringList ExplorerBar::ItemKeys(const QString& sGroup) const
{
    return m_groups.value(sGroup).keys;
}

bool ExplorerBar::GroupExpanded(const QString& sGroup) const
{
    const auto it = m_groups.constFind(sGroup);
    return it != m_groups.constEnd() && !it->body->isHidden();
}

void ExplorerBar::SetGroupExpanded(const QString& sGroup, bool bExpanded)
{
    auto it = m_groups.find(sGroup);
    if (it == m_groups.end())
        return;
    it->body->setHidden(!bExpanded);
    it->header->setArrowType(bExpanded ? Qt::UpArrow : Qt::DownArrow);
    if (it->header->isChecked() != bExpanded)
        it->header->setChecked(bExpanded);
}

} // namespace brevane
