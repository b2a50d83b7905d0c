#pragma once

#include <QMap>
#include <QWidget>

class QLabel;
class QToolButton;
class QVBoxLayout;

namespace brevane {

// One item of the task pane: its icon and a caption that wraps instead of being cut off.
class TaskPaneItem : public QWidget {
    Q_OBJECT
public:
    TaskPaneItem(const QIcon& icon, const QString& caption, QWidget* parent = nullptr);
    QString text() const;

Q_SIGNALS:
    void clicked();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* m_caption;
};

// The task pane: titled groups of clickable items, each with a key, a caption and an icon
// from the shared small-icon list. A click on a group's title folds the group.
class TaskPane : public QWidget {
    Q_OBJECT
public:
    // The pane's own colour, also what the start-up test looks for on screen.
    static constexpr QRgb BackgroundColour = 0xff6f94d8;

    explicit TaskPane(QWidget* parent = nullptr);

    // mainGroup draws the group's title in the stronger colours of a main group.
    void addGroup(const QString& title, bool mainGroup = false);
    void addItem(const QString& group, const QString& key, const QString& caption, int iconIndex);

    QStringList groupTitles() const { return m_groupOrder; }
    QStringList itemKeys(const QString& group) const;
    TaskPaneItem* item(const QString& key) const { return m_items.value(key); }
    int itemIcon(const QString& key) const { return m_itemIcons.value(key, -1); }
    // The group titles and items in the order Tab visits them.
    QList<QWidget*> focusChain() const;
    bool isGroupExpanded(const QString& group) const;
    void setGroupExpanded(const QString& group, bool expanded);

Q_SIGNALS:
    void itemClicked(const QString& key);

protected:
    // Enter on a group's title folds or unfolds it, as Space does.
    bool eventFilter(QObject* watched, QEvent* event) override;

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
    QMap<QString, TaskPaneItem*> m_items;
    QMap<QString, int> m_itemIcons;
};

} // namespace brevane
