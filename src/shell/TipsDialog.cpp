#include "shell/TipsDialog.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Error.h"
#include "platform/Prompts.h"
#include "shell/Startup.h"

namespace brevane {

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

TipsDialog::TipsDialog(Prompts& prompts, TipList& tips, QWidget* parent)
    : QDialog(parent)
    , m_prompts(prompts)
    , m_tips(tips)
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

    tipText = new QLabel(this);
    tipText->setObjectName(QStringLiteral("lblTipText"));
    tipText->setWordWrap(true);
    tipText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    tipText->setMinimumSize(300, 90);
    tipText->setTextFormat(Qt::PlainText);

    showAtStartupBox = new QCheckBox(QStringLiteral("&Show Tips at Startup"), this);
    showAtStartupBox->setObjectName(QStringLiteral("chkLoadTipsAtStartup"));
    nextTipButton = new QPushButton(QStringLiteral("&Next Tip"), this);
    nextTipButton->setObjectName(QStringLiteral("cmdNextTip"));
    nextTipButton->setAutoDefault(false);
    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("cmdOK"));
    okButton->setDefault(true);

    auto* text = new QVBoxLayout;
    text->addWidget(heading);
    text->addWidget(tipText, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(showAtStartupBox);
    buttons->addStretch(1);
    buttons->addWidget(nextTipButton);
    buttons->addWidget(okButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);

    // Any change of the box's value stores it, whether the user or the loading made it.
    connect(showAtStartupBox, &QCheckBox::toggled, this, &TipsDialog::storeShowAtStartup);
    connect(nextTipButton, &QPushButton::clicked, this, &TipsDialog::showNextTip);
    // OK is both the default and the cancel button: Enter and Esc (QDialog's reject) close.
    connect(okButton, &QPushButton::clicked, this, &TipsDialog::accept);
}

QString TipsDialog::tipsFile()
{
    return Startup::programFile(QStringLiteral("tips.txt"));
}

QString TipsDialog::missingTipsText()
{
    return QStringLiteral("That the ") + QStringLiteral("tips.txt") + QStringLiteral(" file was not found? ")
        + QStringLiteral("\r\n\r\n") + QStringLiteral("Create a text file named ") + QStringLiteral("tips.txt")
        + QStringLiteral(" using NotePad with 1 tip per line. ")
        + QStringLiteral("Then place it in the same directory as the application. ");
}

bool TipsDialog::prepare()
{
    bool isNumber = false;
    const int show = m_prompts.setting(Section, Key, QStringLiteral("1")).trimmed().toInt(&isNumber);
    if (!isNumber)
        throw Error::runtime(err::TypeMismatch);
    if (show == 0)
        return false;
    showAtStartupBox->setChecked(true);
    if (!loadTips(tipsFile()))
        tipText->setText(missingTipsText());
    return true;
}

bool TipsDialog::loadTips(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (!info.isFile() || info.isHidden())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    m_tips.tips.append(splitLines(QString::fromLocal8Bit(file.readAll())));
    file.close();
    showNextTip();
    return true;
}

void TipsDialog::showNextTip()
{
    ++m_tips.index;
    if (m_tips.index > m_tips.tips.size())
        m_tips.index = 1;
    displayCurrentTip();
}

void TipsDialog::displayCurrentTip()
{
    if (!m_tips.tips.isEmpty() && m_tips.index >= 1 && m_tips.index <= m_tips.tips.size())
        tipText->setText(m_tips.tips.at(m_tips.index - 1));
}

void TipsDialog::storeShowAtStartup()
{
    m_prompts.setSetting(Section, Key, showAtStartupBox->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace brevane
