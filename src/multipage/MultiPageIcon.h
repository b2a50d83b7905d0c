#pragma once

#include "platform/Colour.h"
#include "platform/PictureBox.h"
#include "platform/StepRunner.h"

#include <QString>

#include <array>
#include <functional>

namespace brevane {

class IconFile;

// What "Transparent ?" and the three colour boxes hold at the moment of saving.
struct TransparentChoice {
    // Cleared: every image takes the colour of its own top-left pixel as transparent.
    bool useTypedColour = true;
    QString red = QStringLiteral("255");
    QString green = QStringLiteral("255");
    QString blue = QStringLiteral("255");
};

// Up to three pictures (16x16, 32x32, 48x48), each shown unscaled in a preview box, made
// into one icon file with one 24-bit image per filled slot. The multi-page dialog and the
// command line share it: the dialog mirrors the previews and feeds in its path boxes.
class MultiPageIcon {
public:
    static constexpr int SlotCount = 3;
    // 16, 32, 48: the image a slot makes, and the size of its preview's drawing surface.
    static constexpr int imageSize(int slot) { return 16 * (slot + 1); }

    // The previews' background; the dialog passes the window colour of the desktop.
    explicit MultiPageIcon(Colour backColour = RGB(255, 255, 255));

    // A slot is filled when its path is not empty, whatever its preview shows.
    const QString& path(int slot) const;
    void setPath(int slot, const QString& path);
    bool isFilled(int slot) const { return !path(slot).isEmpty(); }

    PictureBox& preview(int slot);
    const PictureBox& preview(int slot) const;

    // Shows the picture file in the slot's preview. Raises 53 or 481 and leaves the
    // preview as it was when the file cannot be read; the path is not touched.
    void loadPreview(int slot, const QString& file);

    // The chosen save name with ".ico" appended unless it already ends in it (any case).
    static QString iconFileName(const QString& chosen);
    // A colour box's text as a 16-bit whole number (ColourText's rule): error 13 when it
    // holds no whole number (empty and "12.5" included), 6 when it is outside -32768 .. 32767.
    static qint16 colourComponent(const QString& text);
    // The packed colour of the three boxes (components above 255 count as 255, a negative
    // one raises error 5), or -1 when the typed colour is not used.
    static Colour transparentColour(const TransparentChoice& choice);

    enum class Outcome {
        Saved, // the icon file was written
        NoImages, // no slot filled: nothing written
        InvalidColour, // a colour box holds no number: nothing written
        NotSaved, // a step failed and the caller chose to stop, or to skip the writing
    };
    struct SaveResult {
        Outcome outcome = Outcome::NotSaved;
        QString fileName; // as written (or as it would have been)
        int imageCount = 0;
    };

    // Runs one numbered step of a save. The dialog passes its error report (Retry runs the
    // step again, Ignore skips it, Abort stops the save); the command line runs each step
    // directly and lets errors out.
    using StepFn = std::function<StepRunner::Result(int line, const std::function<void()>& fn)>;
    static StepRunner::Result runDirectly(int line, const std::function<void()>& fn);

    // Step numbers, as the error report shows them; 1 is the caller's save dialog.
    enum Line { LineFileName = 2, LineColour, LineAddImage, LineFillImage, LineSave };

    // Writes the finished icon under its file name; the command line's "-o -" sends it elsewhere.
    using Writer = std::function<void(IconFile& icon, const QString& fileName)>;

    // Builds the icon from the filled slots, in the order small, normal, large, and saves
    // it under iconFileName(chosenName), or hands it to write.
    SaveResult save(const QString& chosenName, const TransparentChoice& choice, const StepFn& step = runDirectly,
        const Writer& write = {});

private:
    struct Slot {
        QString path;
        PictureBox preview;
    };
    std::array<Slot, SlotCount> m_slots;
};

} // namespace brevane
