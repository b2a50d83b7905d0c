#pragma once

#include <QObject>
#include <QPoint>
#include <QtGlobal>

class QAction;
class QMenu;
class QShortcut;
class QWidget;

namespace brevane {

// The desktop offers no reachable window menu of its own here, so the main window gets
// one: Minimize, Maximize/Restore, Close, a separator and "Always on Top". It opens with
// Alt+Space and from popup(); every entry goes through handleCommand(). The window owns it.
class WindowMenu : public QObject {
    Q_OBJECT
public:
    static constexpr qint32 SC_MINIMIZE = 0xF020;
    static constexpr qint32 SC_MAXIMIZE = 0xF030;
    static constexpr qint32 SC_CLOSE = 0xF060;
    static constexpr qint32 SC_RESTORE = 0xF120;
    static constexpr qint32 AlwaysOnTopCommand = 555;

    // Builds the menu and hooks Alt+Space on the window; "Always on Top" starts cleared.
    explicit WindowMenu(QWidget* window);

    // Takes the Alt+Space hook away again; the menu no longer opens, "Always on Top" no
    // longer reacts. Called when the window unloads.
    void unhook();

    // True while the window stays on top.
    bool isOnTop() const { return m_onTop; }
    // Carries out one window command; false when it is not one the menu knows.
    bool handleCommand(qint32 command);
    // Opens the menu at a global position (the window's top-left corner when null).
    void popup(QPoint globalPos = QPoint());
    // The menu's entry for a command.
    QAction* action(qint32 command) const;

private:
    QAction* append(const QString& text, qint32 command);
    void updateSizeItems();
    // Switches the window's stay-on-top hint on the native window as it is, without
    // re-creating it.
    void setStaysOnTop(bool onTop);

    QWidget* m_window;
    QMenu* m_menu;
    QShortcut* m_shortcut = nullptr;
    bool m_onTop = false;
};

} // namespace brevane
