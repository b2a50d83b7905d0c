#include "multipage/widgets/MultiSizeIconWindow.h"

#include "dialogs/FileDialog.h"
#include "multipage/MultiPageIcon.h"
#include "multipage/widgets/IconPreviewSheet.h"
#include "platform/Error.h"
#include "platform/FileIdentity.h"
#include "platform/PictureLoader.h"
#include "platform/Prompts.h"
#include "platform/Surface.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace brevane {

namespace {

    // Long enough to gather a burst of ticks or typed digits into one build.
    constexpr int DebounceMs = 150;

    QString firstLocalFile(const QMimeData* data)
    {
        if (!data)
            return {};
        for (const QUrl& url : data->urls())
            if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
                return url.toLocalFile();
        return {};
    }

} // namespace

MultiSizeIconWindow::MultiSizeIconWindow(Prompts& prompts, QWidget* parent)
    : QDialog(parent)
    , m_prompts(prompts)
{
    setObjectName(QStringLiteral("frm_OnePicture"));
    setWindowTitle(QStringLiteral("Create icon from one picture"));
    setAcceptDrops(true);

    auto* pictureGroup = new QGroupBox(QStringLiteral("Picture"), this);
    pictureGroup->setObjectName(QStringLiteral("grp_Picture"));
    m_pathBox = new QLineEdit(pictureGroup);
    m_pathBox->setObjectName(QStringLiteral("txt_Picture"));
    m_pathBox->setReadOnly(true);
    m_pathBox->setPlaceholderText(QStringLiteral("Choose a picture or drop one here"));
    auto* browse = new QPushButton(QStringLiteral("&Picture..."), pictureGroup);
    browse->setObjectName(QStringLiteral("cmd_Browse"));
    connect(browse, &QPushButton::clicked, this, &MultiSizeIconWindow::browseForPicture);
    auto* pictureRow = new QHBoxLayout(pictureGroup);
    pictureRow->addWidget(m_pathBox, 1);
    pictureRow->addWidget(browse);

    auto* sizeGroup = new QGroupBox(QStringLiteral("Si&zes, in pixels"), this);
    sizeGroup->setObjectName(QStringLiteral("grp_Sizes"));
    auto* sizeGrid = new QGridLayout(sizeGroup);
    const QList<int> ticked = MultiSizeIcon::defaultSizes();
    const QList<int> offered = offeredSizes();
    for (int i = 0; i < offered.size(); ++i) {
        const int size = offered[i];
        auto* box = new QCheckBox(QString::number(size), sizeGroup);
        box->setObjectName(QStringLiteral("chk_Size_%1").arg(size));
        box->setChecked(ticked.contains(size));
        sizeGrid->addWidget(box, i / 5, i % 5);
        m_sizeBoxes.insert(size, box);
        connect(box, &QCheckBox::toggled, this, &MultiSizeIconWindow::scheduleBuild);
    }

    auto* imageGroup = new QGroupBox(QStringLiteral("Images"), this);
    imageGroup->setObjectName(QStringLiteral("grp_Images"));
    m_depthBox = new QComboBox(imageGroup);
    m_depthBox->setObjectName(QStringLiteral("cmb_Depth"));
    const std::pair<const char*, int> depths[] = { { "32-bit with alpha", 32 }, { "24-bit, 16.7M colours", 24 },
        { "8-bit, 256 colours", 8 }, { "4-bit, 16 colours", 4 }, { "1-bit, black and white", 1 } };
    for (const auto& [text, bits] : depths)
        m_depthBox->addItem(QLatin1String(text), bits);
    auto* depthLabel = new QLabel(QStringLiteral("&Depth:"), imageGroup);
    depthLabel->setBuddy(m_depthBox);
    m_fitButton = new QRadioButton(QStringLiteral("&Fit: scaled, proportions kept"), imageGroup);
    m_fitButton->setObjectName(QStringLiteral("opt_Fit"));
    m_fitButton->setChecked(true);
    m_cropButton = new QRadioButton(QStringLiteral("C&rop: top-left square, unscaled"), imageGroup);
    m_cropButton->setObjectName(QStringLiteral("opt_Crop"));
    auto* imageGrid = new QGridLayout(imageGroup);
    imageGrid->addWidget(depthLabel, 0, 0);
    imageGrid->addWidget(m_depthBox, 0, 1);
    imageGrid->addWidget(m_fitButton, 1, 0, 1, 2);
    imageGrid->addWidget(m_cropButton, 2, 0, 1, 2);
    connect(m_depthBox, &QComboBox::currentIndexChanged, this, &MultiSizeIconWindow::scheduleBuild);
    connect(m_fitButton, &QRadioButton::toggled, this, &MultiSizeIconWindow::scheduleBuild);

    auto* colourGroup = new QGroupBox(QStringLiteral("Transparent colour"), this);
    colourGroup->setObjectName(QStringLiteral("grp_Colour"));
    m_transparentBox = new QCheckBox(QStringLiteral("&Transparent colour, or click the preview:"), colourGroup);
    m_transparentBox->setObjectName(QStringLiteral("chk_Transparent"));
    auto* colourRow = new QHBoxLayout;
    const QString names[] = { QStringLiteral("Red:"), QStringLiteral("Green:"), QStringLiteral("Blue:") };
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(names[i], colourGroup);
        m_colourBoxes[i] = new QLineEdit(QStringLiteral("255"), colourGroup);
        m_colourBoxes[i]->setObjectName(QStringLiteral("txt_Color_%1").arg(i));
        m_colourBoxes[i]->setMaximumWidth(48);
        m_colourBoxes[i]->setAcceptDrops(false); // a dropped picture is for the window
        label->setBuddy(m_colourBoxes[i]);
        colourRow->addWidget(label);
        colourRow->addWidget(m_colourBoxes[i]);
        connect(m_colourBoxes[i], &QLineEdit::textChanged, this, &MultiSizeIconWindow::scheduleBuild);
    }
    colourRow->addStretch();
    auto* colourBox = new QVBoxLayout(colourGroup);
    colourBox->addWidget(m_transparentBox);
    colourBox->addLayout(colourRow);
    connect(m_transparentBox, &QCheckBox::toggled, this, &MultiSizeIconWindow::scheduleBuild);

    auto* ownGroup = new QGroupBox(QStringLiteral("A picture of its own for one size"), this);
    ownGroup->setObjectName(QStringLiteral("grp_Own"));
    m_ownSizeBox = new QComboBox(ownGroup);
    m_ownSizeBox->setObjectName(QStringLiteral("cmb_OwnSize"));
    for (int size : offered)
        m_ownSizeBox->addItem(QStringLiteral("%1 x %1").arg(size), size);
    auto* ownBrowse = new QPushButton(QStringLiteral("&Own picture..."), ownGroup);
    ownBrowse->setObjectName(QStringLiteral("cmd_OwnPicture"));
    auto* ownClear = new QPushButton(QStringLiteral("C&lear"), ownGroup);
    ownClear->setObjectName(QStringLiteral("cmd_ClearOwn"));
    m_ownList = new QLabel(ownGroup);
    m_ownList->setObjectName(QStringLiteral("lbl_Own"));
    m_ownList->setWordWrap(true);
    auto* ownGrid = new QGridLayout(ownGroup);
    ownGrid->addWidget(m_ownSizeBox, 0, 0);
    ownGrid->addWidget(ownBrowse, 0, 1);
    ownGrid->addWidget(ownClear, 0, 2);
    ownGrid->addWidget(m_ownList, 1, 0, 1, 3);
    connect(ownBrowse, &QPushButton::clicked, this, &MultiSizeIconWindow::browseForOwnPicture);
    connect(ownClear, &QPushButton::clicked, this, &MultiSizeIconWindow::clearOwnPicture);
    updateOwnList();

    auto* previewGroup
        = new QGroupBox(QStringLiteral("Preview: 1:1 and enlarged, on light, dark and see-through"), this);
    previewGroup->setObjectName(QStringLiteral("grp_Preview"));
    m_sheet = new IconPreviewSheet;
    m_sheet->setObjectName(QStringLiteral("pic_Preview"));
    auto* scroll = new QScrollArea(previewGroup);
    scroll->setObjectName(QStringLiteral("scr_Preview"));
    scroll->setWidget(m_sheet);
    scroll->setMinimumWidth(360);
    (new QVBoxLayout(previewGroup))->addWidget(scroll);
    connect(m_sheet, &IconPreviewSheet::pixelClicked, this, &MultiSizeIconWindow::pickColour);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lbl_Status"));
    m_saveButton = new QPushButton(QStringLiteral("&Save icon..."), this);
    m_saveButton->setObjectName(QStringLiteral("cmd_Save"));
    m_saveButton->setDefault(true);
    m_saveButton->setEnabled(false);
    connect(m_saveButton, &QPushButton::clicked, this, &MultiSizeIconWindow::saveIcon);
    auto* closeButton = new QPushButton(QStringLiteral("Close"), this);
    closeButton->setObjectName(QStringLiteral("cmd_Close"));
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_saveButton);
    buttons->addWidget(closeButton);

    auto* controls = new QVBoxLayout;
    controls->addWidget(pictureGroup);
    controls->addWidget(sizeGroup);
    controls->addWidget(imageGroup);
    controls->addWidget(colourGroup);
    controls->addWidget(ownGroup);
    controls->addStretch();
    auto* middle = new QHBoxLayout;
    middle->addLayout(controls);
    middle->addWidget(previewGroup, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(middle, 1);
    layout->addLayout(buttons);

    // The keyboard visits the controls top to bottom, then the preview, then the buttons.
    setTabOrder(m_pathBox, browse);
    QWidget* previous = browse;
    for (QCheckBox* box : std::as_const(m_sizeBoxes)) {
        setTabOrder(previous, box);
        previous = box;
    }
    for (QWidget* next : std::initializer_list<QWidget*> { m_depthBox, m_fitButton, m_cropButton, m_transparentBox,
             m_colourBoxes[0], m_colourBoxes[1], m_colourBoxes[2], m_ownSizeBox, ownBrowse, ownClear, scroll,
             m_saveButton, closeButton }) {
        setTabOrder(previous, next);
        previous = next;
    }
    browse->setFocus();

    m_debounce.setSingleShot(true);
    m_debounce.setInterval(DebounceMs);
    connect(&m_debounce, &QTimer::timeout, this, &MultiSizeIconWindow::startBuild);
    connect(&m_watcher, &QFutureWatcher<Outcome>::finished, this, &MultiSizeIconWindow::buildFinished);
    readChoices();
    resize(780, 560);
}

MultiSizeIconWindow::~MultiSizeIconWindow()
{
    // The worker holds no reference to the window, but its outcome must not land in a dead one.
    m_watcher.waitForFinished();
}

bool MultiSizeIconWindow::isPreviewCurrent() const
{
    return !m_running && !hasWork();
}

QString MultiSizeIconWindow::chooseFile(const QString& title, bool save, const QString& initialName)
{
    FileDialog dialog(m_prompts);
    dialog.setOwner(static_cast<quintptr>(effectiveWinId()));
    dialog.setTitle(title);
    dialog.setFileName(initialName);
    if (save) {
        dialog.setFilter(QStringLiteral("Icon file (*.ico)|*.ico|All file types (*.*)|*.*"));
        dialog.setDefaultExt(QStringLiteral("ico"));
        dialog.showSave();
    } else {
        dialog.setFlags(FileDialog::OFN_FILEMUSTEXIST);
        dialog.setFilter(FileDialog::pictureFilter());
        dialog.showOpen();
    }
    return FileDialog::stripNull(dialog.fileName());
}

void MultiSizeIconWindow::browseForPicture()
{
    const QString file = chooseFile(QStringLiteral("Choose a picture"), false);
    if (!file.isEmpty())
        loadPicture(file);
}

void MultiSizeIconWindow::loadPicture(const QString& path)
{
    m_queuedPicture = path;
    startBuild();
}

void MultiSizeIconWindow::browseForOwnPicture()
{
    const int size = m_ownSizeBox->currentData().toInt();
    const QString file = chooseFile(QStringLiteral("Choose the picture for %1 x %1").arg(size), false);
    if (file.isEmpty())
        return;
    m_queuedOwnSize = size;
    m_queuedOwnPath = file;
    m_sizeBoxes.value(size)->setChecked(true);
    startBuild();
}

void MultiSizeIconWindow::clearOwnPicture()
{
    const int size = m_ownSizeBox->currentData().toInt();
    m_icon.clearOwnPicture(size);
    m_ownPaths.remove(size);
    updateOwnList();
    scheduleBuild();
}

void MultiSizeIconWindow::updateOwnList()
{
    QStringList lines;
    for (auto it = m_ownPaths.cbegin(); it != m_ownPaths.cend(); ++it)
        lines.append(QStringLiteral("%1 x %1: %2").arg(it.key()).arg(QFileInfo(it.value()).fileName()));
    m_ownList->setText(
        lines.isEmpty() ? QStringLiteral("Every size is made from the picture.") : lines.join(QLatin1Char('\n')));
}

void MultiSizeIconWindow::readChoices()
{
    QList<int> sizes;
    for (auto it = m_sizeBoxes.cbegin(); it != m_sizeBoxes.cend(); ++it)
        if (it.value()->isChecked())
            sizes.append(it.key());
    m_icon.setSizes(sizes);
    m_icon.setBitCount(m_depthBox->currentData().toInt());
    m_icon.setPlacement(m_cropButton->isChecked() ? Placement::Crop : Placement::Fit);
    Transparency transparency;
    if (m_transparentBox->isChecked()) {
        // Half-typed colours keep the last one that read; Save names what is wrong.
        try {
            transparency = { Transparency::Kind::Colour,
                MultiPageIcon::transparentColour(
                    { true, m_colourBoxes[0]->text(), m_colourBoxes[1]->text(), m_colourBoxes[2]->text() }) };
        } catch (const Error&) {
            transparency = m_icon.transparency();
        }
    }
    m_icon.setTransparency(transparency);
}

void MultiSizeIconWindow::scheduleBuild()
{
    m_dirty = true;
    m_debounce.start();
}

bool MultiSizeIconWindow::hasWork() const
{
    return m_dirty || !m_queuedPicture.isEmpty() || !m_queuedOwnPath.isEmpty();
}

MultiSizeIconWindow::Job MultiSizeIconWindow::takeJob()
{
    readChoices();
    m_dirty = false;
    Job job { m_icon, m_queuedPicture, m_queuedOwnSize, m_queuedOwnPath };
    m_queuedPicture.clear();
    m_queuedOwnSize = 0;
    m_queuedOwnPath.clear();
    return job;
}

void MultiSizeIconWindow::startBuild()
{
    // A build under way starts the next one when it ends.
    if (m_running || !hasWork())
        return;
    m_running = true;
    m_status->setText(QStringLiteral("Working..."));
    m_watcher.setFuture(QtConcurrent::run(&MultiSizeIconWindow::run, takeJob()));
}

void MultiSizeIconWindow::buildFinished()
{
    if (!m_running)
        return; // settle() took it already
    takeOutcome(m_watcher.result());
    if (!m_debounce.isActive() && hasWork())
        startBuild();
    else if (!hasWork())
        Q_EMIT previewReady();
}

MultiSizeIconWindow::Outcome MultiSizeIconWindow::run(Job job)
{
    Outcome outcome;
    const auto read = [&outcome](const QString& path, Picture& picture, QSize needed) {
        try {
            picture = needed.isEmpty() ? PictureLoader::load(path) : PictureLoader::load(path, needed);
        } catch (const Error& e) {
            outcome.failures.append(QStringLiteral("The picture '%1' could not be read: %2").arg(path, e.message()));
        }
    };
    // The picture is read whole: fit needs all of it, and crop may be chosen later.
    if (!job.picturePath.isEmpty()) {
        read(job.picturePath, outcome.picture, QSize());
        if (!outcome.picture.isNull())
            job.icon.setPicture(outcome.picture);
    }
    if (!job.ownPath.isEmpty()) {
        read(job.ownPath, outcome.ownPicture, QSize(job.ownSize, job.ownSize));
        if (!outcome.ownPicture.isNull())
            job.icon.setOwnPicture(job.ownSize, outcome.ownPicture);
    }
    if (!job.icon.sizes().isEmpty() && job.icon.sizesWithoutPicture().isEmpty()) {
        try {
            outcome.document = job.icon.build();
            const Surface screen = Surface::colour(1, 1);
            for (qint32 i = 1; i <= outcome.document.imageCount(); ++i)
                outcome.images.append(outcome.document.imageWithAlpha(screen, i));
            outcome.sizes = job.icon.sizes();
            outcome.built = true;
        } catch (const Error& e) {
            outcome.failures.append(QStringLiteral("The icon could not be made: %1").arg(e.message()));
        }
    }
    outcome.job = std::move(job);
    return outcome;
}

void MultiSizeIconWindow::takeOutcome(const Outcome& outcome)
{
    m_running = false;
    const Job& job = outcome.job;
    if (!outcome.picture.isNull()) {
        m_icon.setPicture(outcome.picture);
        m_picturePath = job.picturePath;
        m_pathBox->setText(job.picturePath);
    }
    if (!outcome.ownPicture.isNull()) {
        m_icon.setOwnPicture(job.ownSize, outcome.ownPicture);
        m_ownPaths.insert(job.ownSize, job.ownPath);
        updateOwnList();
    }
    QList<IconPreviewSheet::Image> images;
    for (int i = 0; i < outcome.images.size(); ++i)
        images.append({ outcome.sizes.value(i), outcome.images[i] });
    m_sheet->setImages(images);
    m_document = outcome.document;
    m_saveButton->setEnabled(outcome.built);
    m_status->setText(m_icon.picture().isNull() || outcome.built ? QString() : QStringLiteral("Tick a size."));
    // A picture that cannot be read leaves the one before in place, and its name in the box.
    if (!outcome.failures.isEmpty())
        m_prompts.message(
            outcome.failures.join(QLatin1Char('\n')), windowTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
}

void MultiSizeIconWindow::settle()
{
    m_debounce.stop();
    if (m_running) {
        m_watcher.waitForFinished();
        takeOutcome(m_watcher.result());
    }
    if (hasWork())
        takeOutcome(run(takeJob()));
}

void MultiSizeIconWindow::pickColour(int size, QPoint pixel)
{
    // The worker may be drawing the same metafile, and its converters are not known to be
    // safe to enter twice at once.
    if (m_running) {
        m_watcher.waitForFinished();
        buildFinished();
    }
    const QImage source = m_icon.source(size);
    if (source.isNull() || !source.valid(pixel) || qAlpha(source.pixel(pixel)) == 0)
        return; // a see-through pixel shows no colour to key out
    const QRgb colour = source.pixel(pixel);
    const int parts[] = { qRed(colour), qGreen(colour), qBlue(colour) };
    for (int i = 0; i < 3; ++i)
        m_colourBoxes[i]->setText(QString::number(parts[i]));
    m_transparentBox->setChecked(true);
}

void MultiSizeIconWindow::saveIcon()
{
    const QString stem = QFileInfo(m_picturePath).completeBaseName();
    const QString chosen
        = chooseFile(QStringLiteral("Save icon..."), true, stem.isEmpty() ? QString() : stem + QLatin1String(".ico"));
    if (chosen.isEmpty())
        return;
    const QString fileName = MultiPageIcon::iconFileName(chosen);
    const auto tell = [this](const QString& text) {
        m_prompts.message(text, QStringLiteral("Save icon"), MsgIcon::Exclamation, MsgButtons::Ok);
    };

    if (m_transparentBox->isChecked()) {
        try {
            MultiPageIcon::transparentColour(
                { true, m_colourBoxes[0]->text(), m_colourBoxes[1]->text(), m_colourBoxes[2]->text() });
        } catch (const Error&) {
            tell(QStringLiteral("Invalid transparent color !"));
            return;
        }
    }
    QStringList inputs { m_picturePath };
    inputs += m_ownPaths.values();
    for (const QString& input : std::as_const(inputs))
        if (!input.isEmpty() && sameFile(input, fileName)) {
            tell(QStringLiteral("The icon '%1' would replace its own picture '%2'. Choose another name.")
                     .arg(fileName, input));
            return;
        }

    settle();
    if (m_document.imageCount() == 0) {
        tell(QStringLiteral("There are no images !"));
        return;
    }
    try {
        m_document.save(fileName);
    } catch (const Error& e) {
        tell(QStringLiteral("The icon '%1' could not be saved: %2").arg(fileName, e.message()));
    }
}

void MultiSizeIconWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (firstLocalFile(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void MultiSizeIconWindow::dropEvent(QDropEvent* event)
{
    const QString file = firstLocalFile(event->mimeData());
    if (file.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    loadPicture(file);
}

} // namespace brevane
