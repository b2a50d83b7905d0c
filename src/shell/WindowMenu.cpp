#include "shell/WindowMenu.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QShortcut>
#include <QWidget>
#include <QWindow>

namespace brevane {

WindowMenu::WindowMenu(QWidget* window)
    : QObject(window)
    , m_window(window)
    , m_menu(new QMenu(window))
{
    m_menu->setObjectName(QStringLiteral("mnu_System"));
    append(QStringLiteral("&Restore"), SC_RESTORE);
    append(QStringLiteral("Mi&nimize"), SC_MINIMIZE);
    append(QStringLiteral("Ma&ximize"), SC_MAXIMIZE);
    append(QStringLiteral("&Close"), SC_CLOSE);
    m_menu->addSeparator();
    QAction* onTop = append(QStringLiteral("Always on Top"), AlwaysOnTopCommand);
    onTop->setCheckable(true);
    onTop->setChecked(false);
    connect(m_menu, &QMenu::aboutToShow, this, &WindowMenu::updateSizeItems);
    updateSizeItems();

    m_shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), window);
    m_shortcut->setObjectName(QStringLiteral("sc_SystemMenu"));
    connect(m_shortcut, &QShortcut::activated, this, [this] { popup(); });
}

void WindowMenu::unhook()
{
    delete m_shortcut;
    m_shortcut = nullptr;
}

QAction* WindowMenu::append(const QString& text, qint32 command)
{
    QAction* item = m_menu->addAction(text);
    item->setData(command);
    item->setObjectName(QStringLiteral("mnu_System_%1").arg(command));
    connect(item, &QAction::triggered, this, [this, command] { handleCommand(command); });
    return item;
}

QAction* WindowMenu::action(qint32 command) const
{
    for (QAction* item : m_menu->actions()) {
        if (!item->isSeparator() && item->data().toInt() == command)
            return item;
    }
    return nullptr;
}

void WindowMenu::updateSizeItems()
{
    const bool maximized = m_window->isMaximized() || m_window->isMinimized();
    if (QAction* item = action(SC_MAXIMIZE))
        item->setVisible(!maximized);
    if (QAction* item = action(SC_RESTORE))
        item->setVisible(maximized);
}

void WindowMenu::setStaysOnTop(bool onTop)
{
    Qt::WindowFlags flags = m_window->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    QWindow* native = m_window->windowHandle();
    if (!native) {
        m_window->setWindowFlags(flags); // nothing on screen yet that could be re-created
        return;
    }
    // QWidget::setWindowFlags would hide the window and make a new native one. The native
    // window takes the hint as it stands instead: on X11 that is a request to the window
    // manager to add or remove its "above" state.
    m_window->overrideWindowFlags(flags);
    native->setFlags(flags);
}

bool WindowMenu::handleCommand(qint32 command)
{
    switch (command) {
    case AlwaysOnTopCommand:
        if (!m_shortcut)
            return false;
        m_onTop = !m_onTop;
        if (QAction* item = action(AlwaysOnTopCommand))
            item->setChecked(m_onTop);
        setStaysOnTop(m_onTop);
        return true;
    case SC_MINIMIZE:
        m_window->showMinimized();
        return true;
    case SC_MAXIMIZE:
        m_window->showMaximized();
        return true;
    case SC_RESTORE:
        m_window->showNormal();
        return true;
    case SC_CLOSE:
        m_window->close();
        return true;
    default:
        return false;
    }
}

void WindowMenu::popup(QPoint globalPos)
{
    if (!m_shortcut)
        return;
    m_menu->popup(globalPos.isNull() ? m_window->mapToGlobal(QPoint(0, 0)) : globalPos);
}

} // namespace brevane
