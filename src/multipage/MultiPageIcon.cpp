#include "multipage/MultiPageIcon.h"

#include "icon/IconFile.h"
#include "platform/ColourText.h"
#include "platform/Error.h"
#include "platform/PictureLoader.h"
#include "platform/Surface.h"

#include <algorithm>

namespace brevane {

MultiPageIcon::MultiPageIcon(Colour backColour)
    : m_slots { {
        { QString(), PictureBox(imageSize(0), imageSize(0), backColour) },
        { QString(), PictureBox(imageSize(1), imageSize(1), backColour) },
        { QString(), PictureBox(imageSize(2), imageSize(2), backColour) },
    } }
{
}

static void checkSlot(int slot)
{
    if (slot < 0 || slot >= MultiPageIcon::SlotCount)
        throw Error::runtime(err::SubscriptOutOfRange);
}

const QString& MultiPageIcon::path(int slot) const
{
    checkSlot(slot);
    return m_slots[slot].path;
}

void MultiPageIcon::setPath(int slot, const QString& path)
{
    checkSlot(slot);
    m_slots[slot].path = path;
}

PictureBox& MultiPageIcon::preview(int slot)
{
    checkSlot(slot);
    return m_slots[slot].preview;
}

const PictureBox& MultiPageIcon::preview(int slot) const
{
    checkSlot(slot);
    return m_slots[slot].preview;
}

void MultiPageIcon::loadPreview(int slot, const QString& file)
{
    checkSlot(slot);
    // Loaded first, so a file that cannot be read leaves the preview showing what it did.
    const Picture picture = PictureLoader::load(file);
    m_slots[slot].preview.setPicture(picture);
}

QString MultiPageIcon::iconFileName(const QString& chosen)
{
    // "logo.ICO" is already an icon file name; appending to it would write logo.ICO.ico.
    if (chosen.endsWith(QLatin1String(".ico"), Qt::CaseInsensitive))
        return chosen;
    return chosen + QLatin1String(".ico");
}

qint16 MultiPageIcon::colourComponent(const QString& text)
{
    const ColourText::Component read = ColourText::component(text);
    if (read.reading == ColourText::Reading::NotANumber)
        throw Error::runtime(err::TypeMismatch);
    if (read.reading == ColourText::Reading::OutOfRange)
        throw Error::runtime(err::Overflow);
    return read.value;
}

Colour MultiPageIcon::transparentColour(const TransparentChoice& choice)
{
    if (!choice.useTypedColour)
        return CLR_INVALID;
    // All three are read before any is judged, so a box without a number is reported even
    // when an earlier one is negative.
    const int r = colourComponent(choice.red);
    const int g = colourComponent(choice.green);
    const int b = colourComponent(choice.blue);
    if (r < 0 || g < 0 || b < 0)
        throw Error::runtime(err::InvalidProcedureCall);
    return RGB(std::min(r, 255), std::min(g, 255), std::min(b, 255));
}

StepRunner::Result MultiPageIcon::runDirectly(int, const std::function<void()>& fn)
{
    fn();
    return StepRunner::Result::Done;
}

MultiPageIcon::SaveResult MultiPageIcon::save(
    const QString& chosenName, const TransparentChoice& choice, const StepFn& step, const Writer& write)
{
    using Result = StepRunner::Result;
    SaveResult result;
    if (step(LineFileName, [&] { result.fileName = iconFileName(chosenName); }) == Result::Aborted)
        return result;

    IconFile icon;

    // Stays black when the user skips a failing conversion.
    Colour colour = RGB(0, 0, 0);
    bool invalidColour = false;
    const auto readColour = [&] {
        try {
            colour = transparentColour(choice);
        } catch (const Error& e) {
            if (e.number() != err::TypeMismatch)
                throw;
            invalidColour = true;
        }
    };
    if (step(LineColour, readColour) == Result::Aborted)
        return result;
    if (invalidColour) {
        result.outcome = Outcome::InvalidColour;
        return result;
    }

    int n = 0;
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (!isFilled(slot))
            continue;
        const int size = imageSize(slot);
        if (step(LineAddImage, [&] { icon.addImage(size, size, ColourDepth::TrueColour); }) == Result::Aborted)
            return result;
        ++n;
        const auto fill = [&] { icon.setImageFromSurface(m_slots[slot].preview.surface(), n, 0, 0, colour); };
        if (step(LineFillImage, fill) == Result::Aborted)
            return result;
    }
    result.imageCount = n;
    if (n == 0) {
        result.outcome = Outcome::NoImages;
        return result;
    }
    const auto saveIcon = [&] { write ? write(icon, result.fileName) : icon.save(result.fileName); };
    if (step(LineSave, saveIcon) == Result::Done)
        result.outcome = Outcome::Saved;
    return result;
}

} // namespace brevane
