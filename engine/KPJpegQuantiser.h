#pragma once

#include "engine/KPForwardDct.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// How libjpeg quantises the coefficients of KPForwardDct at one whole quality: with the
// tables jpeg_set_quality makes (the standard ones scaled, limited to baseline), each
// coefficient divided by 8 times its table's entry, rounded. A 32-bit reciprocal gives
// the encoder's quotient for every 16-bit value.
class KPJpegQuantiser
{
public:
    // Table 0 for luma, 1 for chroma; the quality is taken into 1 to 100.
    explicit KPJpegQuantiser(int quality);

    // The quantised value of the coefficient at zig-zag position k.
    int quantise(std::size_t table, std::size_t k, int value) const
    {
        const auto magnitude = std::uint64_t(std::abs(value)) + std::uint64_t(m_half[table][k]);
        const auto quotient = int((magnitude * m_reciprocal[table][k]) >> 32);
        return value < 0 ? -quotient : quotient;
    }

    // Bit k set when the coefficient at zig-zag position k quantises to anything but zero:
    // its magnitude is at least half the divisor.
    template <KPForwardDct::Path P = KPForwardDct::Fastest>
    std::uint64_t nonzeroMask(std::size_t table, const std::int16_t* block) const;

private:
    std::array<std::array<std::uint32_t, KPForwardDct::BlockSize>, 2> m_reciprocal{};
    std::array<std::array<std::int16_t, KPForwardDct::BlockSize>, 2> m_half{};
};

template <>
inline std::uint64_t
KPJpegQuantiser::nonzeroMask<KPForwardDct::Path::Portable>(std::size_t table,
                                                           const std::int16_t* block) const
{
    std::uint64_t mask = 0;
    for (std::size_t k = 0; k < KPForwardDct::BlockSize; ++k) {
        if (std::abs(int(block[k])) >= m_half[table][k])
            mask |= std::uint64_t(1) << k;
    }
    return mask;
}

#if defined(__SSE2__)
template <>
inline std::uint64_t
KPJpegQuantiser::nonzeroMask<KPForwardDct::Path::Sse2>(std::size_t table,
                                                       const std::int16_t* block) const
{
    const std::int16_t* halves = m_half[table].data();
    const __m128i one = _mm_set1_epi16(1);
    std::uint64_t mask = 0;
    for (int part = 0; part < 4; ++part) {
        const int at = part * 16;
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + at));
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + at + 8));
        const __m128i firstHalf = _mm_loadu_si128(reinterpret_cast<const __m128i*>(halves + at));
        const __m128i secondHalf =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(halves + at + 8));
        // |x| >= half, as |x| > half - 1 (the halves are at least 4).
        const __m128i firstAbs = _mm_max_epi16(first, _mm_sub_epi16(_mm_setzero_si128(), first));
        const __m128i secondAbs = _mm_max_epi16(second, _mm_sub_epi16(_mm_setzero_si128(), second));
        const __m128i packed =
            _mm_packs_epi16(_mm_cmpgt_epi16(firstAbs, _mm_sub_epi16(firstHalf, one)),
                            _mm_cmpgt_epi16(secondAbs, _mm_sub_epi16(secondHalf, one)));
        mask |= std::uint64_t(std::uint32_t(_mm_movemask_epi8(packed))) << at;
    }
    return mask;
}
#endif
