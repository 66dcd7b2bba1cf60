#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// libjpeg's integer forward DCT (JDCT_ISLOW) of one block of 8 by 8 samples: Loeffler,
// Ligtenberg and Moschytz's factorisation with 13-bit constants, two bits of extra
// precision between the passes, and the result scaled up by 8, exactly the integers the
// encoder computes. Two ways to them: plain C++ on 32-bit values, which builds anywhere,
// and SSE2 on eight 16-bit lanes at once where the processor has it. Both are built
// where SSE2 is, so that each can be held against the other.
class KPForwardDct
{
public:
    static constexpr int BlockSize = 64;

    enum class Path
    {
        Portable,
        Sse2
    };
#if defined(__SSE2__)
    static constexpr Path Fastest = Path::Sse2;
#else
    static constexpr Path Fastest = Path::Portable;
#endif

    // Zig-zag position to natural (row-major) position in a block.
    static constexpr std::array<int, BlockSize> NaturalOrder = {
        0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
        41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
        30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

    // The coefficients, in zig-zag order, of the block whose eight rows of samples start
    // at rows[0] + x to rows[7] + x.
    template <Path P = Fastest>
    static void transform(const std::uint8_t* const* rows, std::size_t x, std::int16_t* out);
};

template <>
void KPForwardDct::transform<KPForwardDct::Path::Portable>(const std::uint8_t* const* rows,
                                                           std::size_t x, std::int16_t* out);
#if defined(__SSE2__)
template <>
void KPForwardDct::transform<KPForwardDct::Path::Sse2>(const std::uint8_t* const* rows,
                                                       std::size_t x, std::int16_t* out);
#endif
