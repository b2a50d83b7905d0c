#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

namespace brevane {

class ClickableLabel;
class Prompts;

// The About box: version line, maker's notice, logo, the web address and a contact button.
class frm_About : public QDialog {
    Q_OBJECT
public:
    static QString WebAddress();
    static QString ContactAddress();
    static QString MakerNotice();
    // "Brevane 2.0.19  " and the maker's notice.
    static QString VersionLine();

    frm_About(Prompts& prompts, QWidget* parent = nullptr);

    void Form_Load();
    // Hands a file or address to the desktop; errors go to the shared report.
    qint32 FileOpen(const QString& Filename, const QString& Action, const QString& Params = QString());

    QLabel* lbl_Info;
    QLabel* Label6;
    ClickableLabel* Label8;
    QLabel* Image1;
    QGroupBox* Frame1;
    QPushButton* Command2;
    QPushButton* Command1;

public Q_SLOTS:
    void Command1_Click() { accept(); }
    void Command2_Click();
    void Label8_Click();

private:
    Prompts& m_prompts;
};

} // namespace brevane
