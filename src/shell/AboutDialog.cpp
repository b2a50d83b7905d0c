#include "shell/AboutDialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Prompts.h"
#include "platform/StepRunner.h"
#include "shell/ClickableLabel.h"

namespace brevane {

QString AboutDialog::webAddress()
{
    return QStringLiteral("brevane.example.org");
}

QString AboutDialog::contactAddress()
{
    return QStringLiteral("brevane@example.org");
}

QString AboutDialog::makerNotice()
{
    return QStringLiteral("Copyright (C) 2026 the Brevane developers. Free to use and to pass on.");
}

QString AboutDialog::versionLine()
{
    return QStringLiteral("Brevane %1.%2.%3  ")
               .arg(BREVANE_VERSION_MAJOR)
               .arg(BREVANE_VERSION_MINOR)
               .arg(BREVANE_VERSION_PATCH)
        + makerNotice();
}

AboutDialog::AboutDialog(Prompts& prompts, QWidget* parent)
    : QDialog(parent)
    , m_prompts(prompts)
{
    setObjectName(QStringLiteral("frm_About"));
    setWindowTitle(QStringLiteral("About Brevane"));
    setModal(true);

    logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("Image1"));
    logo->setPixmap(QIcon(QStringLiteral(":/logo.svg")).pixmap(64, 64));
    logo->setAlignment(Qt::AlignTop);

    infoGroup = new QGroupBox(this);
    infoGroup->setObjectName(QStringLiteral("Frame1"));
    versionLabel = new QLabel(infoGroup);
    versionLabel->setObjectName(QStringLiteral("lbl_Info"));
    versionLabel->setWordWrap(true);
    versionLabel->setTextFormat(Qt::PlainText);
    updatesLabel = new QLabel(
        QStringLiteral("If you liked this program, you can check for updates, or download more programs from:"),
        infoGroup);
    updatesLabel->setObjectName(QStringLiteral("Label6"));
    updatesLabel->setWordWrap(true);
    webLink = new ClickableLabel(webAddress(), infoGroup);
    webLink->setObjectName(QStringLiteral("Label8"));
    QFont link = webLink->font();
    link.setUnderline(true);
    webLink->setFont(link);
    QPalette linkPalette = webLink->palette();
    linkPalette.setColor(QPalette::WindowText, QColor(0x00, 0x33, 0xcc));
    webLink->setPalette(linkPalette);
    auto* frameLayout = new QVBoxLayout(infoGroup);
    frameLayout->addWidget(versionLabel);
    frameLayout->addSpacing(8);
    frameLayout->addWidget(updatesLabel);
    frameLayout->addWidget(webLink);

    contactButton = new QPushButton(QStringLiteral("&Contact..."), this);
    contactButton->setObjectName(QStringLiteral("Command2"));
    contactButton->setAutoDefault(false);
    okButton = new QPushButton(QStringLiteral("&Ok"), this);
    okButton->setObjectName(QStringLiteral("Command1"));
    okButton->setDefault(true);

    auto* top = new QHBoxLayout;
    top->addWidget(logo);
    top->addWidget(infoGroup, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(contactButton);
    buttons->addWidget(okButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    connect(okButton, &QPushButton::clicked, this, &AboutDialog::accept);
    connect(contactButton, &QPushButton::clicked, this, &AboutDialog::contactUs);
    connect(webLink, &ClickableLabel::clicked, this, &AboutDialog::openWebSite);
    versionLabel->setText(versionLine());
}

void AboutDialog::openExternally(const QString& target)
{
    // The desktop decides what to do with a file or address.
    StepRunner runner(m_prompts, QStringLiteral("{02A00608-B7EC-49E3-8EE0-DE6AA0B3B42B}"));
    runner.step(1, [&] { m_prompts.openExternally(target); });
}

void AboutDialog::contactUs()
{
    openExternally(QStringLiteral("mailto:") + contactAddress());
}

void AboutDialog::openWebSite()
{
    openExternally(webAddress());
}

} // namespace brevane
