#pragma once

#include <QString>

namespace brevane::ColourText {

// How a colour box's text reads as a 16-bit whole number.
enum class Reading {
    Number, // value holds it
    NotANumber, // empty, letters, a fraction ("12.5"), an exponent...
    OutOfRange, // a whole number outside -32768 .. 32767
};

struct Component {
    Reading reading = Reading::NotANumber;
    qint16 value = 0;
};

// The one rule both colour dialogs read typed components by: blanks around it, an optional
// sign and decimal digits, nothing else.
Component component(const QString& text);

} // namespace brevane::ColourText
