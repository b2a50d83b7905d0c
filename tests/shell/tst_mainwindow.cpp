#include "shell/frm_Main.h"
#include "platform/mdl_ErrorHandle.h"
#include "shell/ClickableLabel.h"
#include "shell/ExplorerBar.h"
#include "shell/FileListView.h"
#include "shell/frm_Tips.h"
#include "shell/mdl_SystemMenu.h"
#include "support/PlainFiles.h"
#include "support/ScriptedPrompts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace brevane;

namespace {
const QString TipsKey = QStringLiteral("Options/Show Tips at Startup");

// Records every modal window the main window runs by its object name, then closes it.
void recordModals(frm_Main& form, QStringList& shown, std::function<void(QDialog&)> inside = {})
{
    form.runModal = [&shown, inside](QDialog& dialog) {
        shown.append(dialog.objectName());
        if (inside)
            inside(dialog);
    };
}

QStringList texts(const frm_Main& form)
{
    QStringList out;
    for (const PictureRow& row : form.Rows())
        out << row.text;
    return out;
}
}

class tst_MainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup();

    void addOneFile_data();
    void addOneFile();
    void addSeveralKeepsFolderCaseAndDuplicates();
    void addFailureIsReported_data();
    void addFailureIsReported();
    void removeRows_data();
    void removeRows();
    void popupOnRightClickOnly_data();
    void popupOnRightClickOnly();
    void taskItems_data();
    void taskItems();
    void goAndProgramOpenTheirWindows_data();
    void goAndProgramOpenTheirWindows();
    void enterAndEscape();
    void dropFiles();
    void startupTips_data();
    void startupTips();
    void untickedTipsStayOffUntilMoreTips();
    void alwaysOnTop();

private:
    test::ScriptedPrompts* m_prompts = nullptr;
    QTemporaryDir* m_dir = nullptr;
};

void tst_MainWindow::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    QVERIFY(QFile::copy(QStringLiteral(BREVANE_BINARY_DIR "/files.gif"), m_dir->filePath(QStringLiteral("files.gif"))));
    mdl_ErrorHandle::setProgramFolder(m_dir->path());
    m_prompts = new test::ScriptedPrompts;
    m_prompts->settings.insert(TipsKey, QStringLiteral("0"));
    frm_Tips::TipList.clear();
    frm_Tips::TipIndex = 0;
}

void tst_MainWindow::cleanup()
{
    delete m_prompts;
    delete m_dir;
}

void tst_MainWindow::addOneFile_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("folderTag");
    QTest::addColumn<int>("icon");
    QTest::newRow("drive path with backslashes") << "C:\\Pics\\Photo.JPG"
                                                 << "Photo.JPG"
                                                 << "C:\\Pics" << 6;
    QTest::newRow("unix path, case kept") << "/tmp/Pics/Photo.JPG"
                                          << "Photo.JPG"
                                          << "/tmp/Pics" << 6;
    QTest::newRow("file at the root keeps its separator") << "/logo.bmp"
                                                          << "logo.bmp"
                                                          << "/" << 1;
    QTest::newRow("cursor") << "/t/Icon.cur"
                            << "Icon.cur"
                            << "/t" << 5;
    QTest::newRow("icon, capitals") << "/t/a.ICO"
                                    << "a.ICO"
                                    << "/t" << 5;
    QTest::newRow("bitmap, mixed case") << "/t/x.Bmp"
                                        << "x.Bmp"
                                        << "/t" << 1;
    QTest::newRow("jpeg has four letters: other") << "/t/p.jpeg"
                                                  << "p.jpeg"
                                                  << "/t" << 7;
    QTest::newRow("gif") << "/t/a.gif"
                         << "a.gif"
                         << "/t" << 4;
    QTest::newRow("emf") << "/t/a.emf"
                         << "a.emf"
                         << "/t" << 3;
    QTest::newRow("dib") << "/t/a.dib"
                         << "a.dib"
                         << "/t" << 2;
    QTest::newRow("wmf") << "/t/a.wmf"
                         << "a.wmf"
                         << "/t" << 0;
    QTest::newRow("last three letters without a dot") << "/t/notabmp"
                                                      << "notabmp"
                                                      << "/t" << 1;
    QTest::newRow("shorter than three letters") << "/t/ab"
                                                << "ab"
                                                << "/t" << 7;
}

void tst_MainWindow::addOneFile()
{
    QFETCH(QString, chosen);
    QFETCH(QString, text);
    QFETCH(QString, folderTag);
    QFETCH(int, icon);
    frm_Main form(*m_prompts);
    m_prompts->answerFile(chosen);
    form.Command4_Click();
    QCOMPARE(m_prompts->fileRequests.first().mode, FileChooserRequest::Mode::OpenMultiple);
    QCOMPARE(form.ListCount(), 1);
    QCOMPARE(form.Row(1), (PictureRow { text, folderTag }));
    QCOMPARE(form.RowPathColumn(1), folderTag);
    QCOMPARE(form.RowIcon(1), icon);
    QVERIFY(m_prompts->messages.isEmpty());
}

void tst_MainWindow::addSeveralKeepsFolderCaseAndDuplicates()
{
    QTemporaryDir pics;
    QDir(pics.path()).mkdir(QStringLiteral("Art"));
    const QString folder = QDir::toNativeSeparators(pics.filePath(QStringLiteral("Art")));
    frm_Main form(*m_prompts);
    form.AddRow(QStringLiteral("old.bmp"), QStringLiteral("/old"));
    m_prompts->answerFile(folder + test::nuls(QStringLiteral("#A.gif#B.png##")));
    form.Command4_Click();
    QCOMPARE(form.Rows(),
        (QList<PictureRow> { { QStringLiteral("old.bmp"), QStringLiteral("/old") }, { QStringLiteral("A.gif"), folder },
            { QStringLiteral("B.png"), folder } }));
    QCOMPARE(form.RowIcon(3), 7);
    QCOMPARE(form.Row(3).fullPath(), folder + QDir::separator() + QStringLiteral("B.png"));
    // A cancelled chooser adds nothing; the same pictures again are added again.
    m_prompts->cancelFile();
    form.Command4_Click();
    QCOMPARE(form.ListCount(), 3);
    m_prompts->answerFile(folder + test::nuls(QStringLiteral("#A.gif#B.png##")));
    form.Command4_Click();
    QCOMPARE(form.Rows().mid(3), form.Rows().mid(1, 2));
}

void tst_MainWindow::addFailureIsReported_data()
{
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<int>("reports");
    QTest::newRow("abort") << MsgAnswer::Abort << 1;
    QTest::newRow("ignore") << MsgAnswer::Ignore << 1;
    QTest::newRow("retry, then abort") << MsgAnswer::Retry << 2;
}

void tst_MainWindow::addFailureIsReported()
{
    QFETCH(MsgAnswer, answer);
    QFETCH(int, reports);
    frm_Main form(*m_prompts);
    // A selection that fills the buffer to its last character leaves no NUL pair to split at.
    m_prompts->answerFile(QStringLiteral("/tmp/") + QString(8192 - 5, QLatin1Char('x')));
    m_prompts->answers << answer << MsgAnswer::Abort;
    form.Command4_Click();
    QCOMPARE(form.ListCount(), 0);
    QCOMPARE(m_prompts->messages.size(), reports);
    QVERIFY(m_prompts->messages.first().text.endsWith(QStringLiteral("\r\n5:2\r\nInvalid procedure call or argument")));
    const QStringList lines = test::logLines(m_dir->filePath(QStringLiteral("program.log")));
    QCOMPARE(lines.size(), reports);
    for (const QString& line : lines)
        QVERIFY2(line.endsWith(QStringLiteral(":{5F9DC491-1691-4A9F-A8D2-F66856159B3F}:2:5")), qPrintable(line));
}

void tst_MainWindow::removeRows_data()
{
    QTest::addColumn<QList<int>>("selected"); // 0-based, of three rows
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("left");
    const QStringList two { "2.bmp" };
    QTest::newRow("rows 1 and 3 by the menu") << QList<int> { 0, 2 } << "menu" << two;
    QTest::newRow("rows 1 and 3 by the Delete key") << QList<int> { 0, 2 } << "key" << two;
    QTest::newRow("nothing selected") << QList<int> {} << "menu" << QStringList { "1.bmp", "2.bmp", "3.bmp" };
    QTest::newRow("Clear empties the list") << QList<int> {} << "clear" << QStringList {};
}

void tst_MainWindow::removeRows()
{
    QFETCH(QList<int>, selected);
    QFETCH(QString, how);
    QFETCH(QStringList, left);
    frm_Main form(*m_prompts);
    for (int i = 1; i <= 3; ++i)
        form.AddRow(QStringLiteral("%1.bmp").arg(i), QStringLiteral("/p"));
    form.lw_Files->clearSelection();
    for (int row : selected)
        form.lw_Files->selectionModel()->select(
            form.lw_Files->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (how == QLatin1String("key")) {
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.lw_Files->setFocus();
        QTest::keyClick(form.lw_Files, Qt::Key_Delete);
    } else {
        (how == QLatin1String("clear") ? form.mnu_Clear : form.mnu_Del)->trigger();
    }
    QCOMPARE(texts(form), left);
}

void tst_MainWindow::popupOnRightClickOnly_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("opens");
    QTest::newRow("right button") << Qt::RightButton << true;
    QTest::newRow("left button") << Qt::LeftButton << false;
}

void tst_MainWindow::popupOnRightClickOnly()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, opens);
    frm_Main form(*m_prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QSignalSpy shown(form.mnu_Menu, &QMenu::aboutToShow);
    QTest::mouseClick(form.lw_Files->viewport(), button, {}, QPoint(40, 40));
    QCOMPARE(shown.size(), opens ? 1 : 0);
    form.mnu_Menu->hide();
}

void tst_MainWindow::taskItems_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("effect");
    QTest::newRow("ADD asks for files") << "ADD"
                                        << "chooser";
    QTest::newRow("ABOUT shows the About box") << "ABOUT"
                                               << "frm_About";
    QTest::newRow("EXIT closes") << "EXIT"
                                 << "closed";
    QTest::newRow("GO on an empty list warns") << "GO"
                                               << "There are no images in the list !";
    QTest::newRow("keys are case-sensitive") << "add"
                                             << "";
}

void tst_MainWindow::taskItems()
{
    QFETCH(QString, key);
    QFETCH(QString, effect);
    frm_Main form(*m_prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QStringList effects;
    recordModals(form, effects);
    if (ExplorerBarItem* item = form.eb_Main->Item(key))
        QTest::mouseClick(item, Qt::LeftButton);
    else
        form.eb_Main_ItemClick(key);
    if (!m_prompts->fileRequests.isEmpty())
        effects << QStringLiteral("chooser");
    if (!form.isVisible())
        effects << QStringLiteral("closed");
    for (const test::ShownMessage& shown : m_prompts->messages) {
        effects << shown.text;
        QCOMPARE(shown.title, QStringLiteral("Brevane"));
        QCOMPARE(shown.icon, MsgIcon::Exclamation);
    }
    QCOMPARE(effects.join(QLatin1Char(',')), effect);
}

void tst_MainWindow::goAndProgramOpenTheirWindows_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("previewEnabled");
    QTest::newRow("GO, one row") << "GO" << 1 << "frm_Customize" << true;
    QTest::newRow("GO, two rows: no preview") << "GO" << 2 << "frm_Customize" << false;
    QTest::newRow("PROGRAM") << "PROGRAM" << 0 << "frm_Multi" << true;
}

void tst_MainWindow::goAndProgramOpenTheirWindows()
{
    QFETCH(QString, key);
    QFETCH(int, rows);
    QFETCH(QString, window);
    QFETCH(bool, previewEnabled);
    frm_Main form(*m_prompts);
    for (int i = 0; i < rows; ++i)
        form.AddRow(QStringLiteral("p%1.bmp").arg(i), QStringLiteral("/Pictures%1").arg(i));
    QStringList shown;
    QString path;
    bool preview = true;
    bool label = true;
    recordModals(form, shown, [&](QDialog& dialog) {
        if (auto* box = dialog.findChild<QLineEdit*>(QStringLiteral("txt_Path")))
            path = box->text();
        if (auto* pic = dialog.findChild<QWidget*>(QStringLiteral("pic_Hdc")))
            preview = pic->isEnabled();
        if (auto* lbl = dialog.findChild<QWidget*>(QStringLiteral("lbl_Pic")))
            label = lbl->isEnabled();
    });
    form.eb_Main_ItemClick(key);
    QCOMPARE(shown, QStringList { window });
    QCOMPARE(preview, previewEnabled);
    QCOMPARE(label, previewEnabled);
    QCOMPARE(path, rows > 0 ? QStringLiteral("/Pictures0") : QString());
    QVERIFY(m_prompts->messages.isEmpty());
}

void tst_MainWindow::enterAndEscape()
{
    frm_Main form(*m_prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_Return); // GO
    QCOMPARE(m_prompts->messages.size(), 1);
    QCOMPARE(m_prompts->messages.first().text, QStringLiteral("There are no images in the list !"));
    QTest::keyClick(&form, Qt::Key_Escape);
    QVERIFY(!form.isVisible());
}

void tst_MainWindow::dropFiles()
{
    QTemporaryDir pics;
    QDir(pics.path()).mkdir(QStringLiteral("Mixed Case"));
    const QString folder = pics.filePath(QStringLiteral("Mixed Case"));
    QVERIFY(test::writeFile(folder + QStringLiteral("/one.GIF"), {}));
    QVERIFY(test::writeFile(folder + QStringLiteral("/two.cur"), {}));
    frm_Main form(*m_prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    // Folders and remote addresses are left out.
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(folder + QStringLiteral("/one.GIF")), QUrl::fromLocalFile(folder),
        QUrl::fromLocalFile(folder + QStringLiteral("/two.cur")), QUrl(QStringLiteral("https://example.org/x.bmp")) });
    const QPoint at(30, 30);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(form.lw_Files->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(form.lw_Files->viewport(), &drop);
    const QString tag = QDir::toNativeSeparators(folder);
    QCOMPARE(
        form.Rows(), (QList<PictureRow> { { QStringLiteral("one.GIF"), tag }, { QStringLiteral("two.cur"), tag } }));
    QCOMPARE(form.RowIcon(2), 5);
}

void tst_MainWindow::startupTips_data()
{
    QTest::addColumn<QString>("setting"); // "-" for none
    QTest::addColumn<bool>("shown");
    QTest::newRow("absent") << "-" << true;
    QTest::newRow("1") << "1" << true;
    QTest::newRow("0") << "0" << false;
    QTest::newRow("not a number") << "maybe" << false;
}

void tst_MainWindow::startupTips()
{
    QFETCH(QString, setting);
    QFETCH(bool, shown);
    if (setting == QLatin1String("-"))
        m_prompts->settings.remove(TipsKey);
    else
        m_prompts->settings.insert(TipsKey, setting);
    frm_Main form(*m_prompts);
    QStringList modals;
    recordModals(form, modals);
    form.ShowStartupTips();
    QCOMPARE(modals, shown ? QStringList { QStringLiteral("frm_Tips") } : QStringList {});
}

void tst_MainWindow::untickedTipsStayOffUntilMoreTips()
{
    m_prompts->settings.remove(TipsKey);
    {
        frm_Main first(*m_prompts);
        QStringList modals;
        recordModals(first, modals, [](QDialog& dialog) {
            static_cast<frm_Tips&>(dialog).chkLoadTipsAtStartup->click();
            dialog.accept();
        });
        first.ShowStartupTips();
        QCOMPARE(modals.size(), 1);
        QCOMPARE(m_prompts->settings.value(TipsKey), QStringLiteral("0"));
    }
    frm_Main next(*m_prompts);
    QStringList modals;
    recordModals(next, modals);
    next.ShowStartupTips();
    QVERIFY(modals.isEmpty());

    next.show();
    QVERIFY(QTest::qWaitForWindowExposed(&next));
    QTest::mouseClick(next.Label2, Qt::LeftButton); // "more tips !"
    QCOMPARE(m_prompts->settings.value(TipsKey), QStringLiteral("1"));
    QCOMPARE(modals, QStringList { QStringLiteral("frm_Tips") });
}

void tst_MainWindow::alwaysOnTop()
{
    frm_Main form(*m_prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QSignalSpy menuShown(mdl_SystemMenu::SystemMenuHandle, &QMenu::aboutToShow);
    QTest::keyClick(&form, Qt::Key_Space, Qt::AltModifier);
    QCOMPARE(menuShown.size(), 1);
    mdl_SystemMenu::SystemMenuHandle->hide();

    const QRect before = form.geometry();
    QAction* onTop = mdl_SystemMenu::MenuItem(mdl_SystemMenu::OnTopItemId);
    QVERIFY(onTop && !onTop->isChecked());
    for (bool expected : { true, false, true }) {
        onTop->trigger();
        QCOMPARE(mdl_SystemMenu::OnTopState, expected);
        QCOMPARE(onTop->isChecked(), expected);
        QCOMPARE(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint), expected);
        QVERIFY(form.isVisible());
        QCOMPARE(form.geometry(), before);
    }
    // The hook passes the other commands through, also while the window stays on top.
    mdl_SystemMenu::MenuItem(mdl_SystemMenu::SC_MAXIMIZE)->trigger();
    QVERIFY(form.isMaximized());
    mdl_SystemMenu::MenuItem(mdl_SystemMenu::SC_RESTORE)->trigger();
    QVERIFY(!form.isMaximized());
    mdl_SystemMenu::MenuItem(mdl_SystemMenu::SC_CLOSE)->trigger();
    QVERIFY(!form.isVisible());
    QVERIFY(!mdl_SystemMenu::PreviousWindowProc);
    // Once unhooked, the entry no longer toggles anything.
    onTop->trigger();
    QCOMPARE(mdl_SystemMenu::OnTopState, true);
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
