#include "shell/frm_Tips.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Error.h"
#include "platform/Prompts.h"
#include "shell/mdl_Main.h"

namespace brevane {

QStringList frm_Tips::TipList;
qint32 frm_Tips::TipIndex = 0;

namespace {
    const QString Section = QStringLiteral("Options");
    const QString Key = QStringLiteral("Show Tips at Startup");

    // Lines end at CR LF, a lone CR or a lone LF; a last line without an end still counts.
    QStringList splitLines(const QString& text)
    {
        QStringList lines;
        QString line;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
                lines.append(line);
                line.clear();
                if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                    ++i;
            } else {
                line.append(c);
            }
        }
        if (!line.isEmpty())
            lines.append(line);
        return lines;
    }
}

frm_Tips::frm_Tips(Prompts& prompts, QWidget* parent)
    : QDialog(parent)
    , m_prompts(prompts)
{
    setObjectName(QStringLiteral("frm_Tips"));
    setWindowTitle(QStringLiteral("Tip of the Day"));
    setModal(true);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("imgTip"));
    picture->setPixmap(QIcon(QStringLiteral(":/logo.svg")).pixmap(48, 48));
    picture->setAlignment(Qt::AlignTop);

    auto* heading = new QLabel(QStringLiteral("Did you know..."), this);
    heading->setObjectName(QStringLiteral("lblHeading"));
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.3);
    heading->setFont(headingFont);

    lblTipText = new QLabel(this);
    lblTipText->setObjectName(QStringLiteral("lblTipText"));
    lblTipText->setWordWrap(true);
    lblTipText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblTipText->setMinimumSize(300, 90);
    lblTipText->setTextFormat(Qt::PlainText);

    chkLoadTipsAtStartup = new QCheckBox(QStringLiteral("&Show Tips at Startup"), this);
    chkLoadTipsAtStartup->setObjectName(QStringLiteral("chkLoadTipsAtStartup"));
    cmdNextTip = new QPushButton(QStringLiteral("&Next Tip"), this);
    cmdNextTip->setObjectName(QStringLiteral("cmdNextTip"));
    cmdNextTip->setAutoDefault(false);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);

    auto* text = new QVBoxLayout;
    text->addWidget(heading);
    text->addWidget(lblTipText, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(chkLoadTipsAtStartup);
    buttons->addStretch(1);
    buttons->addWidget(cmdNextTip);
    buttons->addWidget(cmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);

    // Any change of the box's value stores it, whether the user or the loading made it.
    connect(chkLoadTipsAtStartup, &QCheckBox::toggled, this, &frm_Tips::chkLoadTipsAtStartup_Click);
    connect(cmdNextTip, &QPushButton::clicked, this, &frm_Tips::cmdNextTip_Click);
    // OK is both the default and the cancel button: Enter and Esc (QDialog's reject) close.
    connect(cmdOK, &QPushButton::clicked, this, &frm_Tips::cmdOK_Click);
}

QString frm_Tips::TipsFile()
{
    return mdl_Main::ProgramFile(QStringLiteral("tips.txt"));
}

QString frm_Tips::MissingTipsText()
{
    return QStringLiteral("That the ") + QStringLiteral("tips.txt") + QStringLiteral(" file was not found? ")
        + QStringLiteral("\r\n\r\n") + QStringLiteral("Create a text file named ") + QStringLiteral("tips.txt")
        + QStringLiteral(" using NotePad with 1 tip per line. ")
        + QStringLiteral("Then place it in the same directory as the application. ");
}

bool frm_Tips::Form_Load()
{
    bool isNumber = false;
    const int show = m_prompts.setting(Section, Key, QStringLiteral("1")).trimmed().toInt(&isNumber);
    if (!isNumber)
        throw Error::runtime(err::TypeMismatch);
    if (show == 0)
        return false;
    chkLoadTipsAtStartup->setChecked(true);
    if (!LoadTips(TipsFile()))
        lblTipText->setText(MissingTipsText());
    return true;
}

bool frm_Tips::LoadTips(const QString& sFile)
{
    if (sFile.isEmpty())
        return false;
    const QFileInfo info(sFile);
    if (!info.isFile() || info.isHidden())
        return false;
    QFile file(sFile);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    TipList.append(splitLines(QString::fromLocal8Bit(file.readAll())));
    file.close();
    ShowNextTip();
    return true;
}

void frm_Tips::ShowNextTip()
{
    ++TipIndex;
    if (TipIndex > TipList.size())
        TipIndex = 1;
    DisplayCurrentTip();
}

void frm_Tips::DisplayCurrentTip()
{
    if (!TipList.isEmpty() && TipIndex >= 1 && TipIndex <= TipList.size())
        lblTipText->setText(TipList.at(TipIndex - 1));
}

void frm_Tips::chkLoadTipsAtStartup_Click()
{
    m_prompts.setSetting(Section, Key, chkLoadTipsAtStartup->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace brevane
