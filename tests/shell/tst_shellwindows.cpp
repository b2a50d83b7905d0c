#include "platform/ErrorLog.h"
#include "shell/FileListView.h"
#include "shell/MainWindow.h"
#include "shell/WindowMenu.h"
#include "support/ScriptedPrompts.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QHelpEvent>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

using namespace brevane;

// Where the main window's windows go and what they keep.
class tst_ShellWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void tipsWaitForTheMainWindow();
    void pathTooltip_data();
    void pathTooltip();
    void alwaysOnTopKeepsTheNativeWindow();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    test::ScriptedPrompts m_prompts;
};

void tst_ShellWindows::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    ErrorLog::setProgramFolder(m_dir->path());
    m_prompts = test::ScriptedPrompts();
}

void tst_ShellWindows::tipsWaitForTheMainWindow()
{
    MainWindow form(m_prompts);
    QPoint tipsCentre;
    QStringList shown;
    form.runModal = [&](QDialog& dialog) {
        shown.append(dialog.objectName());
        dialog.show(); // placed as exec() would place it
        tipsCentre = dialog.frameGeometry().center();
        dialog.hide();
    };
    form.move(300, 200);
    form.show();
    form.showStartupTipsOnScreen();
    QVERIFY(shown.isEmpty()); // not before the window is on screen
    QTRY_COMPARE(shown, QStringList { QStringLiteral("frm_Tips") });
    QVERIFY2((tipsCentre - form.frameGeometry().center()).manhattanLength() <= 2,
        qPrintable(QStringLiteral("tips centred at %1,%2").arg(tipsCentre.x()).arg(tipsCentre.y())));
}

void tst_ShellWindows::pathTooltip_data()
{
    QTest::addColumn<int>("columnWidth");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("tooltip");
    // The list is 253 pixels wide and its name column 180: 300 pixels of Path reach past its edge.
    QTest::newRow("wide column, cut by the list's edge") << 300 << "/pictures/of/the/year/2024" << true;
    QTest::newRow("wide column, short path") << 300 << "/p" << false;
    QTest::newRow("narrow column") << 40 << "/pictures" << true;
}

void tst_ShellWindows::pathTooltip()
{
    QFETCH(int, columnWidth);
    QFETCH(QString, path);
    QFETCH(bool, tooltip);
    MainWindow form(m_prompts);
    form.addRow(QStringLiteral("a.bmp"), path);
    form.fileList->setColumnWidth(1, columnWidth);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QToolTip::hideText();
    QWidget* viewport = form.fileList->viewport();
    const QRect cell = form.fileList->visualItemRect(form.fileList->item(0, 1)).intersected(viewport->rect());
    QHelpEvent help(QEvent::ToolTip, cell.topLeft() + QPoint(4, 4), viewport->mapToGlobal(cell.topLeft()));
    QApplication::sendEvent(viewport, &help);
    QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), tooltip ? path : QString());
    QToolTip::hideText();
}

void tst_ShellWindows::alwaysOnTopKeepsTheNativeWindow()
{
    MainWindow form(m_prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const WId id = form.winId();
    QWindow* native = form.windowHandle();
    QAction* onTop = form.windowMenu().action(WindowMenu::AlwaysOnTopCommand);
    for (bool expected : { true, false }) {
        onTop->trigger();
        QCOMPARE(onTop->isChecked(), expected);
        QCOMPARE(form.windowHandle(), native);
        QCOMPARE(form.winId(), id);
        QCOMPARE(native->flags().testFlag(Qt::WindowStaysOnTopHint), expected);
        QCOMPARE(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint), expected);
        QVERIFY(form.isVisible());
    }
}

QTEST_MAIN(tst_ShellWindows)
#include "tst_shellwindows.moc"
