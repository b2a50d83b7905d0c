#pragma once

#include "platform/Colour.h"

#include <QString>

#include <optional>

namespace brevane::cli {

// What -t (--transparent) asks for, the same way in every command.
struct TransparentOption {
    enum class Kind { Colour, TopLeft, None };
    Kind kind = Kind::Colour;
    Colour colour = RGB(255, 255, 255); // for Kind::Colour
};

// "R,G,B" (decimal, each 0 to 255, blanks allowed around the numbers), "#RRGGBB",
// "top-left" and, where the command allows it, "none". Nothing for anything else.
std::optional<TransparentOption> parseTransparentOption(const QString& text, bool allowNone);

} // namespace brevane::cli
