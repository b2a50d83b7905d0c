#pragma once

#include <QMenu>
#include <QPoint>
#include <QPointer>
#include <QtGlobal>

class QAction;
class QObject;
class QWidget;

namespace brevane::mdl_SystemMenu {

// The desktop offers no reachable window menu of its own here, so the main window gets
// one: Minimize, Maximize/Restore, Close, a separator and "Always on Top". It opens with
// Alt+Space and from ShowSystemMenu; every entry goes through AlwaysOnTopWindowProc.

inline constexpr quint32 WM_SYSCOMMAND = 0x112;
inline constexpr qint32 SC_MINIMIZE = 0xF020;
inline constexpr qint32 SC_MAXIMIZE = 0xF030;
inline constexpr qint32 SC_CLOSE = 0xF060;
inline constexpr qint32 SC_RESTORE = 0xF120;
inline constexpr qint32 AlwaysOnTopCommand = 555;

// True while the window stays on top; false after installation.
extern bool OnTopState;
// The hooked window's menu; null until installed.
extern QPointer<QMenu> SystemMenuHandle;
// The command the window procedure reacts to.
extern qint32 OnTopItemId;
// What handled the window's commands before the hook (the window's own handling); null
// until the hook is installed.
extern QPointer<QObject> PreviousWindowProc;

void AddAlwaysOnTopItem(QWidget* hWnd);
void RemoveAlwaysOnTopHook(QWidget* hWnd);
// Handles one window command; 0 when it was handled.
qint32 AlwaysOnTopWindowProc(QWidget* hWnd, quint32 uMsg, qint32 wParam, qint32 lParam);

// Opens the window menu at a global position (the window's top-left corner when null).
void ShowSystemMenu(QWidget* hWnd, QPoint globalPos = QPoint());
// The menu's entry for a command, for the window and its tests.
QAction* MenuItem(qint32 nCommand);

} // namespace brevane::mdl_SystemMenu
