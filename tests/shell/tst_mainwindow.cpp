#include "shell/MainWindow.h"
#include "platform/ErrorLog.h"
#include "shell/ClickableLabel.h"
#include "shell/TaskPane.h"
#include "shell/FileListView.h"
#include "shell/TipsDialog.h"
#include "shell/WindowMenu.h"
#include "support/PlainFiles.h"
#include "support/ScriptedPrompts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QDropEvent>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QUrl>

using namespace brevane;

namespace {
const QString TipsKey = QStringLiteral("Options/Show Tips at Startup");

// Records every modal window the main window runs by its object name, then closes it.
void recordModals(MainWindow& form, QStringList& shown, std::function<void(QDialog&)> inside = {})
{
    form.runModal = [&shown, inside](QDialog& dialog) {
        shown.append(dialog.objectName());
        if (inside)
            inside(dialog);
    };
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
    void removeRows_data();
    void removeRows();
    void goAndProgram_data();
    void goAndProgram();
    void dropFiles();
    void untickedTipsStayOffUntilMoreTips();
    void tipsWaitForTheMainWindow();
    void pathTooltip_data();
    void pathTooltip();
    void alwaysOnTopKeepsTheNativeWindow();

private:
    test::ScriptedPrompts* m_prompts = nullptr;
    QTemporaryDir* m_dir = nullptr;
};

void tst_MainWindow::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    QVERIFY(QFile::copy(QStringLiteral(BREVANE_BINARY_DIR "/files.gif"), m_dir->filePath(QStringLiteral("files.gif"))));
    ErrorLog::setProgramFolder(m_dir->path());
    m_prompts = new test::ScriptedPrompts;
    m_prompts->settings.insert(TipsKey, QStringLiteral("0"));
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
    QTest::newRow("drive path, JPG") << "C:\\Pics\\Photo.JPG"
                                     << "Photo.JPG"
                                     << "C:\\Pics" << 6;
    QTest::newRow("cursor") << "/t/Icon.cur"
                            << "Icon.cur"
                            << "/t" << 5;
    QTest::newRow("bitmap, mixed case") << "/t/x.Bmp"
                                        << "x.Bmp"
                                        << "/t" << 1;
    QTest::newRow("jpeg has four letters: other") << "/t/p.jpeg"
                                                  << "p.jpeg"
                                                  << "/t" << 7;
}

void tst_MainWindow::addOneFile()
{
    QFETCH(QString, chosen);
    QFETCH(QString, text);
    QFETCH(QString, folderTag);
    QFETCH(int, icon);
    MainWindow form(*m_prompts);
    m_prompts->answerFile(chosen);
    form.addPictures();
    QCOMPARE(form.rows(), (QList<PictureRow> { { text, folderTag } }));
    QCOMPARE(form.rowPathColumn(1), folderTag);
    QCOMPARE(form.rowIcon(1), icon);
}

void tst_MainWindow::addSeveralKeepsFolderCaseAndDuplicates()
{
    QTemporaryDir pics;
    QDir(pics.path()).mkdir(QStringLiteral("Art"));
    const QString folder = QDir::toNativeSeparators(pics.filePath(QStringLiteral("Art")));
    const QString chosen = folder + test::nuls(QStringLiteral("#A.gif#B.png##"));
    MainWindow form(*m_prompts);
    for (int i = 0; i < 2; ++i) {
        m_prompts->answerFile(chosen);
        form.addPictures();
    }
    const QList<PictureRow> two { { QStringLiteral("A.gif"), folder }, { QStringLiteral("B.png"), folder } };
    QCOMPARE(form.rows(), two + two);
}

void tst_MainWindow::removeRows_data()
{
    QTest::addColumn<bool>("key");
    QTest::newRow("rows 1 and 3 by the menu") << false;
    QTest::newRow("rows 1 and 3 by the Delete key") << true;
}

void tst_MainWindow::removeRows()
{
    QFETCH(bool, key);
    MainWindow form(*m_prompts);
    for (int i = 1; i <= 3; ++i)
        form.addRow(QStringLiteral("%1.bmp").arg(i), QStringLiteral("/p"));
    form.fileList->clearSelection();
    for (int row : { 0, 2 })
        form.fileList->selectionModel()->select(
            form.fileList->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (key) {
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.fileList->setFocus();
        QTest::keyClick(form.fileList, Qt::Key_Delete);
    } else {
        form.removeAction->trigger();
    }
    QCOMPARE(form.rows(), (QList<PictureRow> { { QStringLiteral("2.bmp"), QStringLiteral("/p") } }));
}

void tst_MainWindow::goAndProgram_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("window"); // empty: a warning instead
    QTest::addColumn<bool>("previewEnabled");
    QTest::newRow("GO, empty list warns") << "GO" << 0 << "" << true;
    QTest::newRow("GO, one row") << "GO" << 1 << "frm_Customize" << true;
    QTest::newRow("GO, two rows: no preview") << "GO" << 2 << "frm_Customize" << false;
    QTest::newRow("Enter runs GO") << "<Enter>" << 1 << "frm_Customize" << true;
    QTest::newRow("PROGRAM") << "PROGRAM" << 0 << "frm_Multi" << true;
    QTest::newRow("ONE") << "ONE" << 0 << "frm_OnePicture" << true;
    QTest::newRow("ABOUT") << "ABOUT" << 0 << "frm_About" << true;
}

void tst_MainWindow::goAndProgram()
{
    QFETCH(QString, key);
    QFETCH(int, rows);
    QFETCH(QString, window);
    QFETCH(bool, previewEnabled);
    MainWindow form(*m_prompts);
    for (int i = 0; i < rows; ++i)
        form.addRow(QStringLiteral("p%1.bmp").arg(i), QStringLiteral("/Pictures%1").arg(i));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QStringList shown;
    QString path;
    bool preview = true;
    recordModals(form, shown, [&](QDialog& dialog) {
        if (auto* box = dialog.findChild<QLineEdit*>(QStringLiteral("txt_Path")))
            path = box->text();
        if (auto* pic = dialog.findChild<QWidget*>(QStringLiteral("pic_Hdc")))
            preview = pic->isEnabled();
    });
    if (key == QLatin1String("<Enter>"))
        QTest::keyClick(&form, Qt::Key_Return);
    else
        QTest::mouseClick(form.taskPane->item(key), Qt::LeftButton);
    QCOMPARE(shown, window.isEmpty() ? QStringList {} : QStringList { window });
    QCOMPARE(preview, previewEnabled);
    QCOMPARE(path, rows > 0 ? QStringLiteral("/Pictures0") : QString());
    QCOMPARE(m_prompts->messages.size(), window.isEmpty() ? 1 : 0);
    if (window.isEmpty())
        QCOMPARE(m_prompts->messages.first().text, QStringLiteral("There are no images in the list !"));
}

void tst_MainWindow::dropFiles()
{
    const QString file = m_dir->filePath(QStringLiteral("One.GIF"));
    QVERIFY(test::writeFile(file, {}));
    MainWindow form(*m_prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QMimeData data; // the folder is left out
    data.setUrls({ QUrl::fromLocalFile(file), QUrl::fromLocalFile(m_dir->path()) });
    QDragEnterEvent enter(QPoint(30, 30), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(form.fileList->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(30, 30), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(form.fileList->viewport(), &drop);
    QCOMPARE(
        form.rows(), (QList<PictureRow> { { QStringLiteral("One.GIF"), QDir::toNativeSeparators(m_dir->path()) } }));
}

void tst_MainWindow::untickedTipsStayOffUntilMoreTips()
{
    m_prompts->settings.remove(TipsKey);
    QStringList modals;
    {
        MainWindow first(*m_prompts);
        recordModals(first, modals, [](QDialog& tips) { static_cast<TipsDialog&>(tips).showAtStartupBox->click(); });
        first.showStartupTips();
        QCOMPARE(m_prompts->settings.value(TipsKey), QStringLiteral("0"));
    }
    MainWindow next(*m_prompts);
    recordModals(next, modals);
    next.showStartupTips();
    QCOMPARE(modals, QStringList { QStringLiteral("frm_Tips") });
    next.show();
    QVERIFY(QTest::qWaitForWindowExposed(&next));
    QTest::mouseClick(next.moreTipsLink, Qt::LeftButton); // "more tips !"
    QCOMPARE(m_prompts->settings.value(TipsKey), QStringLiteral("1"));
    QCOMPARE(modals.size(), 2);
}

void tst_MainWindow::tipsWaitForTheMainWindow()
{
    m_prompts->settings.remove(TipsKey);
    MainWindow form(*m_prompts);
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

void tst_MainWindow::pathTooltip_data()
{
    QTest::addColumn<int>("columnWidth");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("tooltip");
    // The list is 253 pixels wide and its name column 180: 300 pixels of Path reach past its edge.
    QTest::newRow("wide column, cut by the list's edge") << 300 << "/pictures/of/the/year/2024" << true;
    QTest::newRow("wide column, short path") << 300 << "/p" << false;
    QTest::newRow("narrow column") << 40 << "/pictures" << true;
}

void tst_MainWindow::pathTooltip()
{
    QFETCH(int, columnWidth);
    QFETCH(QString, path);
    QFETCH(bool, tooltip);
    MainWindow form(*m_prompts);
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

void tst_MainWindow::alwaysOnTopKeepsTheNativeWindow()
{
    MainWindow form(*m_prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const WId id = form.winId();
    const QRect before = form.geometry();
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
        QCOMPARE(form.geometry(), before);
    }
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
