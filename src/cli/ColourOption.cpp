#include "cli/ColourOption.h"

#include <QRegularExpression>

namespace brevane::cli {

std::optional<TransparentOption> parseTransparentOption(const QString& text, bool allowNone)
{
    using Kind = TransparentOption::Kind;
    if (text == QLatin1String("top-left"))
        return TransparentOption { Kind::TopLeft };
    if (allowNone && text == QLatin1String("none"))
        return TransparentOption { Kind::None };

    static const QRegularExpression hex(QStringLiteral("^#([0-9A-Fa-f]{6})$"));
    static const QRegularExpression triple(
        QStringLiteral("^\\s*(\\d{1,3})\\s*,\\s*(\\d{1,3})\\s*,\\s*(\\d{1,3})\\s*$"));
    if (const auto m = hex.match(text); m.hasMatch()) {
        const uint v = m.captured(1).toUInt(nullptr, 16);
        return TransparentOption { Kind::Colour, RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF) };
    }
    if (const auto m = triple.match(text); m.hasMatch()) {
        const int r = m.captured(1).toInt(), g = m.captured(2).toInt(), b = m.captured(3).toInt();
        if (r > 255 || g > 255 || b > 255)
            return std::nullopt;
        return TransparentOption { Kind::Colour, RGB(r, g, b) };
    }
    return std::nullopt;
}

} // namespace brevane::cli
