#include "shell/MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QShortcutEvent>
#include <QTimer>
#include <QWindow>

#include "convert/widgets/ConvertDialog.h"
#include "dialogs/FileDialog.h"
#include "multipage/widgets/MultiPageDialog.h"
#include "multipage/widgets/MultiSizeIconWindow.h"
#include "platform/widgets/PictureBoxView.h"
#include "platform/Paths.h"
#include "platform/Prompts.h"
#include "platform/StepRunner.h"
#include "shell/ClickableLabel.h"
#include "shell/TaskPane.h"
#include "shell/FileListView.h"
#include "shell/AboutDialog.h"
#include "shell/TipsDialog.h"
#include "shell/FileTypeIcons.h"
#include "shell/Startup.h"
#include "shell/WindowMenu.h"

namespace brevane {

namespace {
    constexpr int FolderTagRole = Qt::UserRole;
    constexpr int IconIndexRole = Qt::UserRole + 1;

    const QString GoLocation = QStringLiteral("{5154E03D-7944-4DD4-932C-9E75B2E0D77C}");
    const QString AddLocation = QStringLiteral("{5F9DC491-1691-4A9F-A8D2-F66856159B3F}");
}

MainWindow::MainWindow(Prompts& prompts, QWidget* parent)
    : QWidget(parent)
    , m_prompts(prompts)
{
    setObjectName(QStringLiteral("frm_Main"));
    setWindowTitle(QStringLiteral("Brevane v.2.0 ::: Picture to icon"));
    runModal = [](QDialog& dialog) { dialog.exec(); };
    openConvertDialog = [this](const QString& firstFolder, bool severalRows) {
        const QList<PictureRow> listed = rows();
        ConvertDialog dialog(m_prompts, std::vector<PictureRow>(listed.begin(), listed.end()), this);
        if (severalRows) {
            dialog.previewView()->setEnabled(false);
            dialog.pickLabel()->setEnabled(false);
        }
        dialog.pathBox()->setText(firstFolder);
        runModal(dialog);
    };
    openMultiPageDialog = [this] {
        MultiPageDialog dialog(m_prompts, this);
        runModal(dialog);
    };
    openOnePictureWindow = [this] {
        MultiSizeIconWindow window(m_prompts, this);
        runModal(window);
    };

    // The information strip across the top.
    infoFrame = new QFrame(this);
    infoFrame->setObjectName(QStringLiteral("f_Info"));
    infoFrame->setFrameShape(QFrame::StyledPanel);
    infoStrip = new QWidget(infoFrame);
    infoStrip->setObjectName(QStringLiteral("pic_Info"));
    infoStrip->setAutoFillBackground(true);
    QPalette stripPalette = infoStrip->palette();
    stripPalette.setColor(QPalette::Window, QColor(0xff, 0xfb, 0xe6));
    infoStrip->setPalette(stripPalette);
    infoPicture = new QLabel(infoStrip);
    infoPicture->setObjectName(QStringLiteral("img_Info"));
    infoPicture->setPixmap(QIcon(QStringLiteral(":/logo.svg")).pixmap(32, 32));
    infoText = new QLabel(QStringLiteral("TIP: Images can be any size, but program will take only top left corner for "
                                         "icon. It is best to convert images that are same size as wanted icon !"),
        infoStrip);
    infoText->setObjectName(QStringLiteral("lbl_Info"));
    infoText->setWordWrap(true);
    infoText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont small = infoText->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    infoText->setFont(small);
    moreTipsLink = new ClickableLabel(QStringLiteral("more tips !"), infoStrip);
    moreTipsLink->setObjectName(QStringLiteral("Label2"));
    QFont link = small;
    link.setUnderline(true);
    moreTipsLink->setFont(link);
    QPalette linkPalette = moreTipsLink->palette();
    linkPalette.setColor(QPalette::WindowText, QColor(0x00, 0x33, 0xcc));
    moreTipsLink->setPalette(linkPalette);
    moreTipsLink->adjustSize();

    listLabel = new QLabel(QStringLiteral("Image files"), this);
    listLabel->setObjectName(QStringLiteral("Label1"));

    // The buttons lie behind the list; they give the window its Enter and Esc.
    convertButton = new QPushButton(QStringLiteral("&GO !"), this);
    convertButton->setObjectName(QStringLiteral("Command1"));
    convertButton->setToolTip(QStringLiteral("Convert files to icons"));
    aboutButton = new QPushButton(QStringLiteral("&About"), this);
    aboutButton->setObjectName(QStringLiteral("Command2"));
    exitButton = new QPushButton(QStringLiteral("&Exit"), this);
    exitButton->setObjectName(QStringLiteral("Command3"));
    exitButton->setToolTip(QStringLiteral("Closes the program"));
    addButton = new QPushButton(QStringLiteral("&Add images"), this);
    addButton->setObjectName(QStringLiteral("Command4"));
    addButton->setToolTip(QStringLiteral("Add files"));
    int x = 10;
    for (QPushButton* button : { convertButton, aboutButton, exitButton, addButton }) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setGeometry(x, 120, 56, 24);
        x += 60;
    }

    fileList = new FileListView(this);
    fileList->setObjectName(QStringLiteral("lw_Files"));
    taskPane = new TaskPane(this);
    taskPane->setObjectName(QStringLiteral("eb_Main"));

    listMenu = new QMenu(this);
    listMenu->setObjectName(QStringLiteral("mnu_Menu"));
    clearAction = listMenu->addAction(QStringLiteral("&Clear"));
    clearAction->setObjectName(QStringLiteral("mnu_Clear"));
    removeAction = listMenu->addAction(QStringLiteral("&Remove"));
    removeAction->setObjectName(QStringLiteral("mnu_Del"));
    addMoreAction = listMenu->addAction(QStringLiteral("&Add more"));
    addMoreAction->setObjectName(QStringLiteral("mnu_Add"));

    resize(ClientWidth, ClientHeight);
    setMinimumSize(ClientWidth, ClientHeight);

    connect(convertButton, &QPushButton::clicked, this, &MainWindow::convertListedPictures);
    connect(aboutButton, &QPushButton::clicked, this, &MainWindow::showAbout);
    connect(exitButton, &QPushButton::clicked, this, &MainWindow::exitProgram);
    connect(addButton, &QPushButton::clicked, this, &MainWindow::addPictures);
    connect(moreTipsLink, &ClickableLabel::clicked, this, &MainWindow::showTipsAgain);
    connect(clearAction, &QAction::triggered, this, &MainWindow::clearList);
    connect(removeAction, &QAction::triggered, this, &MainWindow::removeSelectedRows);
    connect(addMoreAction, &QAction::triggered, this, &MainWindow::addPictures);
    connect(taskPane, &TaskPane::itemClicked, this, &MainWindow::runTask);
    connect(fileList, &FileListView::mousePressed, this, &MainWindow::showListMenu);
    connect(fileList, &FileListView::filesDropped, this, &MainWindow::addFiles);

    auto* enter = new QShortcut(QKeySequence(Qt::Key_Return), this);
    auto* keypadEnter = new QShortcut(QKeySequence(Qt::Key_Enter), this);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    auto* remove = new QShortcut(QKeySequence::Delete, fileList, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(enter, &QShortcut::activated, convertButton, &QPushButton::click);
    connect(keypadEnter, &QShortcut::activated, convertButton, &QPushButton::click);
    connect(escape, &QShortcut::activated, exitButton, &QPushButton::click);
    connect(remove, &QShortcut::activated, this, &MainWindow::removeSelectedRows);
    // The keyboard's ways to a popup: on the list its menu, on the tip strip the window menu
    // (the window manager keeps Alt+Space for its own).
    for (const QKeySequence& key : { QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu) }) {
        auto* onList = new QShortcut(key, fileList, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        connect(onList, &QShortcut::activated, this, [this] { listMenu->popup(fileList->keyboardMenuPosition()); });
        auto* onStrip = new QShortcut(key, infoFrame, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        connect(onStrip, &QShortcut::activated, this,
            [this] { m_windowMenu->popup(infoFrame->mapToGlobal(infoFrame->rect().bottomLeft())); });
    }

    // A right click anywhere on the information strip opens the window menu.
    for (QWidget* strip : { static_cast<QWidget*>(infoFrame), infoStrip, static_cast<QWidget*>(infoPicture),
             static_cast<QWidget*>(infoText), static_cast<QWidget*>(moreTipsLink) })
        strip->installEventFilter(this);

    fillLists();
    setUpKeyboard();
}

void MainWindow::setUpKeyboard()
{
    // The buttons behind the list lend their access keys to the task items they stand for:
    // a key two of them share ("&About", "&Add images") moves the focus between the items.
    const std::pair<QPushButton*, const char*> stands[]
        = { { convertButton, "GO" }, { aboutButton, "ABOUT" }, { exitButton, "EXIT" }, { addButton, "ADD" } };
    for (const auto& [button, key] : stands) {
        m_accessKeyItems.insert(button, taskPane->item(QLatin1String(key)));
        button->installEventFilter(this);
    }
    moreTipsLink->setFocusPolicy(Qt::TabFocus);
    QList<QWidget*> chain = taskPane->focusChain();
    chain.append(moreTipsLink);
    QWidget* previous = fileList;
    for (QWidget* next : std::as_const(chain)) {
        setTabOrder(previous, next);
        previous = next;
    }
    fileList->setFocus();
}

MainWindow::~MainWindow()
{
    unload();
}

void MainWindow::fillLists()
{
    m_windowMenu = new WindowMenu(this);

    fileList->setBackgroundPicture(QPixmap(Startup::programFile(QStringLiteral("files.gif"))));
    fileList->setColumnCount(2);
    fileList->setHorizontalHeaderLabels({ QStringLiteral("File name"), QStringLiteral("Path") });
    fileList->setColumnWidth(0, 180);
    fileList->setColumnWidth(1, 300);

    taskPane->addGroup(QStringLiteral("Commands"), true);
    taskPane->addItem(QStringLiteral("Commands"), QStringLiteral("ADD"), QStringLiteral("Add images to list"), 8);
    taskPane->addItem(QStringLiteral("Commands"), QStringLiteral("ABOUT"), QStringLiteral("About Brevane"), 9);
    taskPane->addItem(QStringLiteral("Commands"), QStringLiteral("EXIT"), QStringLiteral("Exit program"), 10);
    taskPane->addGroup(QStringLiteral("Tasks"));
    taskPane->addItem(
        QStringLiteral("Tasks"), QStringLiteral("GO"), QStringLiteral("Convert listed images to icons"), 11);
    taskPane->addItem(
        QStringLiteral("Tasks"), QStringLiteral("PROGRAM"), QStringLiteral("Create advanced multi-page icon"), 11);
    taskPane->addItem(
        QStringLiteral("Tasks"), QStringLiteral("ONE"), QStringLiteral("Create icon from one picture"), 12);
}

void MainWindow::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_windowMenu->unhook();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    unload();
    event->accept();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int dx = width() - ClientWidth;
    const int dy = height() - ClientHeight;
    infoFrame->setGeometry(0, 0, ClientWidth + dx, 46);
    infoStrip->setGeometry(1, 1, infoFrame->width() - 2, infoFrame->height() - 2);
    infoPicture->setGeometry(6, 6, 32, 32);
    moreTipsLink->move(
        infoStrip->width() - moreTipsLink->width() - 6, infoStrip->height() - moreTipsLink->height() - 2);
    infoText->setGeometry(44, 2, infoStrip->width() - 44 - 6, infoStrip->height() - moreTipsLink->height() - 2);
    listLabel->setGeometry(3, 48, 253 + dx, 16);
    fileList->setGeometry(3, 66, 253 + dx, 238 + dy);
    taskPane->setGeometry(261 + dx, 48, 187, 256 + dy);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Shortcut && static_cast<QShortcutEvent*>(event)->isAmbiguous()) {
        if (QWidget* item = m_accessKeyItems.value(watched)) {
            item->setFocus(Qt::ShortcutFocusReason);
            return true;
        }
    }
    if (watched == windowHandle()) {
        if (event->type() == QEvent::Expose && m_tipsWaitForScreen && windowHandle()->isExposed()) {
            m_tipsWaitForScreen = false;
            windowHandle()->removeEventFilter(this);
            m_tipsPlacement.start();
        }
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            m_windowMenu->popup(mouse->globalPosition().toPoint());
            return true;
        }
    } else if (event->type() == QEvent::ContextMenu) {
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

int MainWindow::rowCount() const
{
    return fileList->rowCount();
}

PictureRow MainWindow::row(int index) const
{
    const QTableWidgetItem* cell = fileList->item(index - 1, 0);
    if (!cell)
        return {};
    return { cell->text(), cell->data(FolderTagRole).toString() };
}

QList<PictureRow> MainWindow::rows() const
{
    QList<PictureRow> rows;
    for (int i = 1; i <= rowCount(); ++i)
        rows.append(row(i));
    return rows;
}

int MainWindow::rowIcon(int index) const
{
    const QTableWidgetItem* cell = fileList->item(index - 1, 0);
    return cell ? cell->data(IconIndexRole).toInt() : -1;
}

QString MainWindow::rowPathColumn(int index) const
{
    const QTableWidgetItem* cell = fileList->item(index - 1, 1);
    return cell ? cell->text() : QString();
}

int MainWindow::fileTypeIconIndex(const QString& text)
{
    const QString ending = text.right(3).toUpper();
    if (ending == QLatin1String("JPG"))
        return 6;
    if (ending == QLatin1String("ICO") || ending == QLatin1String("CUR"))
        return 5;
    if (ending == QLatin1String("GIF"))
        return 4;
    if (ending == QLatin1String("EMF"))
        return 3;
    if (ending == QLatin1String("DIB"))
        return 2;
    if (ending == QLatin1String("BMP"))
        return 1;
    if (ending == QLatin1String("WMF"))
        return 0;
    return 7;
}

void MainWindow::addRow(const QString& text, const QString& folderTag)
{
    const int row = fileList->rowCount();
    const int icon = fileTypeIconIndex(text);
    fileList->insertRow(row);
    auto* name = new QTableWidgetItem(FileTypeIcons::icon(icon), text);
    name->setData(FolderTagRole, folderTag);
    name->setData(IconIndexRole, icon);
    fileList->setItem(row, 0, name);
    fileList->setItem(row, 1, new QTableWidgetItem(folderTag));
}

void MainWindow::runTask(const QString& key)
{
    if (key == QLatin1String("ADD"))
        addPictures();
    else if (key == QLatin1String("GO"))
        convertListedPictures();
    else if (key == QLatin1String("PROGRAM")) {
        if (openMultiPageDialog)
            openMultiPageDialog();
    } else if (key == QLatin1String("ONE")) {
        if (openOnePictureWindow)
            openOnePictureWindow();
    } else if (key == QLatin1String("ABOUT"))
        showAbout();
    else if (key == QLatin1String("EXIT"))
        exitProgram();
}

void MainWindow::convertListedPictures()
{
    StepRunner runner(m_prompts, GoLocation);
    if (rowCount() == 0) {
        runner.step(1, [this] {
            m_prompts.message(
                QStringLiteral("There are no images in the list !"), QString(), MsgIcon::Exclamation, MsgButtons::Ok);
        });
        return;
    }
    runner.step(2, [this] {
        if (openConvertDialog)
            openConvertDialog(row(1).folderTag, rowCount() > 1);
    });
}

void MainWindow::showAbout()
{
    AboutDialog about(m_prompts, this);
    runModal(about);
}

void MainWindow::exitProgram()
{
    close();
}

void MainWindow::addPictures()
{
    FileDialog dialog(m_prompts);
    StepRunner runner(m_prompts, AddLocation);
    const auto chosen = runner.step(1, [&] {
        dialog.setFileName(QString());
        dialog.setFlags(FileDialog::OFN_FILEMUSTEXIST | FileDialog::OFN_ALLOWMULTISELECT);
        dialog.setOwner(winId());
        dialog.setTitle(QStringLiteral("Browse for files..."));
        dialog.setFilter(FileDialog::pictureFilter());
        dialog.showOpen();
    });
    if (chosen == StepRunner::Result::Aborted || dialog.fileName().isEmpty())
        return;

    QString commonFolder;
    QStringList files;
    qint32 fileCount = 0;
    if (runner.step(2, [&] { dialog.splitMultipleSelection(commonFolder, files, fileCount); })
        != StepRunner::Result::Done)
        return;

    if (fileCount == 1) {
        runner.step(3, [&] {
            // The folder without its trailing separator, letter case kept; a root keeps its one.
            QString folder = Paths::folderOfPath(FileDialog::stripNull(dialog.fileName()));
            if (folder.size() > 1)
                folder.chop(1);
            addRow(files.value(0), folder);
        });
        return;
    }
    for (qint32 i = 0; i < fileCount; ++i) {
        if (runner.step(4, [&] { addRow(files.value(i), dialog.selectedDir()); }) == StepRunner::Result::Aborted)
            return;
    }
}

void MainWindow::addFiles(const QStringList& paths)
{
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!info.isFile())
            continue;
        addRow(info.fileName(), QDir::toNativeSeparators(info.absolutePath()));
    }
}

void MainWindow::showTips()
{
    try {
        TipsDialog tips(m_prompts, m_tips, this);
        if (tips.prepare()) {
            // Asked for explicitly, the place over this window is kept by window managers that
            // would otherwise put a dialog mapped while they are busy wherever they like.
            tips.adjustSize();
            tips.move(geometry().center() - tips.rect().center());
            runModal(tips);
        }
    } catch (...) {
        // A tip window that cannot load is simply not shown.
    }
}

void MainWindow::showStartupTips()
{
    showTips();
}

void MainWindow::showStartupTipsOnScreen()
{
    // Shown before the window manager has placed this window, the tip window would be
    // centred on where this window is not yet: wait until it is on screen and has kept
    // still for a moment (a busy window manager may move it after the first exposure).
    m_tipsPlacement.setSingleShot(true);
    m_tipsPlacement.setInterval(150);
    connect(&m_tipsPlacement, &QTimer::timeout, this, &MainWindow::showStartupTips, Qt::SingleShotConnection);
    QWindow* native = windowHandle();
    if (native) {
        const auto moved = [this] {
            if (m_tipsPlacement.isActive())
                m_tipsPlacement.start();
        };
        for (auto changed : { &QWindow::xChanged, &QWindow::yChanged, &QWindow::widthChanged, &QWindow::heightChanged })
            connect(native, changed, &m_tipsPlacement, moved);
    }
    if (native && native->isExposed()) {
        m_tipsPlacement.start();
        return;
    }
    m_tipsWaitForScreen = true;
    if (native)
        native->installEventFilter(this);
}

void MainWindow::showTipsAgain()
{
    try {
        m_prompts.setSetting(QStringLiteral("Options"), QStringLiteral("Show Tips at Startup"), QStringLiteral("1"));
    } catch (...) {
    }
    showTips();
}

void MainWindow::showListMenu(Qt::MouseButton button, QPoint position)
{
    if (button == Qt::RightButton)
        listMenu->popup(fileList->viewport()->mapToGlobal(position));
}

void MainWindow::removeSelectedRows()
{
    // Remove the first selected row and look again from the top, until none is left.
    for (;;) {
        int found = -1;
        for (int row = 0; row < fileList->rowCount(); ++row) {
            const QTableWidgetItem* cell = fileList->item(row, 0);
            if (cell && cell->isSelected()) {
                found = row;
                break;
            }
        }
        if (found < 0)
            return;
        fileList->removeRow(found);
    }
}

void MainWindow::clearList()
{
    fileList->setRowCount(0);
}

} // namespace brevane
