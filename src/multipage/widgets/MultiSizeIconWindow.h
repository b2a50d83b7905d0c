#pragma once

#include "icon/IconFile.h"
#include "multipage/MultiSizeIcon.h"

#include <QDialog>
#include <QFutureWatcher>
#include <QMap>
#include <QStringList>
#include <QTimer>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace brevane {

class IconPreviewSheet;
class Prompts;

// "Create icon from one picture": one picture made into an icon of the ticked sizes, some
// sizes perhaps drawn from pictures of their own, previewed as the icon really shows them.
// Pictures are read and the icon built off the window's thread, a moment after the last
// change, so big pictures never freeze it; the preview is drawn from the very document Save
// writes.
class MultiSizeIconWindow : public QDialog {
    Q_OBJECT
public:
    // The sizes offered, and those ticked at the start.
    static QList<int> offeredSizes() { return { 16, 20, 24, 32, 40, 48, 64, 96, 128, 256 }; }

    explicit MultiSizeIconWindow(Prompts& prompts, QWidget* parent = nullptr);
    ~MultiSizeIconWindow() override;

    const MultiSizeIcon& icon() const { return m_icon; }
    IconPreviewSheet* previewSheet() const { return m_sheet; }
    // Whether the preview shows the current choices.
    bool isPreviewCurrent() const;

public Q_SLOTS:
    void browseForPicture();
    void browseForOwnPicture();
    void clearOwnPicture();
    void loadPicture(const QString& path);
    void saveIcon();
    void pickColour(int size, QPoint pixel);

Q_SIGNALS:
    // The preview shows the current choices (or says why it cannot).
    void previewReady();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // What the worker is asked: the choices, and pictures to read first.
    struct Job {
        MultiSizeIcon icon;
        QString picturePath;
        int ownSize = 0;
        QString ownPath;
    };
    struct Outcome {
        Job job;
        Picture picture;
        Picture ownPicture;
        QStringList failures; // pictures that could not be read, or why the icon could not be built
        bool built = false;
        IconFile document;
        QList<int> sizes;
        QList<QImage> images;
    };
    static Outcome run(Job job);

    QString chooseFile(const QString& title, bool save, const QString& initialName = QString());
    void readChoices();
    void scheduleBuild();
    bool hasWork() const;
    Job takeJob();
    void startBuild();
    void buildFinished();
    void takeOutcome(const Outcome& outcome);
    // Finishes what is pending on this thread, so the document matches the choices.
    void settle();
    void updateOwnList();

    Prompts& m_prompts;
    MultiSizeIcon m_icon;
    QString m_picturePath;
    QMap<int, QString> m_ownPaths;
    // Reads asked for and not yet started.
    QString m_queuedPicture;
    int m_queuedOwnSize = 0;
    QString m_queuedOwnPath;

    QTimer m_debounce;
    QFutureWatcher<Outcome> m_watcher;
    bool m_running = false;
    bool m_dirty = true; // the controls changed since they were last read
    IconFile m_document;

    QLineEdit* m_pathBox = nullptr;
    QMap<int, QCheckBox*> m_sizeBoxes;
    QComboBox* m_depthBox = nullptr;
    QRadioButton* m_fitButton = nullptr;
    QRadioButton* m_cropButton = nullptr;
    QCheckBox* m_transparentBox = nullptr;
    QLineEdit* m_colourBoxes[3] = {};
    QComboBox* m_ownSizeBox = nullptr;
    QLabel* m_ownList = nullptr;
    IconPreviewSheet* m_sheet = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_saveButton = nullptr;
};

} // namespace brevane
