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
// runs the batch conversion. The main window fills txt_Path and, for several pictures,
// disables pic_Hdc and lbl_Pic before showing it modally.
class frm_Customize : public QDialog {
    Q_OBJECT
public:
    static const QString ActivateLocationCode;

    frm_Customize(Prompts& prompts, std::vector<PictureRow> rows, QWidget* parent = nullptr);
    ~frm_Customize() override;

    QLineEdit* txt_Path() const { return m_txtPath; }
    PictureBoxView* pic_Hdc() const { return m_picHdc; }
    QLabel* lbl_Pic() const { return m_lblPic; }

    void SetSize();
    void SetColors();

    qint32 nColors() const { return m_nColors; }
    bool bPicking() const { return m_bPicking; }
    Colour swatchColour() const { return m_swatch; } // the background colour of pic_Color
    PictureBox& preview() { return m_box; }
    BatchConverter::Outcome lastOutcome() const { return m_lastOutcome; }

    // Component 1 (red), 2 (green) or 3 (blue) of a colour; -1 for a bad index or a colour
    // outside 0 .. 0xFFFFFF.
    static qint16 GetRGBComponent(Colour lColor, qint16 nIndex);
    // The folder the user picked, or an empty string when cancelled.
    static QString BrowseForFolder(Prompts& prompts);

public Q_SLOTS:
    // Detects size, colour format and transparent colour from the first picture. Runs once,
    // when the dialog is first shown; tests may call it directly.
    void Form_Activate();
    void Command1_Click(); // "&Save icons"

Q_SIGNALS:
    void activationDone();
    void batchDone();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void c1_Click() { SetColors(); }
    void c2_Click() { SetColors(); }
    void c3_Click() { SetColors(); }
    void c4_Click() { SetColors(); }
    void s1_Click() { SetSize(); }
    void s2_Click() { SetSize(); }
    void s3_Click();
    void ch_Trans_Click();
    void pic_Hdc_MouseDown(int x, int y);
    void pic_Hdc_MouseUp();
    void txt_Color_Change(int index);
    void Command2_Click();
    void Command3_Click();

    void buildControls();
    void setSwatch(Colour c);
    void fillColourBoxes();
    void unload();

    Prompts& m_prompts;
    std::vector<PictureRow> m_rows;
    PictureBox m_box;
    Picture m_imgTemp;
    qint32 m_nColors = 1000;
    bool m_bPicking = false;
    Colour m_swatch = RGB(255, 255, 255);
    bool m_activated = false;
    bool m_running = false;
    BatchConverter::Outcome m_lastOutcome = BatchConverter::Outcome::Finished;

    QCheckBox* m_chTrans = nullptr;
    QCheckBox* m_chAutoMask = nullptr;
    QLabel* m_lblPic = nullptr;
    PictureBoxView* m_picHdc = nullptr;
    QFrame* m_picColor = nullptr;
    std::array<QLineEdit*, 3> m_txtColor {};
    QRadioButton *m_c1 = nullptr, *m_c2 = nullptr, *m_c3 = nullptr, *m_c4 = nullptr;
    QRadioButton *m_s1 = nullptr, *m_s2 = nullptr, *m_s3 = nullptr, *m_chAutoSize = nullptr;
    QLineEdit* m_txtPath = nullptr;
    QPushButton *m_command1 = nullptr, *m_command2 = nullptr, *m_command3 = nullptr;
    QProgressBar* m_progress = nullptr;
};

} // namespace brevane
