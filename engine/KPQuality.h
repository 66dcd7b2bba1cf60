#pragma once

#include <algorithm>
#include <cmath>

// A JPEG quality as a whole percent, 0 to 100: what the preferences show, the terminal
// takes and the best-quality fitting searches over. The store, the options and the
// stepwise descent keep a quality as a float factor instead (1.0 best, smaller compresses
// harder), which lies a hair beside its percent (0.6f is 0.6000000238, three steps of
// 0.03 down from 1.0 give 0.9100000858); the conversions here are where the one becomes
// the other.
class KPQuality
{
public:
    static constexpr int MinPercent = 0;
    static constexpr int MaxPercent = 100;

    constexpr KPQuality() = default;

    // Kept within 0 to 100.
    static constexpr KPQuality fromPercent(int percent)
    {
        return KPQuality(std::clamp(percent, MinPercent, MaxPercent));
    }

    // The nearest whole percent, not the truncated one: 0.53f is 52.99998 and reads 53.
    // Anything not above 0 (or not a number) reads 0, anything above 1.0 reads 100.
    static KPQuality nearest(float factor)
    {
        const double percent = double(factor) * 100.0;
        if (!(percent > 0.0))
            return {};
        return KPQuality(int(std::lround(std::min(percent, double(MaxPercent)))));
    }

    // The lowest whole percent not below the factor, ignoring the hair by which the float
    // misses its percent: 0.6f reads 60, 0.605f reads 61.
    static KPQuality atLeast(float factor)
    {
        const double percent = std::ceil(double(factor) * 100.0 - 1e-3);
        if (!(percent > 0.0))
            return {};
        return KPQuality(int(std::min(percent, double(MaxPercent))));
    }

    constexpr int percent() const { return m_percent; }
    // The factor a percent is stored as: 53 becomes 0.53f.
    constexpr float factor() const { return float(m_percent) / 100.0f; }
    // The quality libjpeg is given, which starts at 1: 0 encodes as 1.
    constexpr int jpegQuality() const { return std::max(m_percent, 1); }

    friend constexpr bool operator==(KPQuality, KPQuality) = default;

private:
    explicit constexpr KPQuality(int percent) : m_percent(percent) {}

    int m_percent = 0;
};
