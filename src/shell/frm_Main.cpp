#include "shell/frm_Main.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>

#include "dialogs/cls_CommonDialog.h"
#include "platform/Prompts.h"
#include "platform/StepRunner.h"
#include "shell/ClickableLabel.h"
#include "shell/ExplorerBar.h"
#include "shell/FileListView.h"
#include "shell/frm_About.h"
#include "shell/frm_Tips.h"
#include "shell/iml_SmallIcons.h"
#include "shell/mdl_Main.h"
#include "shell/mdl_SystemMenu.h"

namespace brevane {

namespace {
    constexpr int FolderTagRole = Qt::UserRole;
    constexpr int IconIndexRole = Qt::UserRole + 1;

    const QString GoLocation = QStringLiteral("{5154E03D-7944-4DD4-932C-9E75B2E0D77C}");
    const QString AddLocation = QStringLiteral("{5F9DC491-1691-4A9F-A8D2-F66856159B3F}");
}

frm_Main::frm_Main(Prompts& prompts, QWidget* parent)
    : QWidget(parent)
    , m_prompts(prompts)
{
    setObjectName(QStringLiteral("frm_Main"));
    setWindowTitle(QStringLiteral("Brevane v.2.0 ::: Picture to icon"));
    runModal = [](QDialog& dialog) { dialog.exec(); };

    // The information strip across the top.
    f_Info = new QFrame(this);
    f_Info->setObjectName(QStringLiteral("f_Info"));
    f_Info->setFrameShape(QFrame::StyledPanel);
    pic_Info = new QWidget(f_Info);
    pic_Info->setObjectName(QStringLiteral("pic_Info"));
    pic_Info->setAutoFillBackground(true);
    QPalette stripPalette = pic_Info->palette();
    stripPalette.setColor(QPalette::Window, QColor(0xff, 0xfb, 0xe6));
    pic_Info->setPalette(stripPalette);
    img_Info = new QLabel(pic_Info);
    img_Info->setObjectName(QStringLiteral("img_Info"));
    img_Info->setPixmap(QIcon(QStringLiteral(":/logo.svg")).pixmap(32, 32));
    lbl_Info = new QLabel(QStringLiteral("TIP: Images can be any size, but program will take only top left corner for "
                                         "icon. It is best to convert images that are same size as wanted icon !"),
        pic_Info);
    lbl_Info->setObjectName(QStringLiteral("lbl_Info"));
    lbl_Info->setWordWrap(true);
    lbl_Info->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont small = lbl_Info->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    lbl_Info->setFont(small);
    Label2 = new ClickableLabel(QStringLiteral("more tips !"), pic_Info);
    Label2->setObjectName(QStringLiteral("Label2"));
    QFont link = small;
    link.setUnderline(true);
    Label2->setFont(link);
    QPalette linkPalette = Label2->palette();
    linkPalette.setColor(QPalette::WindowText, QColor(0x00, 0x33, 0xcc));
    Label2->setPalette(linkPalette);
    Label2->adjustSize();

    Label1 = new QLabel(QStringLiteral("Image files"), this);
    Label1->setObjectName(QStringLiteral("Label1"));

    // The buttons lie behind the list; they give the window its Enter and Esc.
    Command1 = new QPushButton(QStringLiteral("&GO !"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setToolTip(QStringLiteral("Convert files to icons"));
    Command2 = new QPushButton(QStringLiteral("&About"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command3 = new QPushButton(QStringLiteral("&Exit"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setToolTip(QStringLiteral("Closes the program"));
    Command4 = new QPushButton(QStringLiteral("&Add images"), this);
    Command4->setObjectName(QStringLiteral("Command4"));
    Command4->setToolTip(QStringLiteral("Add files"));
    int x = 10;
    for (QPushButton* button : { Command1, Command2, Command3, Command4 }) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setGeometry(x, 120, 56, 24);
        x += 60;
    }

    lw_Files = new FileListView(this);
    lw_Files->setObjectName(QStringLiteral("lw_Files"));
    eb_Main = new ExplorerBar(this);
    eb_Main->setObjectName(QStringLiteral("eb_Main"));

    mnu_Menu = new QMenu(this);
    mnu_Menu->setObjectName(QStringLiteral("mnu_Menu"));
    mnu_Clear = mnu_Menu->addAction(QStringLiteral("&Clear"));
    mnu_Clear->setObjectName(QStringLiteral("mnu_Clear"));
    mnu_Del = mnu_Menu->addAction(QStringLiteral("&Remove"));
    mnu_Del->setObjectName(QStringLiteral("mnu_Del"));
    mnu_Add = mnu_Menu->addAction(QStringLiteral("&Add more"));
    mnu_Add->setObjectName(QStringLiteral("mnu_Add"));

    resize(ClientWidth, ClientHeight);
    setMinimumSize(ClientWidth, ClientHeight);

    connect(Command1, &QPushButton::clicked, this, &frm_Main::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frm_Main::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frm_Main::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &frm_Main::Command4_Click);
    connect(Label2, &ClickableLabel::clicked, this, &frm_Main::Label2_Click);
    connect(mnu_Clear, &QAction::triggered, this, &frm_Main::mnu_Clear_Click);
    connect(mnu_Del, &QAction::triggered, this, &frm_Main::mnu_Del_Click);
    connect(mnu_Add, &QAction::triggered, this, &frm_Main::mnu_Add_Click);
    connect(eb_Main, &ExplorerBar::ItemClick, this, &frm_Main::eb_Main_ItemClick);
    connect(lw_Files, &FileListView::MouseDown, this, &frm_Main::lw_Files_MouseDown);
    connect(lw_Files, &FileListView::FilesDropped, this, &frm_Main::AddFiles);

    auto* enter = new QShortcut(QKeySequence(Qt::Key_Return), this);
    auto* keypadEnter = new QShortcut(QKeySequence(Qt::Key_Enter), this);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    auto* remove = new QShortcut(QKeySequence::Delete, lw_Files, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(enter, &QShortcut::activated, Command1, &QPushButton::click);
    connect(keypadEnter, &QShortcut::activated, Command1, &QPushButton::click);
    connect(escape, &QShortcut::activated, Command3, &QPushButton::click);
    connect(remove, &QShortcut::activated, this, &frm_Main::mnu_Del_Click);

    // A right click anywhere on the information strip opens the window menu.
    for (QWidget* strip : { static_cast<QWidget*>(f_Info), pic_Info, static_cast<QWidget*>(img_Info),
             static_cast<QWidget*>(lbl_Info), static_cast<QWidget*>(Label2) })
        strip->installEventFilter(this);

    Form_Load();
}

frm_Main::~frm_Main()
{
    Form_Unload();
}

void frm_Main::Form_Load()
{
    if (!mdl_Main::IsRunningInIde())
        mdl_SystemMenu::AddAlwaysOnTopItem(this);

    lw_Files->SetBackgroundPicture(QPixmap(mdl_Main::ProgramFile(QStringLiteral("files.gif"))));
    lw_Files->setColumnCount(2);
    lw_Files->setHorizontalHeaderLabels({ QStringLiteral("File name"), QStringLiteral("Path") });
    lw_Files->setColumnWidth(0, 180);
    lw_Files->setColumnWidth(1, 300);

    eb_Main->AddGroup(QStringLiteral("Commands"), true);
    eb_Main->AddItem(QStringLiteral("Commands"), QStringLiteral("ADD"), QStringLiteral("Add images to list"), 8);
    eb_Main->AddItem(QStringLiteral("Commands"), QStringLiteral("ABOUT"), QStringLiteral("About Brevane"), 9);
    eb_Main->AddItem(QStringLiteral("Commands"), QStringLiteral("EXIT"), QStringLiteral("Exit program"), 10);
    eb_Main->AddGroup(QStringLiteral("Tasks"));
    eb_Main->AddItem(
        QStringLiteral("Tasks"), QStringLiteral("GO"), QStringLiteral("Convert listed images to icons"), 11);
    eb_Main->AddItem(
        QStringLiteral("Tasks"), QStringLiteral("PROGRAM"), QStringLiteral("Create advanced multi-page icon"), 11);
}

void frm_Main::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    mdl_SystemMenu::RemoveAlwaysOnTopHook(this);
}

void frm_Main::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void frm_Main::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int dx = width() - ClientWidth;
    const int dy = height() - ClientHeight;
    f_Info->setGeometry(0, 0, ClientWidth + dx, 46);
    pic_Info->setGeometry(1, 1, f_Info->width() - 2, f_Info->height() - 2);
    img_Info->setGeometry(6, 6, 32, 32);
    Label2->move(pic_Info->width() - Label2->width() - 6, pic_Info->height() - Label2->height() - 2);
    lbl_Info->setGeometry(44, 2, pic_Info->width() - 44 - 6, pic_Info->height() - Label2->height() - 2);
    Label1->setGeometry(3, 48, 253 + dx, 16);
    lw_Files->setGeometry(3, 66, 253 + dx, 238 + dy);
    eb_Main->setGeometry(261 + dx, 48, 187, 256 + dy);
}

bool frm_Main::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            mdl_SystemMenu::ShowSystemMenu(this, mouse->globalPosition().toPoint());
            return true;
        }
    } else if (event->type() == QEvent::ContextMenu) {
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

int frm_Main::ListCount() const
{
    return lw_Files->rowCount();
}

PictureRow frm_Main::Row(int nIndex) const
{
    const QTableWidgetItem* cell = lw_Files->item(nIndex - 1, 0);
    if (!cell)
        return {};
    return { cell->text(), cell->data(FolderTagRole).toString() };
}

QList<PictureRow> frm_Main::Rows() const
{
    QList<PictureRow> rows;
    for (int i = 1; i <= ListCount(); ++i)
        rows.append(Row(i));
    return rows;
}

int frm_Main::RowIcon(int nIndex) const
{
    const QTableWidgetItem* cell = lw_Files->item(nIndex - 1, 0);
    return cell ? cell->data(IconIndexRole).toInt() : -1;
}

QString frm_Main::RowPathColumn(int nIndex) const
{
    const QTableWidgetItem* cell = lw_Files->item(nIndex - 1, 1);
    return cell ? cell->text() : QString();
}

int frm_Main::FileTypeIconIndex(const QString& sText)
{
    const QString ending = sText.right(3).toUpper();
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

void frm_Main::AddRow(const QString& sText, const QString& sFolderTag)
{
    const int row = lw_Files->rowCount();
    const int icon = FileTypeIconIndex(sText);
    lw_Files->insertRow(row);
    auto* name = new QTableWidgetItem(iml_SmallIcons::Icon(icon), sText);
    name->setData(FolderTagRole, sFolderTag);
    name->setData(IconIndexRole, icon);
    lw_Files->setItem(row, 0, name);
    lw_Files->setItem(row, 1, new QTableWidgetItem(sFolderTag));
}

void frm_Main::eb_Main_ItemClick(const QString& sKey)
{
    if (sKey == QLatin1String("ADD"))
        Command4_Click();
    else if (sKey == QLatin1String("GO"))
        Command1_Click();
    else if (sKey == QLatin1String("PROGRAM")) {
        if (openMulti)
            openMulti();
    } else if (sKey == QLatin1String("ABOUT"))
        Command2_Click();
    else if (sKey == QLatin1String("EXIT"))
        Command3_Click();
}

void frm_Main::Command1_Click()
{
    StepRunner runner(m_prompts, GoLocation);
    if (ListCount() == 0) {
        runner.step(1, [this] {
            m_prompts.message(
                QStringLiteral("There are no images in the list !"), QString(), MsgIcon::Exclamation, MsgButtons::Ok);
        });
        return;
    }
    runner.step(2, [this] {
        if (openCustomize)
            openCustomize(Row(1).folderTag, ListCount() > 1);
    });
}

void frm_Main::Command2_Click()
{
    frm_About about(m_prompts, this);
    runModal(about);
}

void frm_Main::Command3_Click()
{
    close();
}

void frm_Main::Command4_Click()
{
    cls_CommonDialog dialog(m_prompts);
    StepRunner runner(m_prompts, AddLocation);
    const auto chosen = runner.step(1, [&] {
        dialog.setFilename(QString());
        dialog.setFlags(cls_CommonDialog::OFN_FILEMUSTEXIST | cls_CommonDialog::OFN_ALLOWMULTISELECT);
        dialog.setHWnd(winId());
        dialog.setDialogTitle(QStringLiteral("Browse for files..."));
        dialog.setFilter(QStringLiteral(
            "All picture files|*.bmp;*.dib;*.gif;*.jpg;*.emf;*.wmf;*.ico;*.cur;|All file types (*.*)|*.*"));
        dialog.ShowOpen();
    });
    if (chosen == StepRunner::Result::Aborted || dialog.Filename().isEmpty())
        return;

    QString sDir;
    QStringList sFiles;
    qint32 lFileCount = 0;
    if (runner.step(2, [&] { dialog.ParseMultiFileName(sDir, sFiles, lFileCount); }) != StepRunner::Result::Done)
        return;

    if (lFileCount == 1) {
        runner.step(3, [&] {
            // The folder without its trailing separator, letter case kept; a root keeps its one.
            QString folder = mdl_Main::FolderOfPath(cls_CommonDialog::StripNull(dialog.Filename()));
            if (folder.size() > 1)
                folder.chop(1);
            AddRow(sFiles.value(0), folder);
        });
        return;
    }
    for (qint32 i = 0; i < lFileCount; ++i) {
        if (runner.step(4, [&] { AddRow(sFiles.value(i), dialog.SelectedDir); }) == StepRunner::Result::Aborted)
            return;
    }
}

void frm_Main::AddFiles(const QStringList& paths)
{
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!info.isFile())
            continue;
        AddRow(info.fileName(), QDir::toNativeSeparators(info.absolutePath()));
    }
}

void frm_Main::ShowTips()
{
    try {
        frm_Tips tips(m_prompts, this);
        if (tips.Form_Load())
            runModal(tips);
    } catch (...) {
        // A tip window that cannot load is simply not shown.
    }
}

void frm_Main::ShowStartupTips()
{
    ShowTips();
}

void frm_Main::Label2_Click()
{
    try {
        m_prompts.setSetting(QStringLiteral("Options"), QStringLiteral("Show Tips at Startup"), QStringLiteral("1"));
    } catch (...) {
    }
    ShowTips();
}

void frm_Main::lw_Files_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    Q_UNUSED(shift);
    if (button == Qt::RightButton)
        mnu_Menu->popup(lw_Files->viewport()->mapToGlobal(QPoint(x, y)));
}

void frm_Main::mnu_Del_Click()
{
    // Remove the first selected row and look again from the top, until none is left.
    for (;;) {
        int found = -1;
        for (int row = 0; row < lw_Files->rowCount(); ++row) {
            const QTableWidgetItem* cell = lw_Files->item(row, 0);
            if (cell && cell->isSelected()) {
                found = row;
                break;
            }
        }
        if (found < 0)
            return;
        lw_Files->removeRow(found);
    }
}

void frm_Main::mnu_Clear_Click()
{
    lw_Files->setRowCount(0);
}

} // namespace brevane
