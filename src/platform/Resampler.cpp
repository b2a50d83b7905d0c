#include "platform/Resampler.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include <QtGlobal>

namespace brevane::Resampler {

namespace {

    struct Tap {
        int index;
        float weight;
    };
    // For each new pixel along one axis: the old pixels it draws on, weights summing to 1.
    using Taps = std::vector<std::vector<Tap>>;

    float mitchell(float x)
    {
        constexpr float B = 1.0f / 3, C = 1.0f / 3;
        x = std::abs(x);
        if (x < 1)
            return ((12 - 9 * B - 6 * C) * x * x * x + (-18 + 12 * B + 6 * C) * x * x + (6 - 2 * B)) / 6;
        if (x < 2)
            return ((-B - 6 * C) * x * x * x + (6 * B + 30 * C) * x * x + (-12 * B - 48 * C) * x + (8 * B + 24 * C))
                / 6;
        return 0;
    }

    Taps tapsFor(int from, int to)
    {
        Taps taps(static_cast<std::size_t>(to));
        const double scale = double(from) / to; // old pixels per new pixel
        for (int i = 0; i < to; ++i) {
            auto& t = taps[static_cast<std::size_t>(i)];
            if (scale >= 1) {
                // Exact coverage of [i * scale, (i + 1) * scale) in old pixels.
                const double start = i * scale, end = (i + 1) * scale;
                for (int k = int(std::floor(start)); k < std::min<double>(std::ceil(end), from); ++k) {
                    const double covered = std::min<double>(k + 1, end) - std::max<double>(k, start);
                    if (covered > 0)
                        t.push_back({ k, float(covered / scale) });
                }
            } else {
                const double centre = (i + 0.5) * scale - 0.5;
                const int first = int(std::floor(centre)) - 1;
                float sum = 0;
                for (int k = first; k < first + 4; ++k) {
                    const float w = mitchell(float(centre - k));
                    t.push_back({ std::clamp(k, 0, from - 1), w });
                    sum += w;
                }
                for (Tap& tap : t)
                    tap.weight /= sum;
            }
        }
        return taps;
    }

    const std::array<float, 256>& toLinear()
    {
        static const std::array<float, 256> table = [] {
            std::array<float, 256> t {};
            for (int i = 0; i < 256; ++i) {
                const double v = i / 255.0;
                t[std::size_t(i)] = float(v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
            }
            return t;
        }();
        return table;
    }

    // Linear light back to sRGB codes through a table fine enough (1/65535 of the range) to
    // land on the code the formula gives even in the dark, where the curve is steepest.
    int toSrgb(float linear)
    {
        static const std::vector<quint8> table = [] {
            std::vector<quint8> t(65536);
            for (std::size_t i = 0; i < t.size(); ++i) {
                const double v = double(i) / 65535;
                const double s = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
                t[i] = quint8(std::lround(s * 255));
            }
            return t;
        }();
        return table[std::size_t(std::lround(std::clamp(linear, 0.0f, 1.0f) * 65535))];
    }

    // One pixel in premultiplied linear light: red, green, blue, alpha.
    struct Linear {
        float r = 0, g = 0, b = 0, a = 0;
    };

    Linear linearOf(QRgb c)
    {
        const auto& lin = toLinear();
        const float a = qAlpha(c) / 255.0f;
        return { lin[qRed(c)] * a, lin[qGreen(c)] * a, lin[qBlue(c)] * a, a };
    }

    QRgb straightOf(const Linear& p)
    {
        const float a = std::clamp(p.a, 0.0f, 1.0f);
        const int alpha = int(std::lround(a * 255));
        if (alpha == 0)
            return 0;
        return qRgba(toSrgb(p.r / a), toSrgb(p.g / a), toSrgb(p.b / a), alpha);
    }

} // namespace

void makeTransparent(QImage& argb, QRgb key)
{
    key &= 0x00FFFFFFu;
    for (int y = 0; y < argb.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if ((line[x] & 0x00FFFFFFu) == key)
                line[x] = 0;
    }
}

QImage resize(const QImage& picture, QSize size, std::optional<QRgb> key)
{
    if (picture.isNull() || size.isEmpty())
        return {};
    QImage source = picture.format() == QImage::Format_ARGB32 || picture.format() == QImage::Format_RGB32
        ? picture
        : picture.convertToFormat(QImage::Format_ARGB32);
    if (source.isNull())
        return {};
    const bool opaque = source.format() == QImage::Format_RGB32;
    const int sw = source.width(), sh = source.height(), dw = size.width(), dh = size.height();

    QImage out;
    if (size == source.size()) {
        out = source.convertToFormat(QImage::Format_ARGB32);
        if (key)
            makeTransparent(out, *key);
        return out;
    }

    // Rows first: each old row becomes a row of the new width, then columns are combined.
    const Taps across = tapsFor(sw, dw);
    const Taps down = tapsFor(sh, dh);
    std::vector<Linear> rows;
    std::vector<Linear> line(static_cast<std::size_t>(sw));
    try {
        rows.resize(std::size_t(dw) * std::size_t(sh));
    } catch (const std::bad_alloc&) {
        return {};
    }
    for (int y = 0; y < sh; ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        for (int x = 0; x < sw; ++x) {
            QRgb c = opaque ? (src[x] | 0xFF000000u) : src[x];
            if (key && (c & 0x00FFFFFFu) == (*key & 0x00FFFFFFu))
                c = 0;
            line[std::size_t(x)] = linearOf(c);
        }
        Linear* row = rows.data() + std::size_t(y) * std::size_t(dw);
        for (int x = 0; x < dw; ++x) {
            Linear sum;
            for (const Tap& t : across[std::size_t(x)]) {
                const Linear& p = line[std::size_t(t.index)];
                sum.r += p.r * t.weight;
                sum.g += p.g * t.weight;
                sum.b += p.b * t.weight;
                sum.a += p.a * t.weight;
            }
            row[x] = sum;
        }
    }

    out = QImage(dw, dh, QImage::Format_ARGB32);
    if (out.isNull())
        return {};
    for (int y = 0; y < dh; ++y) {
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < dw; ++x) {
            Linear sum;
            for (const Tap& t : down[std::size_t(y)]) {
                const Linear& p = rows[std::size_t(t.index) * std::size_t(dw) + std::size_t(x)];
                sum.r += p.r * t.weight;
                sum.g += p.g * t.weight;
                sum.b += p.b * t.weight;
                sum.a += p.a * t.weight;
            }
            // The cubic may overshoot: colour is kept within what the alpha can carry.
            sum.a = std::clamp(sum.a, 0.0f, 1.0f);
            sum.r = std::clamp(sum.r, 0.0f, sum.a);
            sum.g = std::clamp(sum.g, 0.0f, sum.a);
            sum.b = std::clamp(sum.b, 0.0f, sum.a);
            dst[x] = straightOf(sum);
        }
    }
    return out;
}

} // namespace brevane::Resampler
