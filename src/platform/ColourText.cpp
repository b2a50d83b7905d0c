#include "platform/ColourText.h"

namespace brevane::ColourText {

Component component(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    const bool negative = i < t.size() && t.at(i) == QLatin1Char('-');
    if (i < t.size() && (t.at(i) == QLatin1Char('-') || t.at(i) == QLatin1Char('+')))
        ++i;
    if (i == t.size())
        return {};
    qint64 magnitude = 0;
    for (; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return {};
        // Past 32768 the exact value no longer matters, only that it is out of range.
        magnitude = qMin<qint64>(magnitude * 10 + (c.unicode() - '0'), 100000);
    }
    const qint64 value = negative ? -magnitude : magnitude;
    if (value < -32768 || value > 32767)
        return { Reading::OutOfRange, 0 };
    return { Reading::Number, static_cast<qint16>(value) };
}

} // namespace brevane::ColourText
