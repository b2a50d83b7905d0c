#include "shell/frm_About.h"

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

QString frm_About::WebAddress()
{
    return QStringLiteral("brevane.example.org");
}

QString frm_About::ContactAddress()
{
    return QStringLiteral("brevane@example.org");
}

QString frm_About::MakerNotice()
{
    return QStringLiteral("Copyright (C) 2026 the Brevane developers. Free to use and to pass on.");
}

QString frm_About::VersionLine()
{
    return QStringLiteral("Brevane %1.%2.%3  ")
               .arg(BREVANE_VERSION_MAJOR)
               .arg(BREVANE_VERSION_MINOR)
               .arg(BREVANE_VERSION_PATCH)
        + MakerNotice();
}

frm_About::frm_About(Prompts& prompts, QWidget* parent)
    : QDialog(parent)
    , m_prompts(prompts)
{
    setObjectName(QStringLiteral("frm_About"));
    setWindowTitle(QStringLiteral("About Brevane"));
    setModal(true);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QIcon(QStringLiteral(":/logo.svg")).pixmap(64, 64));
    Image1->setAlignment(Qt::AlignTop);

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    lbl_Info = new QLabel(Frame1);
    lbl_Info->setObjectName(QStringLiteral("lbl_Info"));
    lbl_Info->setWordWrap(true);
    lbl_Info->setTextFormat(Qt::PlainText);
    Label6 = new QLabel(
        QStringLiteral("If you liked this program, you can check for updates, or download more programs from:"),
        Frame1);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setWordWrap(true);
    Label8 = new ClickableLabel(WebAddress(), Frame1);
    Label8->setObjectName(QStringLiteral("Label8"));
    QFont link = Label8->font();
    link.setUnderline(true);
    Label8->setFont(link);
    QPalette linkPalette = Label8->palette();
    linkPalette.setColor(QPalette::WindowText, QColor(0x00, 0x33, 0xcc));
    Label8->setPalette(linkPalette);
    auto* frameLayout = new QVBoxLayout(Frame1);
    frameLayout->addWidget(lbl_Info);
    frameLayout->addSpacing(8);
    frameLayout->addWidget(Label6);
    frameLayout->addWidget(Label8);

    Command2 = new QPushButton(QStringLiteral("&Contact..."), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setAutoDefault(false);
    Command1 = new QPushButton(QStringLiteral("&Ok"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);

    auto* top = new QHBoxLayout;
    top->addWidget(Image1);
    top->addWidget(Frame1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command2);
    buttons->addWidget(Command1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    connect(Command1, &QPushButton::clicked, this, &frm_About::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frm_About::Command2_Click);
    connect(Label8, &ClickableLabel::clicked, this, &frm_About::Label8_Click);
    Form_Load();
}

void frm_About::Form_Load()
{
    lbl_Info->setText(VersionLine());
}

qint32 frm_About::FileOpen(const QString& Filename, const QString& Action, const QString& Params)
{
    // The desktop decides what to do with a file or address; the action and parameters of
    // the original shell call have no counterpart there.
    Q_UNUSED(Action);
    Q_UNUSED(Params);
    qint32 result = 0;
    StepRunner runner(m_prompts, QStringLiteral("{02A00608-B7EC-49E3-8EE0-DE6AA0B3B42B}"));
    runner.step(1, [&] { result = m_prompts.openExternally(Filename) ? 42 : 0; });
    return result;
}

void frm_About::Command2_Click()
{
    FileOpen(QStringLiteral("mailto:") + ContactAddress(), QStringLiteral("Open"), QString());
}

void frm_About::Label8_Click()
{
    FileOpen(WebAddress(), QStringLiteral("open"), QString());
}

} // namespace brevane
