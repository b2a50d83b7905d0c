#pragma once

#include <QList>
#include <QWidget>

#include <functional>

#include "platform/PictureRow.h"

class QAction;
class QDialog;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;

namespace brevane {

class ClickableLabel;
class ExplorerBar;
class FileListView;
class Prompts;

// The main window: the picture list, the task pane, the information strip with its tips
// link, the list's popup menu, and the doors to the other windows.
class frm_Main : public QWidget {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 453;
    static constexpr int ClientHeight = 308;

    explicit frm_Main(Prompts& prompts, QWidget* parent = nullptr);
    ~frm_Main() override;

    // Doors to the windows that live elsewhere: the conversion options (given row 1's folder
    // and whether several rows are listed) and the multi-page builder. Unset: nothing opens.
    std::function<void(const QString& sFirstFolderTag, bool bSeveralRows)> openCustomize;
    std::function<void()> openMulti;
    // How a modal window of this one is run; exec() unless a test looks in.
    std::function<void(QDialog&)> runModal;

    // The list as the conversion reads it: rows numbered from 1.
    int ListCount() const;
    PictureRow Row(int nIndex) const;
    QList<PictureRow> Rows() const;
    int RowIcon(int nIndex) const;
    QString RowPathColumn(int nIndex) const;
    void AddRow(const QString& sText, const QString& sFolderTag);
    // The small-icon index for a file name, from its last three letters.
    static int FileTypeIconIndex(const QString& sText);

    // The tip window at start-up; every failure on the way is ignored.
    void ShowStartupTips();

    FileListView* lw_Files;
    ExplorerBar* eb_Main;
    QLabel* Label1;
    QFrame* f_Info;
    QWidget* pic_Info;
    QLabel* img_Info;
    QLabel* lbl_Info;
    ClickableLabel* Label2;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QMenu* mnu_Menu;
    QAction* mnu_Clear;
    QAction* mnu_Del;
    QAction* mnu_Add;

public Q_SLOTS:
    void eb_Main_ItemClick(const QString& sKey);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Label2_Click();
    void lw_Files_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void mnu_Add_Click() { Command4_Click(); }
    void mnu_Del_Click();
    void mnu_Clear_Click();
    // Dropped files join the list like chosen ones: one row each, in the file's folder.
    void AddFiles(const QStringList& paths);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void Form_Unload();
    void ShowTips();

    Prompts& m_prompts;
    bool m_unloaded = false;
};

} // namespace brevane
