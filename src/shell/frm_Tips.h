#pragma once

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QLabel;
class QPushButton;

namespace brevane {

class Prompts;

// The tip of the day: one line of tips.txt at a time, in file order, cycling. The list of
// tips and the position survive the window for the whole run.
class frm_Tips : public QDialog {
    Q_OBJECT
public:
    frm_Tips(Prompts& prompts, QWidget* parent = nullptr);

    // Decides whether the window stays (false: tips at start-up are off and nothing is to
    // be shown), fills the list and shows the next tip. Error 13 for a setting that is no number.
    bool Form_Load();
    bool LoadTips(const QString& sFile);
    void ShowNextTip();
    void DisplayCurrentTip();

    static QString MissingTipsText();
    static QString TipsFile();

    // Kept for the whole run, like the window's caller expects.
    static QStringList TipList;
    static qint32 TipIndex;

    QLabel* lblTipText;
    QCheckBox* chkLoadTipsAtStartup;
    QPushButton* cmdNextTip;
    QPushButton* cmdOK;

public Q_SLOTS:
    void chkLoadTipsAtStartup_Click();
    void cmdNextTip_Click() { ShowNextTip(); }
    void cmdOK_Click() { accept(); }

private:
    Prompts& m_prompts;
};

} // namespace brevane
