#include "multipage/widgets/frm_Multi.h"

#include "dialogs/cls_CommonDialog.h"
#include "platform/Error.h"
#include "platform/Prompts.h"
#include "platform/StepRunner.h"
#include "platform/widgets/PictureBoxView.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace brevane {

const QString frm_Multi::LocationCode = QStringLiteral("{CA47FF53-A970-4D44-B85D-516B79C3EFA6}");

namespace {

    // Line numbers of the browse procedure, as its error report shows them.
    enum BrowseLine { BrowseChoose = 1, BrowseShowPath = 3, BrowseLoad = 4 };
    constexpr int SaveChoose = 1;

    QString indexed(const char* name, int index)
    {
        return QLatin1String(name) + QLatin1Char('_') + QString::number(index);
    }

    Colour windowColour()
    {
        return fromQColor(QApplication::palette().color(QPalette::Base));
    }

} // namespace

frm_Multi::frm_Multi(Prompts& prompts, QWidget* parent)
    : QDialog(parent)
    , m_prompts(prompts)
    , m_icon(windowColour())
{
    setObjectName(QStringLiteral("frm_Multi"));
    setWindowTitle(QStringLiteral("Multi-page icon"));

    auto* Frame1 = new QGroupBox(QStringLiteral("What is this ?"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* Label1
        = new QLabel(QStringLiteral("Multipage icon is an icon that supports three modes: \"Small\", \"Normal\" "
                                    "and \"Large\". Small is 16x16, normal is 32x32, large is 48x48 image, and "
                                    "it is always used by Windows XP (48x48 icon). Here you can choose an "
                                    "image for each of these modes."),
            Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    (new QVBoxLayout(Frame1))->addWidget(Label1);

    // The three slots: label, path box and "..." button.
    auto* slotGrid = new QGridLayout;
    const char* labelNames[] = { "Label2", "Label3", "Label4" };
    const QString labelTexts[] = { QStringLiteral("Small image, 16x16:"), QStringLiteral("Normal image, 32x32:"),
        QStringLiteral("Large image, 48x48:") };
    for (int i = 0; i < MultiPageIcon::SlotCount; ++i) {
        auto* label = new QLabel(labelTexts[i], this);
        label->setObjectName(QLatin1String(labelNames[i]));
        txt_File[i] = new QLineEdit(this);
        txt_File[i]->setObjectName(indexed("txt_File", i));
        txt_File[i]->setMinimumWidth(260);
        label->setBuddy(txt_File[i]);
        auto* browse = new QPushButton(QStringLiteral("..."), this);
        browse->setObjectName(indexed("cmd_Browse", i));
        browse->setAutoDefault(false);
        browse->setFixedWidth(32);
        slotGrid->addWidget(label, 2 * i, 0, 1, 2);
        slotGrid->addWidget(txt_File[i], 2 * i + 1, 0);
        slotGrid->addWidget(browse, 2 * i + 1, 1);
        // A slot counts as filled whenever its box holds text, typed or browsed.
        connect(
            txt_File[i], &QLineEdit::textChanged, this, [this, i](const QString& text) { m_icon.setPath(i, text); });
        connect(browse, &QPushButton::clicked, this, [this, i] { cmd_Browse_Click(static_cast<qint16>(i)); });
    }

    auto* Frame3 = new QGroupBox(QStringLiteral("Preview"), this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    auto* Picture2 = new QWidget(Frame3);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    auto* previews = new QHBoxLayout(Picture2);
    previews->setContentsMargins(0, 0, 0, 0);
    const char* previewNames[] = { "pic_A", "pic_B", "pic_C" };
    for (int i = 0; i < MultiPageIcon::SlotCount; ++i)
        previews->addWidget(makePreview(i, QLatin1String(previewNames[i])), 0, Qt::AlignBottom);
    previews->addStretch();
    (new QVBoxLayout(Frame3))->addWidget(Picture2);

    auto* Frame2 = new QGroupBox(QStringLiteral("Transparent color"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    auto* Picture1 = new QWidget(Frame2);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    auto* colour = new QHBoxLayout(Picture1);
    colour->setContentsMargins(0, 0, 0, 0);
    ch_Trans = new QCheckBox(QStringLiteral("Transparent ?"), Picture1);
    ch_Trans->setObjectName(QStringLiteral("ch_Trans"));
    ch_Trans->setChecked(true);
    colour->addWidget(ch_Trans);
    const QString componentNames[] = { QStringLiteral("Red:"), QStringLiteral("Green:"), QStringLiteral("Blue:") };
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(componentNames[i], Picture1);
        label->setObjectName(indexed("Label5", i));
        txt_Color[i] = new QLineEdit(QStringLiteral("255"), Picture1);
        txt_Color[i]->setObjectName(indexed("txt_Color", i));
        txt_Color[i]->setMaximumWidth(48);
        label->setBuddy(txt_Color[i]);
        colour->addSpacing(8);
        colour->addWidget(label);
        colour->addWidget(txt_Color[i]);
    }
    colour->addStretch();
    (new QVBoxLayout(Frame2))->addWidget(Picture1);

    auto* Command4 = new QPushButton(QStringLiteral("Save icon..."), this);
    Command4->setObjectName(QStringLiteral("Command4"));
    Command4->setAutoDefault(false);
    connect(Command4, &QPushButton::clicked, this, &frm_Multi::Command4_Click);
    auto* Command5 = new QPushButton(QStringLiteral("Cancel"), this);
    Command5->setObjectName(QStringLiteral("Command5"));
    Command5->setAutoDefault(false);
    connect(Command5, &QPushButton::clicked, this, &frm_Multi::Command5_Click);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command4);
    buttons->addWidget(Command5);

    auto* middle = new QHBoxLayout;
    middle->addLayout(slotGrid, 1);
    middle->addWidget(Frame3, 0, Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addLayout(middle);
    layout->addWidget(Frame2);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

frm_Multi::~frm_Multi()
{
    // The views go after the engine; nothing may reach back into them from the boxes.
    for (int i = 0; i < MultiPageIcon::SlotCount; ++i)
        m_icon.preview(i).onChanged = nullptr;
}

// The preview box: a one-pixel frame around a drawing surface the size of the slot's image,
// so the image is read from the surface's top-left corner.
QFrame* frm_Multi::makePreview(int slot, const QString& name)
{
    auto* frame = new QFrame(this);
    frame->setObjectName(name);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setLineWidth(1);
    const int outer = MultiPageIcon::imageSize(slot) + 2;
    frame->setFixedSize(outer, outer);
    m_views[slot] = new PictureBoxView(m_icon.preview(slot), frame);
    m_views[slot]->setObjectName(name + QLatin1String("_surface"));
    auto* inside = new QVBoxLayout(frame);
    inside->setContentsMargins(1, 1, 1, 1);
    inside->addWidget(m_views[slot]);
    return frame;
}

void frm_Multi::cmd_Browse_Click(qint16 Index)
{
    if (Index < 0 || Index >= MultiPageIcon::SlotCount)
        return;
    StepRunner steps(m_prompts, LocationCode);

    QString file;
    const auto choose = [&] {
        cls_CommonDialog dialog(m_prompts);
        dialog.setFilename(QString());
        dialog.setFlags(cls_CommonDialog::OFN_FILEMUSTEXIST);
        dialog.setHWnd(static_cast<quintptr>(effectiveWinId()));
        dialog.setDialogTitle(QStringLiteral("Browse for files..."));
        dialog.setFilter(QStringLiteral(
            "All picture files|*.bmp;*.dib;*.gif;*.jpg;*.emf;*.wmf;*.ico;*.cur;|All file types (*.*)|*.*"));
        dialog.ShowOpen();
        file = dialog.Filename();
    };
    if (steps.step(BrowseChoose, choose) == StepRunner::Result::Aborted || file.isEmpty())
        return;

    // The path is shown before the picture is read: a file that fails still names itself.
    if (steps.step(BrowseShowPath, [&] { txt_File[Index]->setText(file); }) == StepRunner::Result::Aborted)
        return;

    bool invalid = false;
    const auto load = [&] {
        try {
            m_icon.loadPreview(Index, file);
        } catch (const Error& e) {
            if (e.number() != err::InvalidPicture)
                throw;
            invalid = true;
        }
    };
    if (steps.step(BrowseLoad, load) == StepRunner::Result::Aborted)
        return;
    if (invalid)
        m_prompts.message(
            QStringLiteral("Invalid picture !"), QStringLiteral("Wrong image"), MsgIcon::Exclamation, MsgButtons::Ok);
}

void frm_Multi::Command4_Click()
{
    StepRunner steps(m_prompts, LocationCode);

    QString chosen;
    const auto choose = [&] {
        cls_CommonDialog dialog(m_prompts);
        dialog.setHWnd(static_cast<quintptr>(effectiveWinId()));
        dialog.setFilename(QString());
        dialog.setDialogTitle(QStringLiteral("Save icon..."));
        dialog.setFilter(QStringLiteral("Icon file (*.ico)|*.ico|All file types (*.*)|*.*"));
        dialog.ShowSave();
        chosen = dialog.Filename();
    };
    if (steps.step(SaveChoose, choose) == StepRunner::Result::Aborted || chosen.isEmpty())
        return;

    TransparentChoice transparent;
    transparent.useTypedColour = ch_Trans->isChecked();
    transparent.red = txt_Color[0]->text();
    transparent.green = txt_Color[1]->text();
    transparent.blue = txt_Color[2]->text();

    const auto result = m_icon.save(
        chosen, transparent, [&steps](int line, const std::function<void()>& fn) { return steps.step(line, fn); });

    switch (result.outcome) {
    case MultiPageIcon::Outcome::NoImages:
        m_prompts.message(QStringLiteral("There are no images !"), QString(), MsgIcon::Exclamation, MsgButtons::Ok);
        break;
    case MultiPageIcon::Outcome::InvalidColour:
        m_prompts.message(QStringLiteral("Invalid transparent color !"), QStringLiteral("Error"), MsgIcon::Exclamation,
            MsgButtons::Ok);
        break;
    case MultiPageIcon::Outcome::Saved:
    case MultiPageIcon::Outcome::NotSaved:
        // The dialog stays open for the next icon; success needs no word.
        break;
    }
}

void frm_Multi::Command5_Click()
{
    const MsgAnswer answer = m_prompts.message(
        QStringLiteral("Are you sure you want to cancel ?\r\nTIP: Click close button to avoid this message."),
        QStringLiteral("Cancel"), MsgIcon::Question, MsgButtons::YesNo);
    if (answer == MsgAnswer::Yes)
        reject();
}

} // namespace brevane
