#include "platform/ErrorLog.h"
#include "shell/ClickableLabel.h"
#include "shell/FileListView.h"
#include "shell/MainWindow.h"
#include "shell/TaskPane.h"
#include "support/ScriptedPrompts.h"

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;

// The main window and the multi-page dialog used from the keyboard alone.
class tst_Keyboard : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup();

    void tabVisitsEveryCommand();
    void keyRunsFocused_data();
    void keyRunsFocused();
    void sharedAccessKeyMovesFocus();
    void popupFromKeyboard_data();
    void popupFromKeyboard();

private:
    QString focused() const
    {
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
    }
    void press(QKeySequence key) { QTest::keySequence(QApplication::focusWidget(), key); }
    // What the last key made happen: a window, a chooser, a message or a folded group.
    QString outcome() const
    {
        if (!m_modals.isEmpty())
            return m_modals.join(QLatin1Char(','));
        if (!m_prompts->fileRequests.isEmpty())
            return QStringLiteral("chooser");
        if (!m_prompts->messages.isEmpty())
            return m_prompts->messages.first().text;
        if (!m_form->taskPane->isGroupExpanded(QStringLiteral("Tasks")))
            return QStringLiteral("Tasks folded");
        return QString();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<test::ScriptedPrompts> m_prompts;
    std::unique_ptr<MainWindow> m_form;
    QStringList m_modals;
};

void tst_Keyboard::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    ErrorLog::setProgramFolder(m_dir->path());
    m_prompts = std::make_unique<test::ScriptedPrompts>();
    m_prompts->settings.insert(QStringLiteral("Options/Show Tips at Startup"), QStringLiteral("0"));
    m_modals.clear();
    m_form = std::make_unique<MainWindow>(*m_prompts);
    m_form->runModal = [this](QDialog& dialog) { m_modals.append(dialog.objectName()); };
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
}

void tst_Keyboard::cleanup()
{
    m_form.reset();
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

void tst_Keyboard::keyRunsFocused_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QKeySequence>("key");
    QTest::addColumn<QString>("result");
    QTest::newRow("Enter on About") << "eb_Main_ABOUT" << QKeySequence(Qt::Key_Return) << "frm_About";
    QTest::newRow("Space on the multi-page task") << "eb_Main_PROGRAM" << QKeySequence(Qt::Key_Space) << "frm_Multi";
    QTest::newRow("Enter on the one-picture task") << "eb_Main_ONE" << QKeySequence(Qt::Key_Return) << "frm_OnePicture";
    QTest::newRow("keypad Enter on Add images") << "eb_Main_ADD" << QKeySequence(Qt::Key_Enter) << "chooser";
    QTest::newRow("Enter on more tips !") << "Label2" << QKeySequence(Qt::Key_Return) << "frm_Tips";
    QTest::newRow("Enter on a group's title") << "eb_Group_Tasks" << QKeySequence(Qt::Key_Return) << "Tasks folded";
    QTest::newRow("Enter on the list is GO")
        << "lw_Files" << QKeySequence(Qt::Key_Return) << "There are no images in the list !";
}

void tst_Keyboard::keyRunsFocused()
{
    QFETCH(QString, target);
    QFETCH(QKeySequence, key);
    QFETCH(QString, result);
    m_form->findChild<QWidget*>(target)->setFocus(Qt::TabFocusReason);
    QCOMPARE(focused(), target);
    press(key);
    QCOMPARE(outcome(), result);
}

// "&About" and "&Add images" share Alt+A: each press moves on, Enter then runs the one reached.
void tst_Keyboard::sharedAccessKeyMovesFocus()
{
    const QKeySequence altA(Qt::ALT | Qt::Key_A);
    QStringList reached;
    for (int i = 0; i < 3; ++i) {
        press(altA);
        reached.append(focused());
    }
    QCOMPARE(QSet<QString>(reached.begin(), reached.end()), (QSet<QString> { "eb_Main_ADD", "eb_Main_ABOUT" }));
    QVERIFY(reached[0] != reached[1] && reached[0] == reached[2]);
    QVERIFY(outcome().isEmpty());
    press(Qt::Key_Return);
    QCOMPARE(outcome(),
        reached[2] == QLatin1String("eb_Main_ABOUT") ? QStringLiteral("frm_About") : QStringLiteral("chooser"));
    // A key of its own runs its command at once.
    press(QKeySequence(Qt::ALT | Qt::Key_G));
    QTRY_COMPARE(m_prompts->messages.size(), 1);
    QCOMPARE(m_prompts->messages.first().text, QStringLiteral("There are no images in the list !"));
}

void tst_Keyboard::popupFromKeyboard_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QKeySequence>("key");
    QTest::addColumn<QString>("menu");
    QTest::newRow("Shift+F10 on the list") << "lw_Files" << QKeySequence(Qt::SHIFT | Qt::Key_F10) << "mnu_Menu";
    QTest::newRow("Menu key on the list") << "lw_Files" << QKeySequence(Qt::Key_Menu) << "mnu_Menu";
    QTest::newRow("Shift+F10 on the tip strip") << "Label2" << QKeySequence(Qt::SHIFT | Qt::Key_F10) << "mnu_System";
    QTest::newRow("Menu key on the tip strip") << "Label2" << QKeySequence(Qt::Key_Menu) << "mnu_System";
}

void tst_Keyboard::popupFromKeyboard()
{
    QFETCH(QString, target);
    QFETCH(QKeySequence, key);
    QFETCH(QString, menu);
    m_form->addRow(QStringLiteral("a.bmp"), QStringLiteral("/p"));
    QMap<QString, int> opened;
    for (QMenu* each : m_form->findChildren<QMenu*>())
        connect(each, &QMenu::aboutToShow, this, [&opened, each] { ++opened[each->objectName()]; });
    m_form->findChild<QWidget*>(target)->setFocus(Qt::TabFocusReason);
    press(key);
    QCOMPARE(opened, (QMap<QString, int> { { menu, 1 } }));
    QTRY_VERIFY(QApplication::activePopupWidget());
    QApplication::activePopupWidget()->close();
    if (menu == QLatin1String("mnu_System")) // "Always on Top" is in it
        QVERIFY(m_form->findChild<QMenu*>(menu)->actions().last()->text() == QLatin1String("Always on Top"));
}

QTEST_MAIN(tst_Keyboard)
#include "tst_keyboard.moc"
