#pragma once

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QLabel;
class QPushButton;

namespace brevane {

class Prompts;

// The tips read so far and the one shown last. The main window keeps one for its whole
// life, so each tip window goes on where the last one stopped.
struct TipList {
    QStringList tips;
    qint32 index = 0; // 1-based; 0 before the first tip
};

// The tip of the day: one line of tips.txt at a time, in file order, cycling.
class TipsDialog : public QDialog {
    Q_OBJECT
public:
    TipsDialog(Prompts& prompts, TipList& tips, QWidget* parent = nullptr);

    // Decides whether the window stays (false: tips at start-up are off and nothing is to
    // be shown), fills the list and shows the next tip. Error 13 for a setting that is no number.
    bool prepare();
    bool loadTips(const QString& path);
    void showNextTip();
    void displayCurrentTip();

    static QString missingTipsText();
    static QString tipsFile();

    QLabel* tipText;
    QCheckBox* showAtStartupBox;
    QPushButton* nextTipButton;
    QPushButton* okButton;

public Q_SLOTS:
    void storeShowAtStartup();

private:
    Prompts& m_prompts;
    TipList& m_tips;
};

} // namespace brevane
