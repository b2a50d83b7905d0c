#include "convert/widgets/ConvertDialog.h"

#include "platform/ColourText.h"
#include "platform/Error.h"
#include "platform/Prompts.h"
#include "platform/StepRunner.h"
#include "platform/widgets/PictureBoxView.h"

#include <QBitmap>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QCursor>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace brevane {

const QString ConvertDialog::ActivateLocationCode = QStringLiteral("{A40EBD56-82EA-43A4-A080-2B5D57F6F82A}");

namespace {

    template <typename W> W* named(W* w, const char* name)
    {
        w->setObjectName(QLatin1String(name));
        return w;
    }

    void makeBold(QWidget* w)
    {
        QFont f = w->font();
        f.setBold(true);
        w->setFont(f);
    }

    // The preview's pointer: a 32x32 monochrome cross with an open centre, hot spot in the middle.
    QCursor pickerCursor()
    {
        QBitmap shape(32, 32);
        QBitmap mask(32, 32);
        shape.fill(Qt::color0);
        mask.fill(Qt::color0);
        QPainter ps(&shape);
        QPainter pm(&mask);
        pm.setPen(QPen(Qt::color1, 3));
        pm.drawLine(16, 2, 16, 12);
        pm.drawLine(16, 20, 16, 30);
        pm.drawLine(2, 16, 12, 16);
        pm.drawLine(20, 16, 30, 16);
        pm.drawRect(13, 13, 6, 6);
        ps.setPen(QPen(Qt::color1, 1));
        ps.drawLine(16, 2, 16, 12);
        ps.drawLine(16, 20, 16, 30);
        ps.drawLine(2, 16, 12, 16);
        ps.drawLine(20, 16, 30, 16);
        ps.end();
        pm.end();
        return QCursor(shape, mask, 16, 16);
    }

    void select(QRadioButton* option)
    {
        option->setChecked(true);
    }

} // namespace

ConvertDialog::ConvertDialog(Prompts& prompts, std::vector<PictureRow> rows, QWidget* parent)
    : QDialog(parent)
    , m_prompts(prompts)
    , m_rows(std::move(rows))
    , m_preview(34, 34, RGB(255, 255, 255))
{
    setObjectName(QStringLiteral("frm_Customize"));
    setWindowTitle(QStringLiteral("Customize icons"));
    setModal(true);
    buildControls();
}

ConvertDialog::~ConvertDialog() = default;

void ConvertDialog::buildControls()
{
    auto* root = new QVBoxLayout(this);

    auto* fInfo = named(new QFrame(this), "f_Info");
    fInfo->setFrameShape(QFrame::StyledPanel);
    auto* infoLayout = new QHBoxLayout(fInfo);
    auto* picInfo = named(new QLabel(fInfo), "pic_Info");
    picInfo->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    picInfo->setFixedSize(32, 32);
    auto* imgInfo = named(new QLabel(fInfo), "img_Info");
    imgInfo->hide();
    auto* lblInfo
        = named(new QLabel(QStringLiteral("Herem you can set some options if you want. It is best to leave them, "
                                          "because program can detect most of them..."),
                    fInfo),
            "lbl_Info");
    lblInfo->setWordWrap(true);
    infoLayout->addWidget(picInfo);
    infoLayout->addWidget(imgInfo);
    infoLayout->addWidget(lblInfo, 1);
    root->addWidget(fInfo);

    auto* columns = new QHBoxLayout;
    root->addLayout(columns);

    // Transparent colour.
    auto* frame3 = named(new QGroupBox(QStringLiteral("Transparent color"), this), "Frame3");
    auto* f3 = new QGridLayout(frame3);
    m_transparentBox = named(new QCheckBox(QStringLiteral("Icon is transparent ?"), frame3), "ch_Trans");
    makeBold(m_transparentBox);
    m_transparentBox->setChecked(true);
    f3->addWidget(m_transparentBox, 0, 0, 1, 4);
    f3->addWidget(named(new QLabel(QStringLiteral("Then what is the color:"), frame3), "Label1"), 1, 0, 1, 4);
    m_pickLabel = named(new QLabel(QStringLiteral("Maybe some from here:"), frame3), "lbl_Pic");
    f3->addWidget(m_pickLabel, 2, 0, 1, 4);
    auto* picture1 = named(new QWidget(frame3), "Picture1");
    auto* p1 = new QHBoxLayout(picture1);
    p1->setContentsMargins(0, 0, 0, 0);
    m_previewView = named(new PictureBoxView(m_preview, picture1), "pic_Hdc");
    m_previewView->setCursor(pickerCursor());
    auto* imgTemp = named(new QLabel(picture1), "img_Temp");
    imgTemp->hide();
    p1->addWidget(m_previewView, 0, Qt::AlignLeft | Qt::AlignTop);
    p1->addWidget(imgTemp);
    picture1->setMinimumSize(52, 52);
    f3->addWidget(picture1, 3, 0, 1, 4);
    f3->addWidget(named(new QLabel(QStringLiteral("Or some other color:"), frame3), "Label3"), 4, 0, 1, 3);
    m_swatchFrame = named(new QFrame(frame3), "pic_Color");
    m_swatchFrame->setFrameShape(QFrame::Box);
    m_swatchFrame->setFixedSize(24, 24);
    m_swatchFrame->setAutoFillBackground(true);
    f3->addWidget(m_swatchFrame, 4, 3);
    const char* labels[] = { "Red:", "Green:", "Blue:" };
    const char* labelNames[] = { "Label4", "Label5", "Label6" };
    const char* boxNames[] = { "txt_Color_0", "txt_Color_1", "txt_Color_2" };
    for (int i = 0; i < 3; ++i) {
        f3->addWidget(named(new QLabel(QLatin1String(labels[i]), frame3), labelNames[i]), 5 + i, 0);
        m_colourBoxes[i] = named(new QLineEdit(QStringLiteral("0"), frame3), boxNames[i]);
        m_colourBoxes[i]->setMaximumWidth(60);
        f3->addWidget(m_colourBoxes[i], 5 + i, 1);
        connect(m_colourBoxes[i], &QLineEdit::textChanged, this, [this] { readTypedColour(); });
    }
    m_autoMaskBox = named(new QCheckBox(QStringLiteral("&Mask is the top left pixel color"), frame3), "ch_AutoMask");
    m_autoMaskBox->setEnabled(false);
    f3->addWidget(m_autoMaskBox, 8, 0, 1, 4);
    columns->addWidget(frame3);

    auto* right = new QVBoxLayout;
    columns->addLayout(right);

    // Colour format.
    auto* frame1 = named(new QGroupBox(QStringLiteral("How many colors"), this), "Frame1");
    auto* f1 = new QVBoxLayout(frame1);
    auto* picture3 = named(new QWidget(frame1), "Picture3");
    auto* p3 = new QVBoxLayout(picture3);
    p3->setContentsMargins(0, 0, 0, 0);
    m_trueColour = named(new QRadioButton(QStringLiteral("24 BIT, true color !"), picture3), "c4");
    makeBold(m_trueColour);
    m_colours256 = named(new QRadioButton(QStringLiteral("8 BIT, 256 colors"), picture3), "c3");
    m_colours16 = named(new QRadioButton(QStringLiteral("4 BIT, 16 colors"), picture3), "c2");
    m_mono = named(new QRadioButton(QStringLiteral("1 BIT, monochrome"), picture3), "c1");
    auto* colourGroup = new QButtonGroup(this);
    for (QRadioButton* b : { m_trueColour, m_colours256, m_colours16, m_mono }) {
        colourGroup->addButton(b);
        p3->addWidget(b);
    }
    m_trueColour->setChecked(true);
    f1->addWidget(picture3);
    right->addWidget(frame1);
    connect(m_mono, &QRadioButton::clicked, this, &ConvertDialog::applyColourFormat);
    connect(m_colours16, &QRadioButton::clicked, this, &ConvertDialog::applyColourFormat);
    connect(m_colours256, &QRadioButton::clicked, this, &ConvertDialog::applyColourFormat);
    connect(m_trueColour, &QRadioButton::clicked, this, &ConvertDialog::applyColourFormat);

    // Icon size; "&Auto size" is the group's fourth member.
    auto* frame2 = named(new QGroupBox(QStringLiteral("Icon size here"), this), "Frame2");
    auto* f2 = new QVBoxLayout(frame2);
    auto* picture4 = named(new QWidget(frame2), "Picture4");
    auto* p4 = new QVBoxLayout(picture4);
    p4->setContentsMargins(0, 0, 0, 0);
    m_size16 = named(new QRadioButton(QStringLiteral("16x16, small"), picture4), "s1");
    m_size32 = named(new QRadioButton(QStringLiteral("32x32, normal"), picture4), "s2");
    m_size48 = named(new QRadioButton(QStringLiteral("48x48, large"), picture4), "s3");
    m_autoSize = named(new QRadioButton(QStringLiteral("&Auto size"), picture4), "ch_AutoSize");
    auto* sizeGroup = new QButtonGroup(this);
    for (QRadioButton* b : { m_size16, m_size32, m_size48, m_autoSize }) {
        sizeGroup->addButton(b);
        p4->addWidget(b);
    }
    m_size32->setChecked(true);
    m_autoSize->setEnabled(false);
    f2->addWidget(picture4);
    right->addWidget(frame2);
    connect(m_size16, &QRadioButton::clicked, this, &ConvertDialog::applySize);
    connect(m_size32, &QRadioButton::clicked, this, &ConvertDialog::applySize);
    connect(m_size48, &QRadioButton::clicked, this, &ConvertDialog::chooseLargeSize);
    right->addStretch(1);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(named(new QLabel(QStringLiteral("Save to:"), this), "Label2"));
    m_pathBox = named(new QLineEdit(this), "txt_Path");
    pathRow->addWidget(m_pathBox, 1);
    m_browseButton = named(new QPushButton(QStringLiteral("..."), this), "Command3");
    m_browseButton->setAutoDefault(false);
    pathRow->addWidget(m_browseButton);
    root->addLayout(pathRow);

    // Beyond the batch's own display (the preview), a bar counts the pictures of a run.
    m_progress = named(new QProgressBar(this), "prg_Batch");
    m_progress->setFormat(QStringLiteral("%v of %m"));
    m_progress->setTextVisible(true);
    // Its place is kept while it is hidden, so starting a run does not make the dialog grow.
    QSizePolicy keepPlace = m_progress->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_progress->setSizePolicy(keepPlace);
    m_progress->hide();
    root->addWidget(m_progress);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_backButton = named(new QPushButton(QStringLiteral("< &Back"), this), "Command2");
    m_backButton->setAutoDefault(false);
    m_saveButton = named(new QPushButton(QStringLiteral("&Save icons"), this), "Command1");
    m_saveButton->setDefault(true);
    buttons->addWidget(m_backButton);
    buttons->addWidget(m_saveButton);
    root->addLayout(buttons);
    // Like the multi-page dialog: its groups belong together, stretching them helps nothing.
    root->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_transparentBox, &QCheckBox::clicked, this, &ConvertDialog::toggleTransparent);
    connect(m_previewView, &PictureBoxView::mousePressed, this,
        [this](Qt::MouseButton, int x, int y) { pickColourAt(x, y); });
    connect(m_previewView, &PictureBoxView::mouseReleased, this, [this] { stopPicking(); });
    connect(m_saveButton, &QPushButton::clicked, this, &ConvertDialog::saveIcons);
    connect(m_backButton, &QPushButton::clicked, this, &ConvertDialog::goBack);
    connect(m_browseButton, &QPushButton::clicked, this, &ConvertDialog::browseForTargetFolder);

    setSwatch(m_swatch);
}

void ConvertDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        // After the show has finished, so that unloading from here ends the modal loop.
        QTimer::singleShot(0, this, &ConvertDialog::detectSettings);
    }
}

void ConvertDialog::unload()
{
    done(QDialog::Rejected);
}

qint16 ConvertDialog::colourComponent(Colour colour, qint16 index)
{
    if (index < 1 || index > 3 || colour < 0 || colour >= 0x1000000)
        return -1;
    return static_cast<qint16>((colour >> (8 * (index - 1))) & 0xFF);
}

QString ConvertDialog::browseForFolder(Prompts& prompts)
{
    QString path = prompts.chooseFolder(QStringLiteral("Select a folder, all the icons will be saved here:"));
    const qsizetype nul = path.indexOf(QChar(0));
    if (nul >= 0)
        path.truncate(nul);
    return path;
}

void ConvertDialog::setSwatch(Colour c)
{
    m_swatch = c;
    QPalette pal = m_swatchFrame->palette();
    pal.setColor(QPalette::Window, toQColor(c));
    m_swatchFrame->setPalette(pal);
}

void ConvertDialog::fillColourBoxes()
{
    // The swatch is read afresh for each box, as each assignment runs the box's change handler.
    for (int i = 0; i < 3; ++i)
        m_colourBoxes[i]->setText(QString::number(colourComponent(m_swatch, static_cast<qint16>(i + 1))));
}

void ConvertDialog::applySize()
{
    qint32 size = 0;
    if (m_size16->isChecked())
        size = 16;
    if (m_size32->isChecked())
        size = 32;
    if (m_size48->isChecked())
        size = 48;
    if (size == 0)
        return; // "&Auto size": each picture is sized during the run
    m_iconSize = size;
    m_preview.resize(size + 2, size + 2);
}

void ConvertDialog::applyColourFormat()
{
    if (!m_trueColour->isChecked() && m_size48->isChecked())
        m_prompts.message(
            QStringLiteral("Windows, and some programs only support 24-bit image, with size 48x48. If you "
                           "set other color format, the icon(s) may be corrupted !"),
            QStringLiteral("Warning !"), MsgIcon::Information, MsgButtons::Ok);
    if (m_autoSize->isChecked() && !m_trueColour->isChecked())
        m_prompts.message(QStringLiteral("The icons may be corrupted if you change the color format to lower level."),
            QStringLiteral("Warning !"), MsgIcon::Exclamation, MsgButtons::Ok);
    if (m_mono->isChecked())
        m_colourCount = 2;
    if (m_colours16->isChecked())
        m_colourCount = 16;
    if (m_colours256->isChecked())
        m_colourCount = 256;
    if (m_trueColour->isChecked())
        m_colourCount = ColourDepth::TrueColour;
}

void ConvertDialog::chooseLargeSize()
{
    applySize();
    // 48x48 images are only read reliably in true colour.
    select(m_trueColour);
    applyColourFormat();
}

void ConvertDialog::toggleTransparent()
{
    const bool checked = m_transparentBox->isChecked();
    if (!checked)
        setSwatch(RGB(255, 255, 250));
    for (QLineEdit* box : m_colourBoxes)
        box->setEnabled(checked);
}

void ConvertDialog::pickColourAt(int x, int y)
{
    if (m_running)
        return;
    m_picking = true;
    setSwatch(m_preview.pixel(x, y));
    fillColourBoxes();
}

void ConvertDialog::stopPicking()
{
    m_picking = false;
}

void ConvertDialog::readTypedColour()
{
    if (m_picking)
        return;
    int rgb[3];
    for (int i = 0; i < 3; ++i) {
        const ColourText::Component read = ColourText::component(m_colourBoxes[i]->text());
        if (read.reading != ColourText::Reading::Number || read.value < 0)
            return; // a box that does not hold a usable number leaves the swatch as it is
        rgb[i] = qMin<int>(read.value, 255);
    }
    setSwatch(RGB(rgb[0], rgb[1], rgb[2]));
}

void ConvertDialog::goBack()
{
    unload();
}

void ConvertDialog::browseForTargetFolder()
{
    const QString folder = browseForFolder(m_prompts);
    if (!folder.isEmpty())
        m_pathBox->setText(folder);
}

void ConvertDialog::detectSettings()
{
    m_activated = true;
    StepRunner runner(m_prompts, ActivateLocationCode);
    bool invalid = false;
    const std::function<void()> steps[] = {
        [this] {
            applySize();
            applyColourFormat();
        },
        [this, &invalid] {
            try {
                m_firstPicture = m_rows.empty() ? Picture() : PictureLoader::load(m_rows.front().fullPath());
            } catch (const Error& e) {
                if (e.number() != err::InvalidPicture)
                    throw;
                invalid = true;
            }
        },
        [this] {
            // Only the width decides; anything but 16 or 48 gives the usual 32x32.
            const int width = m_firstPicture.isNull() ? 0 : m_firstPicture.width();
            if (width == 16) {
                select(m_size16);
                applySize();
            } else if (width == 48) {
                select(m_size48);
                chooseLargeSize();
            } else {
                select(m_size32);
                applySize();
            }
        },
        [this] {
            if (m_rows.size() < 2) {
                m_preview.setPicture(m_firstPicture);
            } else {
                m_autoSize->setEnabled(true);
                select(m_autoSize);
                m_autoMaskBox->setEnabled(true);
                m_autoMaskBox->setChecked(true);
            }
        },
        [this] { setSwatch(m_preview.pixel(0, 0)); },
        [this] { m_preview.setBackColour(m_swatch); },
        [this] {
            // Each box's change handler would otherwise rebuild the swatch from half-filled boxes.
            m_picking = true;
            fillColourBoxes();
            m_picking = false;
        },
    };
    int line = 0;
    for (const auto& fn : steps) {
        if (runner.step(++line, fn) == StepRunner::Result::Aborted)
            break;
        if (invalid) {
            m_prompts.message(
                QStringLiteral("The image you have added: '") + m_rows.front().text + QStringLiteral("' is invalid !"),
                QStringLiteral("Wrong image"), MsgIcon::Exclamation, MsgButtons::Ok);
            unload();
            break;
        }
    }
    Q_EMIT activationDone();
}

void ConvertDialog::saveIcons()
{
    if (m_running)
        return;
    BatchOptions options;
    options.targetFolder = m_pathBox->text();
    options.size = m_iconSize;
    options.colourCount = m_colourCount;
    options.autoSize = m_autoSize->isChecked();
    options.autoMask = m_autoMaskBox->isChecked();
    options.transparent = m_transparentBox->isChecked();
    options.transparentColour = m_swatch;

    const bool several = m_rows.size() > 1;
    const bool previewWasEnabled = m_previewView->isEnabled();
    BatchConverter converter(m_preview, m_prompts);
    if (several) {
        // The preview shows each picture in turn; no input is taken meanwhile.
        m_previewView->setEnabled(true);
        m_progress->setRange(0, static_cast<int>(m_rows.size()));
        m_progress->setValue(0);
        m_progress->show();
        converter.onPictureShown = [this](int n, int) {
            m_progress->setValue(n);
            m_previewView->repaint();
            m_progress->repaint();
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        };
    }
    m_running = true;
    m_lastOutcome = converter.run(m_rows, options);
    m_running = false;
    m_iconSize = options.size;
    setSwatch(options.transparentColour);
    if (several) {
        m_previewView->setEnabled(previewWasEnabled);
        m_progress->hide();
    }
    Q_EMIT batchDone();
    if (m_lastOutcome == BatchConverter::Outcome::Finished || m_lastOutcome == BatchConverter::Outcome::Stopped)
        done(QDialog::Accepted);
}

} // namespace brevane
