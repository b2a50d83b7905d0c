#pragma once

#include <QHash>
#include <QList>
#include <QTimer>
#include <QWidget>

#include <functional>

#include "platform/PictureRow.h"
#include "shell/TipsDialog.h"

class QAction;
class QDialog;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;

namespace brevane {

class ClickableLabel;
class FileListView;
class Prompts;
class TaskPane;
class WindowMenu;

// The main window: the picture list, the task pane, the information strip with its tips
// link, the list's popup menu, and the doors to the other windows.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 453;
    static constexpr int ClientHeight = 308;

    explicit MainWindow(Prompts& prompts, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Doors to the windows that live elsewhere: the conversion options (given row 1's folder
    // and whether several rows are listed), the multi-page builder and the one-picture icon
    // window; tests may replace them.
    std::function<void(const QString& firstFolder, bool severalRows)> openConvertDialog;
    std::function<void()> openMultiPageDialog;
    std::function<void()> openOnePictureWindow;
    // How a modal window of this one is run; exec() unless a test looks in.
    std::function<void(QDialog&)> runModal;

    // The list as the conversion reads it: rows numbered from 1.
    int rowCount() const;
    PictureRow row(int index) const;
    QList<PictureRow> rows() const;
    int rowIcon(int index) const;
    QString rowPathColumn(int index) const;
    void addRow(const QString& text, const QString& folderTag);
    // The small-icon index for a file name, from its last three letters.
    static int fileTypeIconIndex(const QString& text);

    // The tip window at start-up; every failure on the way is ignored.
    void showStartupTips();
    // The same, once this window is on screen where the window manager put it, so that the
    // tip window comes up over it.
    void showStartupTipsOnScreen();

    WindowMenu& windowMenu() { return *m_windowMenu; }

    FileListView* fileList;
    TaskPane* taskPane;
    QLabel* listLabel;
    QFrame* infoFrame;
    QWidget* infoStrip;
    QLabel* infoPicture;
    QLabel* infoText;
    ClickableLabel* moreTipsLink;
    QPushButton* convertButton;
    QPushButton* aboutButton;
    QPushButton* exitButton;
    QPushButton* addButton;
    QMenu* listMenu;
    QAction* clearAction;
    QAction* removeAction;
    QAction* addMoreAction;

public Q_SLOTS:
    void runTask(const QString& key);
    void convertListedPictures();
    void showAbout();
    void exitProgram();
    void addPictures();
    void showTipsAgain();
    void showListMenu(Qt::MouseButton button, QPoint position);
    void removeSelectedRows();
    void clearList();
    // Dropped files join the list like chosen ones: one row each, in the file's folder.
    void addFiles(const QStringList& paths);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillLists();
    void setUpKeyboard();
    void unload();
    void showTips();

    Prompts& m_prompts;
    WindowMenu* m_windowMenu = nullptr;
    TipList m_tips;
    bool m_unloaded = false;
    bool m_tipsWaitForScreen = false;
    QTimer m_tipsPlacement; // runs while this window has not yet kept still on screen
    QHash<QObject*, QWidget*> m_accessKeyItems; // button behind the list -> its task item
};

} // namespace brevane
