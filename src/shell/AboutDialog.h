#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

namespace brevane {

class ClickableLabel;
class Prompts;

// The About box: version line, maker's notice, logo, the web address and a contact button.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    static QString webAddress();
    static QString contactAddress();
    static QString makerNotice();
    // "Brevane 2.0.19  " and the maker's notice.
    static QString versionLine();

    AboutDialog(Prompts& prompts, QWidget* parent = nullptr);

    // Hands a file or address to the desktop; errors go to the shared report.
    void openExternally(const QString& target);

    QLabel* versionLabel;
    QLabel* updatesLabel;
    ClickableLabel* webLink;
    QLabel* logo;
    QGroupBox* infoGroup;
    QPushButton* contactButton;
    QPushButton* okButton;

public Q_SLOTS:
    void contactUs();
    void openWebSite();

private:
    Prompts& m_prompts;
};

} // namespace brevane
