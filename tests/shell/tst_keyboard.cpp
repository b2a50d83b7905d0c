#include "platform/ErrorLog.h"
#include "shell/ClickableLabel.h"
#include "shell/FileListView.h"
#include "shell/MainWindow.h"
#include "shell/TaskPane.h"
#include "support/ScriptedPrompts.h"

#include <QApplication>
#include <QMenu>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;

// The main window used from the keyboard alone.
class tst_Keyboard : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void tabVisitsEveryCommand();
    void keys_data();
    void keys();

private:
    QString focused() const
    {
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
    }
    void press(QKeySequence key) { QTest::keySequence(QApplication::focusWidget(), key); }
    // What the keys made happen: windows or menus, a chooser, a message, a folded group.
    QString outcome() const
    {
        QStringList seen = m_modals;
        if (!m_prompts->fileRequests.isEmpty())
            seen.append(QStringLiteral("chooser"));
        if (!m_prompts->messages.isEmpty())
            seen.append(m_prompts->messages.first().text);
        if (!m_form->taskPane->isGroupExpanded(QStringLiteral("Tasks")))
            seen.append(QStringLiteral("Tasks folded"));
        return seen.join(QLatin1Char(','));
    }

    QTemporaryDir m_dir;
    std::unique_ptr<test::ScriptedPrompts> m_prompts;
    std::unique_ptr<MainWindow> m_form;
    QStringList m_modals;
};

void tst_Keyboard::init()
{
    m_form.reset();
    ErrorLog::setProgramFolder(m_dir.path());
    m_prompts = std::make_unique<test::ScriptedPrompts>();
    m_prompts->settings.insert(QStringLiteral("Options/Show Tips at Startup"), QStringLiteral("0"));
    m_modals.clear();
    m_form = std::make_unique<MainWindow>(*m_prompts);
    m_form->runModal = [this](QDialog& dialog) { m_modals.append(dialog.objectName()); };
    for (QMenu* menu : m_form->findChildren<QMenu*>())
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { m_modals.append(menu->objectName()); });
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
}

void tst_Keyboard::tabVisitsEveryCommand()
{
    // With cells to walk through, a list that took Tab for itself would keep it.
    m_form->addRow(QStringLiteral("a.bmp"), QStringLiteral("/p"));
    m_form->addRow(QStringLiteral("b.bmp"), QStringLiteral("/p"));
    m_form->fileList->setCurrentCell(0, 0);
    QCOMPARE(focused(), QStringLiteral("lw_Files"));
    QStringList visited;
    for (int i = 0; i < 10; ++i) {
        press(Qt::Key_Tab);
        visited.append(focused());
    }
    QCOMPARE(visited,
        (QStringList { "eb_Group_Commands", "eb_Main_ADD", "eb_Main_ABOUT", "eb_Main_EXIT", "eb_Group_Tasks",
            "eb_Main_GO", "eb_Main_PROGRAM", "eb_Main_ONE", "Label2", "lw_Files" }));
    QVERIFY(outcome().isEmpty());
}

void tst_Keyboard::keys_data()
{
    QTest::addColumn<QString>("target"); // focused first; empty: the list
    QTest::addColumn<QList<QKeySequence>>("keys");
    QTest::addColumn<QString>("result");
    const auto row = [](const char* name, const char* target, QList<QKeySequence> keys, const char* result) {
        QTest::newRow(name) << target << keys << result;
    };
    const QKeySequence enter(Qt::Key_Return), altA(Qt::ALT | Qt::Key_A);
    row("Enter on About", "eb_Main_ABOUT", { enter }, "frm_About");
    row("Space on the multi-page task", "eb_Main_PROGRAM", { Qt::Key_Space }, "frm_Multi");
    row("Enter on the one-picture task", "eb_Main_ONE", { enter }, "frm_OnePicture");
    row("keypad Enter on Add images", "eb_Main_ADD", { Qt::Key_Enter }, "chooser");
    row("Enter on more tips !", "Label2", { enter }, "frm_Tips");
    row("Enter on a group's title", "eb_Group_Tasks", { enter }, "Tasks folded");
    row("Enter on the list is GO", "lw_Files", { enter }, "There are no images in the list !");
    row("Shift+F10 on the list", "lw_Files", { Qt::SHIFT | Qt::Key_F10 }, "mnu_Menu");
    row("Menu key on the list", "lw_Files", { Qt::Key_Menu }, "mnu_Menu");
    row("Menu key on the tip strip", "Label2", { Qt::Key_Menu }, "mnu_System");
    row("Alt+G runs GO at once", "lw_Files", { Qt::ALT | Qt::Key_G }, "There are no images in the list !");
    // "&About" and "&Add images" share Alt+A: each press moves on, Enter runs the one reached.
    row("Alt+A twice and three times", "lw_Files", { altA, altA, enter, altA, enter }, "frm_About,chooser");
}

void tst_Keyboard::keys()
{
    QFETCH(QString, target);
    QFETCH(QList<QKeySequence>, keys);
    QFETCH(QString, result);
    m_form->findChild<QWidget*>(target)->setFocus(Qt::TabFocusReason);
    QCOMPARE(focused(), target);
    for (const QKeySequence& key : keys)
        press(key);
    QTRY_COMPARE(outcome(), result);
    if (QApplication::activePopupWidget())
        QApplication::activePopupWidget()->close();
}

QTEST_MAIN(tst_Keyboard)
#include "tst_keyboard.moc"
