#pragma once

#include <QMap>
#include <QWidget>

class QLabel;
class QToolButton;
class QVBoxLayout;

namespace brevane {

// One item of the task pane: its icon and a caption that wraps instead of being cut off.
class ExplorerBarItem : public QWidget {
    Q_OBJECT
public:
    ExplorerBarItem(const QIcon& icon, const QString& sCaption, QWidget* parent = nullptr);
    QString text() const;

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* m_caption;
};

// The task pane: titled groups of clickable items, each with a key, a caption and an icon
// from the shared small-icon list. A click on a group's title folds the group.
class ExplorerBar : public QWidget {
    Q_OBJECT
public:
    // The pane's own colour, also what the start-up test looks for on screen.
    static constexpr QRgb BackgroundColour = 0xff6f94d8;

    explicit ExplorerBar(QWidget* parent = nullptr);

    // bSpecial draws the group's title in the stronger colours of a main group.
    void AddGroup(const QString& sTitle, bool bSpecial = false);
    void AddItem(const QString& sGroup, const QString& sKey, const QString& sCaption, int nIcon);

    QStringList GroupTitles() const { return m_groupOrder; }
    QStringList ItemKeys(const QString& sGroup) const;
    ExplorerBarItem* Item(const QString& sKey) const { return m_items.value(sKey); }
    int ItemIcon(const QString& sKey) const { return m_itemIcons.value(sKey, -1); }
    bool GroupExpanded(const QString& sGroup) const;
    void SetGroupExpanded(const QString& sGroup, bool bExpanded);

Q_SIGNALS:
    void ItemClick(const QString& sKey);

private:
    struct Group {
        QToolButton* header = nullptr;
        QWidget* body = nullptr;
        QVBoxLayout* bodyLayout = nullptr;
        QStringList keys;
    };

    QVBoxLayout* m_layout;
    QStringList m_groupOrder;
    QMap<QString, Group> m_groups;
    QMap<QString, ExplorerBarItem*> m_items;
    QMap<QString, int> m_itemIcons;
};

} // namespace brevane
