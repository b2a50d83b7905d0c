#include "shell/frm_Main.h"
#include "platform/mdl_ErrorHandle.h"
#include "shell/ClickableLabel.h"
#include "shell/ExplorerBar.h"
#include "shell/FileListView.h"
#include "shell/frm_About.h"
#include "shell/frm_Tips.h"
#include "shell/mdl_SystemMenu.h"
#include "support/ScriptedPrompts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace brevane;

namespace {
const QChar Nul(u'\0');
const QString TipsKey = QStringLiteral("Options/Show Tips at Startup");

QString nuls(QString s)
{
    s.replace(QLatin1Char('#'), Nul);
    return s;
}

QStringList logLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLocal8Bit(file.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Every modal window the main window runs is recorded by its object name and closed.
struct ModalRecorder {
    QStringList shown;
    std::function<void(QDialog&)> inside;

    void attach(frm_Main& form)
    {
        form.runModal = [this](QDialog& dialog) {
            shown.append(dialog.objectName());
            if (inside)
                inside(dialog);
        };
    }
};
}

class tst_MainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void windowSetUp();
    void taskPane();
    void addOneFile_data();
    void addOneFile();
    void addSeveralKeepsFolderCase();
    void duplicatesAllowed();
    void fileTypeIcons_data();
    void fileTypeIcons();
    void addCancelled();
    void addRequest();
    void addFailureIsReported_data();
    void addFailureIsReported();
    void removeSelected_data();
    void removeSelected();
    void clearList();
    void popupOnRightClickOnly_data();
    void popupOnRightClickOnly();
    void goOnEmptyList();
    void goOpensOptions_data();
    void goOpensOptions();
    void taskItemsDispatch_data();
    void taskItemsDispatch();
    void enterAndEscape();
    void dropFiles();
    void cutOffTextsGetTooltips();
    void startupTips_data();
    void startupTips();
    void untickedTipsStayOffUntilMoreTips();
    void alwaysOnTop();
    void windowMenuOpens();
    void windowMenuCommands();

private:
    test::ScriptedPrompts* m_prompts = nullptr;
    QTemporaryDir* m_dir = nullptr;
};

void tst_MainWindow::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

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
    m_prompts = nullptr;
    delete m_dir;
    m_dir = nullptr;
}

void tst_MainWindow::windowSetUp()
{
    frm_Main form(*m_prompts);
    QCOMPARE(form.windowTitle(), QStringLiteral("Brevane v.2.0 ::: Picture to icon"));
    QCOMPARE(form.lw_Files->columnCount(), 2);
    QCOMPARE(form.lw_Files->horizontalHeaderItem(0)->text(), QStringLiteral("File name"));
    QCOMPARE(form.lw_Files->horizontalHeaderItem(1)->text(), QStringLiteral("Path"));
    QCOMPARE(form.lw_Files->columnWidth(0), 180);
    QCOMPARE(form.lw_Files->columnWidth(1), 300);
    QVERIFY(form.lw_Files->showGrid());
    QCOMPARE(form.lw_Files->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(form.lw_Files->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(!form.lw_Files->BackgroundPicture().isNull());
    QCOMPARE(form.Label1->text(), QStringLiteral("Image files"));
    QCOMPARE(form.Label2->text(), QStringLiteral("more tips !"));
    QVERIFY(form.lbl_Info->text().startsWith(QStringLiteral("TIP: Images can be any size")));
    QCOMPARE(form.Command1->text(), QStringLiteral("&GO !"));
    QCOMPARE(form.Command1->toolTip(), QStringLiteral("Convert files to icons"));
    QCOMPARE(form.Command3->toolTip(), QStringLiteral("Closes the program"));
    QCOMPARE(form.Command4->toolTip(), QStringLiteral("Add files"));
    const QStringList entries { form.mnu_Clear->text(), form.mnu_Del->text(), form.mnu_Add->text() };
    QCOMPARE(
        entries, (QStringList { QStringLiteral("&Clear"), QStringLiteral("&Remove"), QStringLiteral("&Add more") }));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.lw_Files->geometry(), QRect(3, 66, 253, 238));
    QCOMPARE(form.eb_Main->geometry(), QRect(261, 48, 187, 256));
}

void tst_MainWindow::taskPane()
{
    frm_Main form(*m_prompts);
    QCOMPARE(form.eb_Main->GroupTitles(), (QStringList { QStringLiteral("Commands"), QStringLiteral("Tasks") }));
    QCOMPARE(form.eb_Main->ItemKeys(QStringLiteral("Commands")),
        (QStringList { QStringLiteral("ADD"), QStringLiteral("ABOUT"), QStringLiteral("EXIT") }));
    QCOMPARE(form.eb_Main->ItemKeys(QStringLiteral("Tasks")),
        (QStringList { QStringLiteral("GO"), QStringLiteral("PROGRAM") }));
    const QList<std::pair<QString, int>> icons { { QStringLiteral("ADD"), 8 }, { QStringLiteral("ABOUT"), 9 },
        { QStringLiteral("EXIT"), 10 }, { QStringLiteral("GO"), 11 }, { QStringLiteral("PROGRAM"), 11 } };
    for (const auto& [key, icon] : icons)
        QCOMPARE(form.eb_Main->ItemIcon(key), icon);
    QCOMPARE(form.eb_Main->Item(QStringLiteral("ADD"))->text(), QStringLiteral("Add images to list"));
    QCOMPARE(form.eb_Main->Item(QStringLiteral("EXIT"))->text(), QStringLiteral("Exit program"));
    QCOMPARE(form.eb_Main->Item(QStringLiteral("GO"))->text(), QStringLiteral("Convert listed images to icons"));
    QCOMPARE(form.eb_Main->Item(QStringLiteral("PROGRAM"))->text(), QStringLiteral("Create advanced multi-page icon"));
    QVERIFY(form.eb_Main->Item(QStringLiteral("ABOUT"))->text().contains(QStringLiteral("About")));
}

void tst_MainWindow::addOneFile_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("folderTag");
    QTest::addColumn<int>("icon");
    QTest::newRow("unix path, case kept")
        << QStringLiteral("/tmp/Pics/Photo.JPG") << QStringLiteral("Photo.JPG") << QStringLiteral("/tmp/Pics") << 6;
    QTest::newRow("drive path with backslashes")
        << QStringLiteral("C:\\Pics\\Photo.JPG") << QStringLiteral("Photo.JPG") << QStringLiteral("C:\\Pics") << 6;
    QTest::newRow("file at the root keeps its separator")
        << QStringLiteral("/logo.bmp") << QStringLiteral("logo.bmp") << QStringLiteral("/") << 1;
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
    QCOMPARE(form.ListCount(), 1);
    QCOMPARE(form.Row(1).text, text);
    QCOMPARE(form.Row(1).folderTag, folderTag);
    QCOMPARE(form.RowPathColumn(1), folderTag);
    QCOMPARE(form.RowIcon(1), icon);
    QVERIFY(m_prompts->messages.isEmpty());
}

void tst_MainWindow::addSeveralKeepsFolderCase()
{
    QTemporaryDir pics;
    QDir(pics.path()).mkdir(QStringLiteral("Art"));
    const QString folder = QDir::toNativeSeparators(pics.filePath(QStringLiteral("Art")));
    frm_Main form(*m_prompts);
    form.AddRow(QStringLiteral("old.bmp"), QStringLiteral("/old"));
    m_prompts->answerFile(folder + nuls(QStringLiteral("#A.gif#B.png##")));
    form.Command4_Click();
    QCOMPARE(form.ListCount(), 3);
    QCOMPARE(form.Row(1), (PictureRow { QStringLiteral("old.bmp"), QStringLiteral("/old") }));
    QCOMPARE(form.Row(2), (PictureRow { QStringLiteral("A.gif"), folder }));
    QCOMPARE(form.Row(3), (PictureRow { QStringLiteral("B.png"), folder }));
    QCOMPARE(form.RowIcon(2), 4);
    QCOMPARE(form.RowIcon(3), 7);
    QCOMPARE(form.RowPathColumn(3), folder);
    // The folder tag names a folder that exists, with its letters as they are.
    QVERIFY(QFileInfo(form.Row(2).folderTag).isDir());
    QCOMPARE(form.Row(3).fullPath(), folder + QDir::separator() + QStringLiteral("B.png"));
}

void tst_MainWindow::duplicatesAllowed()
{
    frm_Main form(*m_prompts);
    m_prompts->answerFile(QStringLiteral("/tmp/Pics/a.gif"));
    m_prompts->answerFile(QStringLiteral("/tmp/Pics/a.gif"));
    form.Command4_Click();
    form.Command4_Click();
    QCOMPARE(form.ListCount(), 2);
    QCOMPARE(form.Row(1), form.Row(2));
}

void tst_MainWindow::fileTypeIcons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("icon");
    QTest::newRow("cursor") << QStringLiteral("Icon.cur") << 5;
    QTest::newRow("icon") << QStringLiteral("a.ICO") << 5;
    QTest::newRow("bitmap, mixed case") << QStringLiteral("x.Bmp") << 1;
    QTest::newRow("jpeg has four letters") << QStringLiteral("photo.jpeg") << 7;
    QTest::newRow("jpg") << QStringLiteral("photo.jpg") << 6;
    QTest::newRow("gif") << QStringLiteral("a.gif") << 4;
    QTest::newRow("emf") << QStringLiteral("a.emf") << 3;
    QTest::newRow("dib") << QStringLiteral("a.dib") << 2;
    QTest::newRow("wmf") << QStringLiteral("a.wmf") << 0;
    QTest::newRow("png is other") << QStringLiteral("B.png") << 7;
    QTest::newRow("last three letters without a dot") << QStringLiteral("notabmp") << 1;
    QTest::newRow("shorter than three letters") << QStringLiteral("ab") << 7;
}

void tst_MainWindow::fileTypeIcons()
{
    QFETCH(QString, name);
    QFETCH(int, icon);
    frm_Main form(*m_prompts);
    m_prompts->answerFile(QStringLiteral("/tmp/") + name);
    form.Command4_Click();
    QCOMPARE(form.ListCount(), 1);
    QCOMPARE(form.RowIcon(1), icon);
}

void tst_MainWindow::addCancelled()
{
    frm_Main form(*m_prompts);
    m_prompts->cancelFile();
    form.Command4_Click();
    QCOMPARE(form.ListCount(), 0);
    QVERIFY(m_prompts->messages.isEmpty());
}

void tst_MainWindow::addRequest()
{
    frm_Main form(*m_prompts);
    form.mnu_Add->trigger();
    QCOMPARE(m_prompts->fileRequests.size(), 1);
    const FileChooserRequest& request = m_prompts->fileRequests.first();
    QCOMPARE(request.title, QStringLiteral("Browse for files..."));
    QCOMPARE(request.mode, FileChooserRequest::Mode::OpenMultiple);
    QVERIFY(request.fileMustExist);
    QCOMPARE(request.filterPairs,
        (QStringList { QStringLiteral("All picture files"),
            QStringLiteral("*.bmp;*.dib;*.gif;*.jpg;*.emf;*.wmf;*.ico;*.cur;"), QStringLiteral("All file types (*.*)"),
            QStringLiteral("*.*") }));
}

void tst_MainWindow::addFailureIsReported_data()
{
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<int>("reports");
    QTest::addColumn<int>("rows");
    QTest::newRow("abort") << MsgAnswer::Abort << 1 << 0;
    QTest::newRow("ignore") << MsgAnswer::Ignore << 1 << 0;
    QTest::newRow("retry, then abort") << MsgAnswer::Retry << 2 << 0;
}

void tst_MainWindow::addFailureIsReported()
{
    QFETCH(MsgAnswer, answer);
    QFETCH(int, reports);
    QFETCH(int, rows);
    frm_Main form(*m_prompts);
    // A selection that fills the buffer to its last character leaves no NUL pair to split at.
    m_prompts->answerFile(QStringLiteral("/tmp/") + QString(8192 - 5, QLatin1Char('x')));
    m_prompts->answers << answer << MsgAnswer::Abort;
    form.Command4_Click();
    QCOMPARE(form.ListCount(), rows);
    QCOMPARE(m_prompts->messages.size(), reports);
    QCOMPARE(m_prompts->messages.first().title, QStringLiteral("Error"));
    QVERIFY(m_prompts->messages.first().text.endsWith(QStringLiteral("\r\n5:2\r\nInvalid procedure call or argument")));
    const QStringList lines = logLines(m_dir->filePath(QStringLiteral("program.log")));
    QCOMPARE(lines.size(), reports);
    for (const QString& line : lines)
        QVERIFY2(line.endsWith(QStringLiteral(":{5F9DC491-1691-4A9F-A8D2-F66856159B3F}:2:5")), qPrintable(line));
}

void tst_MainWindow::removeSelected_data()
{
    QTest::addColumn<QList<int>>("selected"); // 0-based rows of five
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<bool>("byKey");
    const QStringList five { QStringLiteral("1.bmp"), QStringLiteral("2.bmp"), QStringLiteral("3.bmp"),
        QStringLiteral("4.bmp"), QStringLiteral("5.bmp") };
    QTest::newRow("rows 1 and 3 of three") << QList<int> { 0, 2 } << QStringList { QStringLiteral("2.bmp") } << false;
    QTest::newRow("nothing selected") << QList<int> {} << five.mid(0, 3) << false;
    QTest::newRow("all selected") << QList<int> { 0, 1, 2 } << QStringList {} << false;
    QTest::newRow("rows 1 and 3 with the Delete key")
        << QList<int> { 0, 2 } << QStringList { QStringLiteral("2.bmp") } << true;
}

void tst_MainWindow::removeSelected()
{
    QFETCH(QList<int>, selected);
    QFETCH(QStringList, left);
    QFETCH(bool, byKey);
    frm_Main form(*m_prompts);
    for (int i = 1; i <= 3; ++i)
        form.AddRow(QStringLiteral("%1.bmp").arg(i), QStringLiteral("/p"));
    form.lw_Files->clearSelection();
    for (int row : selected)
        form.lw_Files->selectionModel()->select(
            form.lw_Files->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (byKey) {
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.lw_Files->setFocus();
        QTest::keyClick(form.lw_Files, Qt::Key_Delete);
    } else {
        form.mnu_Del->trigger();
    }
    QStringList texts;
    for (const PictureRow& row : form.Rows())
        texts << row.text;
    QCOMPARE(texts, left);
}

void tst_MainWindow::clearList()
{
    frm_Main form(*m_prompts);
    form.AddRow(QStringLiteral("a.bmp"), QStringLiteral("/p"));
    form.AddRow(QStringLiteral("b.bmp"), QStringLiteral("/p"));
    form.mnu_Clear->trigger();
    QCOMPARE(form.ListCount(), 0);
}

void tst_MainWindow::popupOnRightClickOnly_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("opens");
    QTest::newRow("right button") << Qt::RightButton << true;
    QTest::newRow("left button") << Qt::LeftButton << false;
    QTest::newRow("middle button") << Qt::MiddleButton << false;
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
    QCOMPARE(form.mnu_Menu->isVisible(), opens);
    form.mnu_Menu->hide();
}

void tst_MainWindow::goOnEmptyList()
{
    frm_Main form(*m_prompts);
    int opened = 0;
    form.openCustomize = [&](const QString&, bool) { ++opened; };
    form.Command1_Click();
    QCOMPARE(opened, 0);
    QCOMPARE(m_prompts->messages.size(), 1);
    const test::ShownMessage& shown = m_prompts->messages.first();
    QCOMPARE(shown.text, QStringLiteral("There are no images in the list !"));
    QCOMPARE(shown.title, QStringLiteral("Brevane"));
    QCOMPARE(shown.icon, MsgIcon::Exclamation);
    QCOMPARE(shown.buttons, MsgButtons::Ok);
}

void tst_MainWindow::goOpensOptions_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("several");
    QTest::newRow("one row keeps the preview") << 1 << false;
    QTest::newRow("two rows switch the preview off") << 2 << true;
}

void tst_MainWindow::goOpensOptions()
{
    QFETCH(int, rows);
    QFETCH(bool, several);
    frm_Main form(*m_prompts);
    for (int i = 0; i < rows; ++i)
        form.AddRow(QStringLiteral("p%1.bmp").arg(i), QStringLiteral("/Folder%1").arg(i));
    QStringList calls;
    form.openCustomize = [&](const QString& folder, bool severalRows) {
        calls << QStringLiteral("%1 %2").arg(folder).arg(severalRows);
    };
    form.eb_Main->Item(QStringLiteral("GO"))->clicked();
    QCOMPARE(calls, QStringList { QStringLiteral("/Folder0 %1").arg(several) });
    QVERIFY(m_prompts->messages.isEmpty());
}

void tst_MainWindow::taskItemsDispatch_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("effect");
    QTest::newRow("ADD asks for files") << QStringLiteral("ADD") << QStringLiteral("chooser");
    QTest::newRow("ABOUT shows the About box") << QStringLiteral("ABOUT") << QStringLiteral("frm_About");
    QTest::newRow("EXIT closes") << QStringLiteral("EXIT") << QStringLiteral("closed");
    QTest::newRow("PROGRAM opens the multi-page builder") << QStringLiteral("PROGRAM") << QStringLiteral("multi");
    QTest::newRow("keys are case-sensitive") << QStringLiteral("add") << QString();
}

void tst_MainWindow::taskItemsDispatch()
{
    QFETCH(QString, key);
    QFETCH(QString, effect);
    frm_Main form(*m_prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    ModalRecorder modal;
    modal.attach(form);
    int multi = 0;
    form.openMulti = [&] { ++multi; };
    if (ExplorerBarItem* item = form.eb_Main->Item(key))
        QTest::mouseClick(item, Qt::LeftButton);
    else
        form.eb_Main_ItemClick(key);

    QStringList effects;
    if (!m_prompts->fileRequests.isEmpty())
        effects << QStringLiteral("chooser");
    effects << modal.shown;
    if (!form.isVisible())
        effects << QStringLiteral("closed");
    if (multi)
        effects << QStringLiteral("multi");
    QCOMPARE(effects.join(QLatin1Char(',')), effect);
}

void tst_MainWindow::enterAndEscape()
{
    frm_Main form(*m_prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_Return);
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
    for (const char* name : { "one.GIF", "two.cur" }) {
        QFile file(folder + QLatin1Char('/') + QLatin1String(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    frm_Main form(*m_prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(folder + QStringLiteral("/one.GIF")), QUrl::fromLocalFile(folder),
        QUrl::fromLocalFile(folder + QStringLiteral("/two.cur")), QUrl(QStringLiteral("https://example.org/x.bmp")) });
    const QPoint at(30, 30);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(form.lw_Files->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(form.lw_Files->viewport(), &drop);

    QCOMPARE(form.ListCount(), 2);
    const QString tag = QDir::toNativeSeparators(folder);
    QCOMPARE(form.Row(1), (PictureRow { QStringLiteral("one.GIF"), tag }));
    QCOMPARE(form.Row(2), (PictureRow { QStringLiteral("two.cur"), tag }));
    QCOMPARE(form.RowIcon(1), 4);
    QCOMPARE(form.RowIcon(2), 5);
    QVERIFY(QFileInfo::exists(form.Row(2).fullPath()));

    QMimeData text;
    text.setText(QStringLiteral("not a file"));
    QDragEnterEvent refused(at, Qt::CopyAction, &text, Qt::LeftButton, {});
    QApplication::sendEvent(form.lw_Files->viewport(), &refused);
    QVERIFY(!refused.isAccepted());
}

void tst_MainWindow::cutOffTextsGetTooltips()
{
    frm_Main form(*m_prompts);
    form.AddRow(QStringLiteral("a.bmp"), QStringLiteral("/p"));
    form.AddRow(QStringLiteral("a picture with a name far too long for its column.bmp"),
        QStringLiteral("/a/folder/that/is/long/but/still/fits/in/three/hundred"));
    QVERIFY(!form.lw_Files->IsTextCutOff(0, 0));
    QVERIFY(!form.lw_Files->IsTextCutOff(0, 1));
    QVERIFY(form.lw_Files->IsTextCutOff(1, 0));
    form.lw_Files->setColumnWidth(1, 40);
    QVERIFY(form.lw_Files->IsTextCutOff(1, 1));
}

void tst_MainWindow::startupTips_data()
{
    QTest::addColumn<QString>("setting"); // "-" for none
    QTest::addColumn<bool>("shown");
    QTest::newRow("absent") << QStringLiteral("-") << true;
    QTest::newRow("1") << QStringLiteral("1") << true;
    QTest::newRow("any other number") << QStringLiteral("7") << true;
    QTest::newRow("0") << QStringLiteral("0") << false;
    QTest::newRow("not a number") << QStringLiteral("maybe") << false;
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
    ModalRecorder modal;
    modal.attach(form);
    form.ShowStartupTips();
    QCOMPARE(modal.shown, shown ? QStringList { QStringLiteral("frm_Tips") } : QStringList {});
}

void tst_MainWindow::untickedTipsStayOffUntilMoreTips()
{
    m_prompts->settings.remove(TipsKey);
    {
        frm_Main first(*m_prompts);
        ModalRecorder modal;
        modal.inside = [](QDialog& dialog) {
            static_cast<frm_Tips&>(dialog).chkLoadTipsAtStartup->click();
            dialog.accept();
        };
        modal.attach(first);
        first.ShowStartupTips();
        QCOMPARE(modal.shown.size(), 1);
        QCOMPARE(m_prompts->settings.value(TipsKey), QStringLiteral("0"));
    }
    frm_Main next(*m_prompts);
    ModalRecorder modal;
    modal.attach(next);
    next.ShowStartupTips();
    QVERIFY(modal.shown.isEmpty());

    next.show();
    QVERIFY(QTest::qWaitForWindowExposed(&next));
    QTest::mouseClick(next.Label2, Qt::LeftButton);
    QCOMPARE(m_prompts->settings.value(TipsKey), QStringLiteral("1"));
    QCOMPARE(modal.shown, QStringList { QStringLiteral("frm_Tips") });
}

void tst_MainWindow::alwaysOnTop()
{
    frm_Main form(*m_prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QRect before = form.geometry();
    QAction* onTop = mdl_SystemMenu::MenuItem(555);
    QVERIFY(onTop);
    QCOMPARE(mdl_SystemMenu::OnTopItemId, 555);
    QCOMPARE(onTop->text(), QStringLiteral("Always on Top"));
    QVERIFY(onTop->isCheckable());
    QVERIFY(!onTop->isChecked());
    QVERIFY(!mdl_SystemMenu::OnTopState);

    for (bool expected : { true, false, true }) {
        onTop->trigger();
        QCOMPARE(mdl_SystemMenu::OnTopState, expected);
        QCOMPARE(onTop->isChecked(), expected);
        QCOMPARE(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint), expected);
        QVERIFY(form.isVisible());
        QCOMPARE(form.geometry(), before);
    }

    // Other commands pass through to the window's own handling.
    QCOMPARE(
        mdl_SystemMenu::AlwaysOnTopWindowProc(&form, mdl_SystemMenu::WM_SYSCOMMAND, mdl_SystemMenu::SC_CLOSE, 0), 0);
    QVERIFY(!form.isVisible());
    QVERIFY(!mdl_SystemMenu::PreviousWindowProc);
    // Once unhooked, the entry no longer toggles anything.
    onTop->trigger();
    QCOMPARE(mdl_SystemMenu::OnTopState, true);
}

void tst_MainWindow::windowMenuOpens()
{
    frm_Main form(*m_prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QMenu* menu = mdl_SystemMenu::SystemMenuHandle;
    QVERIFY(menu);
    QStringList entries;
    for (QAction* action : menu->actions()) {
        if (action->isVisible())
            entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    QCOMPARE(entries,
        (QStringList { QStringLiteral("Mi&nimize"), QStringLiteral("Ma&ximize"), QStringLiteral("&Close"),
            QStringLiteral("-"), QStringLiteral("Always on Top") }));

    QSignalSpy shown(menu, &QMenu::aboutToShow);
    QTest::keyClick(&form, Qt::Key_Space, Qt::AltModifier);
    QCOMPARE(shown.size(), 1);
    menu->hide();
    QTest::mouseClick(form.lbl_Info, Qt::RightButton);
    QCOMPARE(shown.size(), 2);
    menu->hide();
    QTest::mouseClick(form.lbl_Info, Qt::LeftButton);
    QCOMPARE(shown.size(), 2);
}

void tst_MainWindow::windowMenuCommands()
{
    frm_Main form(*m_prompts);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    mdl_SystemMenu::MenuItem(mdl_SystemMenu::SC_MAXIMIZE)->trigger();
    QVERIFY(form.isMaximized());
    // The hook leaves the other commands alone, also while the window stays on top.
    mdl_SystemMenu::MenuItem(555)->trigger();
    QVERIFY(form.isMaximized());
    mdl_SystemMenu::MenuItem(mdl_SystemMenu::SC_RESTORE)->trigger();
    QVERIFY(!form.isMaximized());
    mdl_SystemMenu::MenuItem(mdl_SystemMenu::SC_MINIMIZE)->trigger();
    QVERIFY(form.isMinimized());
    mdl_SystemMenu::MenuItem(mdl_SystemMenu::SC_CLOSE)->trigger();
    QVERIFY(!form.isVisible());
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
