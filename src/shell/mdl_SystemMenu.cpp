#include "shell/mdl_SystemMenu.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QPointer>
#include <QShortcut>
#include <QWidget>

namespace brevane::mdl_SystemMenu {

bool OnTopState = false;
QPointer<QMenu> SystemMenuHandle;
qint32 OnTopItemId = 0;
QPointer<QObject> PreviousWindowProc;

namespace {
    QPointer<QWidget> hookedWindow;

    void CheckMenuItem(qint32 nCommand, bool bChecked)
    {
        if (QAction* item = MenuItem(nCommand))
            item->setChecked(bChecked);
    }

    // Switches the window's stay-on-top hint. Changing window flags may hide and re-create
    // the native window, so position, size and visibility are put back as they were.
    void SetWindowPos(QWidget* hWnd, bool bTopmost)
    {
        const QRect geometry = hWnd->geometry();
        const bool visible = hWnd->isVisible();
        const Qt::WindowStates states = hWnd->windowState();
        hWnd->setWindowFlag(Qt::WindowStaysOnTopHint, bTopmost);
        if (visible && !hWnd->isVisible()) {
            hWnd->setGeometry(geometry);
            hWnd->setWindowState(states);
            hWnd->show();
        } else if (hWnd->geometry() != geometry && states == Qt::WindowNoState) {
            hWnd->setGeometry(geometry);
        }
    }

    void UpdateSizeItems(QWidget* hWnd)
    {
        if (!SystemMenuHandle)
            return;
        const bool maximized = hWnd->isMaximized() || hWnd->isMinimized();
        if (QAction* item = MenuItem(SC_MAXIMIZE))
            item->setVisible(!maximized);
        if (QAction* item = MenuItem(SC_RESTORE))
            item->setVisible(maximized);
    }

    // The window's own handling of the standard commands.
    qint32 CallWindowProc(QWidget* hWnd, quint32 uMsg, qint32 wParam)
    {
        if (uMsg != WM_SYSCOMMAND)
            return 1;
        switch (wParam) {
        case SC_MINIMIZE:
            hWnd->showMinimized();
            return 0;
        case SC_MAXIMIZE:
            hWnd->showMaximized();
            return 0;
        case SC_RESTORE:
            hWnd->showNormal();
            return 0;
        case SC_CLOSE:
            hWnd->close();
            return 0;
        default:
            return 1;
        }
    }

    QAction* AppendMenu(QWidget* hWnd, const QString& sText, qint32 nCommand)
    {
        QAction* item = SystemMenuHandle->addAction(sText);
        item->setData(nCommand);
        item->setObjectName(QStringLiteral("mnu_System_%1").arg(nCommand));
        QObject::connect(item, &QAction::triggered, hWnd,
            [hWnd, nCommand] { AlwaysOnTopWindowProc(hWnd, WM_SYSCOMMAND, nCommand, 0); });
        return item;
    }
}

QAction* MenuItem(qint32 nCommand)
{
    if (!SystemMenuHandle)
        return nullptr;
    for (QAction* item : SystemMenuHandle->actions()) {
        if (!item->isSeparator() && item->data().toInt() == nCommand)
            return item;
    }
    return nullptr;
}

void AddAlwaysOnTopItem(QWidget* hWnd)
{
    if (!hWnd)
        return;
    OnTopState = false;
    delete SystemMenuHandle.data();
    delete PreviousWindowProc.data();
    SystemMenuHandle = new QMenu(hWnd);
    SystemMenuHandle->setObjectName(QStringLiteral("mnu_System"));
    AppendMenu(hWnd, QStringLiteral("&Restore"), SC_RESTORE);
    AppendMenu(hWnd, QStringLiteral("Mi&nimize"), SC_MINIMIZE);
    AppendMenu(hWnd, QStringLiteral("Ma&ximize"), SC_MAXIMIZE);
    AppendMenu(hWnd, QStringLiteral("&Close"), SC_CLOSE);
    SystemMenuHandle->addSeparator();
    QAction* onTop = AppendMenu(hWnd, QStringLiteral("Always on Top"), AlwaysOnTopCommand);
    onTop->setCheckable(true);
    onTop->setChecked(false);
    OnTopItemId = onTop->data().toInt();
    QObject::connect(SystemMenuHandle, &QMenu::aboutToShow, hWnd, [hWnd] { UpdateSizeItems(hWnd); });
    UpdateSizeItems(hWnd);

    auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), hWnd);
    shortcut->setObjectName(QStringLiteral("sc_SystemMenu"));
    QObject::connect(shortcut, &QShortcut::activated, hWnd, [hWnd] { ShowSystemMenu(hWnd); });
    PreviousWindowProc = shortcut;
    hookedWindow = hWnd;
}

void RemoveAlwaysOnTopHook(QWidget* hWnd)
{
    if (!PreviousWindowProc || hookedWindow != hWnd)
        return;
    delete PreviousWindowProc.data();
    PreviousWindowProc = nullptr;
    hookedWindow = nullptr;
}

qint32 AlwaysOnTopWindowProc(QWidget* hWnd, quint32 uMsg, qint32 wParam, qint32 lParam)
{
    Q_UNUSED(lParam);
    if (!hWnd)
        return 1;
    if (uMsg == WM_SYSCOMMAND && wParam == OnTopItemId && PreviousWindowProc) {
        if (OnTopState) {
            CheckMenuItem(OnTopItemId, false);
            SetWindowPos(hWnd, false);
        } else {
            CheckMenuItem(OnTopItemId, true);
            SetWindowPos(hWnd, true);
        }
        OnTopState = !OnTopState;
        return 0;
    }
    return CallWindowProc(hWnd, uMsg, wParam);
}

void ShowSystemMenu(QWidget* hWnd, QPoint globalPos)
{
    if (!SystemMenuHandle || !hWnd || hookedWindow != hWnd)
        return;
    SystemMenuHandle->popup(globalPos.isNull() ? hWnd->mapToGlobal(QPoint(0, 0)) : globalPos);
}

} // namespace brevane::mdl_SystemMenu
