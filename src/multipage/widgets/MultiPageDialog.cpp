#include "multipage/widgets/MultiPageDialog.h"

#include "dialogs/FileDialog.h"
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
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace brevane {

const QString MultiPageDialog::LocationCode = QStringLiteral("{CA47FF53-A970-4D44-B85D-516B79C3EFA6}");

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

MultiPageDialog::MultiPageDialog(Prompts& prompts, QWidget* parent)
    : QDialog(parent)
    , m_prompts(prompts)
    , m_icon(windowColour())
{
    setObjectName(QStringLiteral("frm_Multi"));
    setWindowTitle(QStringLiteral("Multi-page icon"));

    auto* explanationGroup = new QGroupBox(QStringLiteral("What is this ?"), this);
    explanationGroup->setObjectName(QStringLiteral("Frame1"));
    auto* explanation
        = new QLabel(QStringLiteral("Multipage icon is an icon that supports three modes: \"Small\", \"Normal\" "
                                    "and \"Large\". Small is 16x16, normal is 32x32, large is 48x48 image, and "
                                    "it is always used by Windows XP (48x48 icon). Here you can choose an "
                                    "image for each of these modes."),
            explanationGroup);
    explanation->setObjectName(QStringLiteral("Label1"));
    explanation->setWordWrap(true);
    (new QVBoxLayout(explanationGroup))->addWidget(explanation);

    // The three slots: label, path box and "..." button.
    auto* slotGrid = new QGridLayout;
    const char* labelNames[] = { "Label2", "Label3", "Label4" };
    const QString labelTexts[] = { QStringLiteral("Small image, 16x16:"), QStringLiteral("Normal image, 32x32:"),
        QStringLiteral("Large image, 48x48:") };
    for (int i = 0; i < MultiPageIcon::SlotCount; ++i) {
        auto* label = new QLabel(labelTexts[i], this);
        label->setObjectName(QLatin1String(labelNames[i]));
        m_pathBoxes[i] = new QLineEdit(this);
        m_pathBoxes[i]->setObjectName(indexed("txt_File", i));
        m_pathBoxes[i]->setMinimumWidth(260);
        label->setBuddy(m_pathBoxes[i]);
        auto* browse = new QPushButton(QStringLiteral("..."), this);
        browse->setObjectName(indexed("cmd_Browse", i));
        browse->setAutoDefault(false);
        browse->setFixedWidth(32);
        slotGrid->addWidget(label, 2 * i, 0, 1, 2);
        slotGrid->addWidget(m_pathBoxes[i], 2 * i + 1, 0);
        slotGrid->addWidget(browse, 2 * i + 1, 1);
        // A slot counts as filled whenever its box holds text, typed or browsed.
        connect(
            m_pathBoxes[i], &QLineEdit::textChanged, this, [this, i](const QString& text) { m_icon.setPath(i, text); });
        connect(browse, &QPushButton::clicked, this, [this, i] { browseForPicture(static_cast<qint16>(i)); });
    }

    auto* previewGroup = new QGroupBox(QStringLiteral("Preview"), this);
    previewGroup->setObjectName(QStringLiteral("Frame3"));
    auto* previewRow = new QWidget(previewGroup);
    previewRow->setObjectName(QStringLiteral("Picture2"));
    auto* previews = new QHBoxLayout(previewRow);
    previews->setContentsMargins(0, 0, 0, 0);
    const char* previewNames[] = { "pic_A", "pic_B", "pic_C" };
    for (int i = 0; i < MultiPageIcon::SlotCount; ++i)
        previews->addWidget(makePreview(i, QLatin1String(previewNames[i])), 0, Qt::AlignBottom);
    previews->addStretch();
    (new QVBoxLayout(previewGroup))->addWidget(previewRow);

    auto* colourGroup = new QGroupBox(QStringLiteral("Transparent color"), this);
    colourGroup->setObjectName(QStringLiteral("Frame2"));
    auto* colourRow = new QWidget(colourGroup);
    colourRow->setObjectName(QStringLiteral("Picture1"));
    auto* colour = new QHBoxLayout(colourRow);
    colour->setContentsMargins(0, 0, 0, 0);
    m_transparentBox = new QCheckBox(QStringLiteral("Transparent ?"), colourRow);
    m_transparentBox->setObjectName(QStringLiteral("ch_Trans"));
    m_transparentBox->setChecked(true);
    colour->addWidget(m_transparentBox);
    const QString componentNames[] = { QStringLiteral("Red:"), QStringLiteral("Green:"), QStringLiteral("Blue:") };
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(componentNames[i], colourRow);
        label->setObjectName(indexed("Label5", i));
        m_colourBoxes[i] = new QLineEdit(QStringLiteral("255"), colourRow);
        m_colourBoxes[i]->setObjectName(indexed("txt_Color", i));
        m_colourBoxes[i]->setMaximumWidth(48);
        label->setBuddy(m_colourBoxes[i]);
        colour->addSpacing(8);
        colour->addWidget(label);
        colour->addWidget(m_colourBoxes[i]);
    }
    colour->addStretch();
    (new QVBoxLayout(colourGroup))->addWidget(colourRow);

    auto* saveButton = new QPushButton(QStringLiteral("Save icon..."), this);
    saveButton->setObjectName(QStringLiteral("Command4"));
    saveButton->setAutoDefault(false);
    connect(saveButton, &QPushButton::clicked, this, &MultiPageDialog::saveIcon);
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("Command5"));
    cancelButton->setAutoDefault(false);
    connect(cancelButton, &QPushButton::clicked, this, &MultiPageDialog::askToCancel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton);
    buttons->addWidget(cancelButton);

    auto* middle = new QHBoxLayout;
    middle->addLayout(slotGrid, 1);
    middle->addWidget(previewGroup, 0, Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanationGroup);
    layout->addLayout(middle);
    layout->addWidget(colourGroup);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

MultiPageDialog::~MultiPageDialog() = default;

// The preview box: a one-pixel frame around a drawing surface the size of the slot's image,
// so the image is read from the surface's top-left corner.
QFrame* MultiPageDialog::makePreview(int slot, const QString& name)
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

void MultiPageDialog::browseForPicture(qint16 slot)
{
    if (slot < 0 || slot >= MultiPageIcon::SlotCount)
        return;
    StepRunner steps(m_prompts, LocationCode);

    QString file;
    const auto choose = [&] {
        FileDialog dialog(m_prompts);
        dialog.setFileName(QString());
        dialog.setFlags(FileDialog::OFN_FILEMUSTEXIST);
        dialog.setOwner(static_cast<quintptr>(effectiveWinId()));
        dialog.setTitle(QStringLiteral("Browse for files..."));
        dialog.setFilter(FileDialog::pictureFilter());
        dialog.showOpen();
        file = dialog.fileName();
    };
    if (steps.step(BrowseChoose, choose) == StepRunner::Result::Aborted || file.isEmpty())
        return;

    // The path is shown before the picture is read: a file that fails still names itself.
    if (steps.step(BrowseShowPath, [&] { m_pathBoxes[slot]->setText(file); }) == StepRunner::Result::Aborted)
        return;

    bool invalid = false;
    const auto load = [&] {
        try {
            m_icon.loadPreview(slot, file);
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

void MultiPageDialog::saveIcon()
{
    StepRunner steps(m_prompts, LocationCode);

    QString chosen;
    const auto choose = [&] {
        FileDialog dialog(m_prompts);
        dialog.setOwner(static_cast<quintptr>(effectiveWinId()));
        dialog.setFileName(QString());
        dialog.setTitle(QStringLiteral("Save icon..."));
        dialog.setFilter(QStringLiteral("Icon file (*.ico)|*.ico|All file types (*.*)|*.*"));
        dialog.showSave();
        chosen = dialog.fileName();
    };
    if (steps.step(SaveChoose, choose) == StepRunner::Result::Aborted || chosen.isEmpty())
        return;

    TransparentChoice transparent;
    transparent.useTypedColour = m_transparentBox->isChecked();
    transparent.red = m_colourBoxes[0]->text();
    transparent.green = m_colourBoxes[1]->text();
    transparent.blue = m_colourBoxes[2]->text();

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

void MultiPageDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Cancel)) {
        askToCancel();
        return;
    }
    QDialog::keyPressEvent(event);
}

void MultiPageDialog::askToCancel()
{
    const MsgAnswer answer = m_prompts.message(
        QStringLiteral("Are you sure you want to cancel ?\r\nTIP: Click close button to avoid this message."),
        QStringLiteral("Cancel"), MsgIcon::Question, MsgButtons::YesNo);
    if (answer == MsgAnswer::Yes)
        reject();
}

} // namespace brevane
