#pragma once

#include "multipage/MultiPageIcon.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QFrame;
class QLineEdit;
class QPushButton;

namespace brevane {

class Prompts;
class PictureBoxView;

// "Multi-page icon": one picture per size (16x16, 32x32, 48x48), previewed unscaled, saved
// as one icon with a common transparent colour. Its controls are its whole state; the
// previews live in the engine it shares with the command line.
class MultiPageDialog : public QDialog {
    Q_OBJECT
public:
    // The location code every failing step of this window is logged under.
    static const QString LocationCode;

    explicit MultiPageDialog(Prompts& prompts, QWidget* parent = nullptr);
    ~MultiPageDialog() override;

    MultiPageIcon& icon() { return m_icon; }

public Q_SLOTS:
    void browseForPicture(qint16 slot);
    void saveIcon();
    void askToCancel();

protected:
    // Esc asks like "Cancel"; only the close box closes without asking.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QFrame* makePreview(int slot, const QString& name);

    Prompts& m_prompts;
    MultiPageIcon m_icon;
    std::array<QLineEdit*, MultiPageIcon::SlotCount> m_pathBoxes {};
    std::array<QLineEdit*, 3> m_colourBoxes {};
    std::array<PictureBoxView*, MultiPageIcon::SlotCount> m_views {};
    QCheckBox* m_transparentBox = nullptr;
};

} // namespace brevane
