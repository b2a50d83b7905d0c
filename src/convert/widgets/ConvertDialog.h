#pragma once

#include "convert/BatchConverter.h"
#include "platform/Colour.h"
#include "platform/PictureBox.h"
#include "platform/PictureRow.h"

#include <QDialog>

#include <array>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace brevane {

class Prompts;
class PictureBoxView;

// "Customize icons": shows where the icons go, lets the user pick size, colour format and
// transparent colour (detected from the first picture when the dialog becomes active), and
// runs the batch conversion. The main window fills the path box and, for several pictures,
// disables the preview and its label before showing it modally.
class ConvertDialog : public QDialog {
    Q_OBJECT
public:
    static const QString ActivateLocationCode;

    ConvertDialog(Prompts& prompts, std::vector<PictureRow> rows, QWidget* parent = nullptr);
    ~ConvertDialog() override;

    QLineEdit* pathBox() const { return m_pathBox; }
    PictureBoxView* previewView() const { return m_previewView; }
    QLabel* pickLabel() const { return m_pickLabel; }

    void applySize();
    void applyColourFormat();

    // The icon size the next run starts from: the chosen one, or after an automatically
    // sized run the size of its last picture.
    qint32 iconSize() const { return m_iconSize; }
    qint32 colourCount() const { return m_colourCount; }
    bool isPicking() const { return m_picking; }
    Colour swatchColour() const { return m_swatch; } // the background colour of the swatch
    PictureBox& preview() { return m_preview; }
    BatchConverter::Outcome lastOutcome() const { return m_lastOutcome; }

    // Component 1 (red), 2 (green) or 3 (blue) of a colour; -1 for a bad index or a colour
    // outside 0 .. 0xFFFFFF.
    static qint16 colourComponent(Colour colour, qint16 index);
    // The folder the user picked, or an empty string when cancelled.
    static QString browseForFolder(Prompts& prompts);

public Q_SLOTS:
    // Detects size, colour format and transparent colour from the first picture. Runs once,
    // when the dialog is first shown; tests may call it directly.
    void detectSettings();
    void saveIcons(); // "&Save icons"

Q_SIGNALS:
    void activationDone();
    void batchDone();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void chooseLargeSize();
    void toggleTransparent();
    void pickColourAt(int x, int y);
    void stopPicking();
    void readTypedColour();
    void goBack();
    void browseForTargetFolder();

    void buildControls();
    void setSwatch(Colour c);
    void fillColourBoxes();
    void unload();

    Prompts& m_prompts;
    std::vector<PictureRow> m_rows;
    PictureBox m_preview;
    Picture m_firstPicture;
    qint32 m_iconSize = 32;
    qint32 m_colourCount = 1000;
    bool m_picking = false;
    Colour m_swatch = RGB(255, 255, 255);
    bool m_activated = false;
    bool m_running = false;
    BatchConverter::Outcome m_lastOutcome = BatchConverter::Outcome::Finished;

    QCheckBox* m_transparentBox = nullptr;
    QCheckBox* m_autoMaskBox = nullptr;
    QLabel* m_pickLabel = nullptr;
    PictureBoxView* m_previewView = nullptr;
    QFrame* m_swatchFrame = nullptr;
    std::array<QLineEdit*, 3> m_colourBoxes {};
    QRadioButton *m_mono = nullptr, *m_colours16 = nullptr, *m_colours256 = nullptr, *m_trueColour = nullptr;
    QRadioButton *m_size16 = nullptr, *m_size32 = nullptr, *m_size48 = nullptr, *m_autoSize = nullptr;
    QLineEdit* m_pathBox = nullptr;
    QPushButton *m_saveButton = nullptr, *m_backButton = nullptr, *m_browseButton = nullptr;
    QProgressBar* m_progress = nullptr;
};

} // namespace brevane
