#include "engine/KPForwardDct.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
// libjpeg centres its 8-bit samples on this value before the transform.
constexpr std::int32_t Centre = 128;

constexpr int ConstBits = 13;
constexpr int Pass1Bits = 2;
constexpr std::int32_t Fix_0_298631336 = 2446;
constexpr std::int32_t Fix_0_390180644 = 3196;
constexpr std::int32_t Fix_0_541196100 = 4433;
constexpr std::int32_t Fix_0_765366865 = 6270;
constexpr std::int32_t Fix_0_899976223 = 7373;
constexpr std::int32_t Fix_1_175875602 = 9633;
constexpr std::int32_t Fix_1_501321110 = 12299;
constexpr std::int32_t Fix_1_847759065 = 15137;
constexpr std::int32_t Fix_1_961570560 = 16069;
constexpr std::int32_t Fix_2_053119869 = 16819;
constexpr std::int32_t Fix_2_562915447 = 20995;
constexpr std::int32_t Fix_3_072711026 = 25172;

constexpr std::int32_t descale(std::int32_t x, int n)
{
    return (x + (std::int32_t(1) << (n - 1))) >> n;
}

// One 1-D pass over eight values `stride` apart. The first pass keeps Pass1Bits of
// extra precision, the second takes them away again.
template <bool First> inline void dctPass(std::int32_t* d, int stride)
{
    const std::int32_t tmp0 = d[0] + d[7 * stride];
    const std::int32_t tmp7 = d[0] - d[7 * stride];
    const std::int32_t tmp1 = d[stride] + d[6 * stride];
    const std::int32_t tmp6 = d[stride] - d[6 * stride];
    const std::int32_t tmp2 = d[2 * stride] + d[5 * stride];
    const std::int32_t tmp5 = d[2 * stride] - d[5 * stride];
    const std::int32_t tmp3 = d[3 * stride] + d[4 * stride];
    const std::int32_t tmp4 = d[3 * stride] - d[4 * stride];

    const std::int32_t tmp10 = tmp0 + tmp3;
    const std::int32_t tmp13 = tmp0 - tmp3;
    const std::int32_t tmp11 = tmp1 + tmp2;
    const std::int32_t tmp12 = tmp1 - tmp2;
    constexpr int shift = First ? ConstBits - Pass1Bits : ConstBits + Pass1Bits;

    if constexpr (First) {
        d[0] = (tmp10 + tmp11) * (1 << Pass1Bits);
        d[4 * stride] = (tmp10 - tmp11) * (1 << Pass1Bits);
    } else {
        d[0] = descale(tmp10 + tmp11, Pass1Bits);
        d[4 * stride] = descale(tmp10 - tmp11, Pass1Bits);
    }
    std::int32_t z1 = (tmp12 + tmp13) * Fix_0_541196100;
    d[2 * stride] = descale(z1 + tmp13 * Fix_0_765366865, shift);
    d[6 * stride] = descale(z1 - tmp12 * Fix_1_847759065, shift);

    z1 = tmp4 + tmp7;
    std::int32_t z2 = tmp5 + tmp6;
    std::int32_t z3 = tmp4 + tmp6;
    std::int32_t z4 = tmp5 + tmp7;
    const std::int32_t z5 = (z3 + z4) * Fix_1_175875602;
    const std::int32_t t4 = tmp4 * Fix_0_298631336;
    const std::int32_t t5 = tmp5 * Fix_2_053119869;
    const std::int32_t t6 = tmp6 * Fix_3_072711026;
    const std::int32_t t7 = tmp7 * Fix_1_501321110;
    z1 = z1 * -Fix_0_899976223;
    z2 = z2 * -Fix_2_562915447;
    z3 = z3 * -Fix_1_961570560 + z5;
    z4 = z4 * -Fix_0_390180644 + z5;
    d[7 * stride] = descale(t4 + z1 + z3, shift);
    d[5 * stride] = descale(t5 + z2 + z4, shift);
    d[3 * stride] = descale(t6 + z2 + z3, shift);
    d[stride] = descale(t7 + z1 + z4, shift);
}

#if defined(__SSE2__)
// The same DCT on eight lanes of 16 bits at once, as libjpeg-turbo's own SIMD code does:
// each multiply-add pairs two inputs with two constants (the products of the scalar code
// regrouped, which gives the very same integers) and rounds at the same places.
// Eight vectors of eight 16-bit lanes: a block's lines.
struct Lines
{
    __m128i line[8];
    __m128i& operator[](size_t i) { return line[i]; }
};

inline __m128i pairConstants(std::int32_t first, std::int32_t second)
{
    return _mm_set1_epi32(std::int32_t(std::uint32_t(std::uint16_t(first)) |
                                       (std::uint32_t(std::uint16_t(second)) << 16)));
}

// first * a + second * b for each lane, rounded and shifted right by `shift`.
template <int Shift> inline __m128i rotate(__m128i first, __m128i second, __m128i constants)
{
    const __m128i round = _mm_set1_epi32(1 << (Shift - 1));
    const __m128i low = _mm_madd_epi16(_mm_unpacklo_epi16(first, second), constants);
    const __m128i high = _mm_madd_epi16(_mm_unpackhi_epi16(first, second), constants);
    return _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(low, round), Shift),
                           _mm_srai_epi32(_mm_add_epi32(high, round), Shift));
}

// The sum of two such pairs, rounded once.
template <int Shift>
inline __m128i rotate2(__m128i a1, __m128i b1, __m128i constants1, __m128i a2, __m128i b2,
                       __m128i constants2)
{
    const __m128i round = _mm_set1_epi32(1 << (Shift - 1));
    const __m128i low = _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(a1, b1), constants1),
                                      _mm_madd_epi16(_mm_unpacklo_epi16(a2, b2), constants2));
    const __m128i high = _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(a1, b1), constants1),
                                       _mm_madd_epi16(_mm_unpackhi_epi16(a2, b2), constants2));
    return _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(low, round), Shift),
                           _mm_srai_epi32(_mm_add_epi32(high, round), Shift));
}

inline void transpose(Lines& v)
{
    // Three rounds of interleaving, of 16-, 32- and 64-bit lanes; the loops have fixed
    // bounds and unroll into the same sequence of unpacks.
    Lines a;
    for (int i = 0; i < 8; i += 2) {
        a[i] = _mm_unpacklo_epi16(v[i], v[i + 1]);
        a[i + 1] = _mm_unpackhi_epi16(v[i], v[i + 1]);
    }
    Lines b;
    for (int half = 0; half < 8; half += 4) {
        for (int j = 0; j < 2; ++j) {
            b[half + 2 * j] = _mm_unpacklo_epi32(a[half + j], a[half + j + 2]);
            b[half + 2 * j + 1] = _mm_unpackhi_epi32(a[half + j], a[half + j + 2]);
        }
    }
    for (int k = 0; k < 4; ++k) {
        v[2 * k] = _mm_unpacklo_epi64(b[k], b[k + 4]);
        v[2 * k + 1] = _mm_unpackhi_epi64(b[k], b[k + 4]);
    }
}

// One 1-D pass over the eight vectors, each lane a separate line of samples.
template <bool First> inline void dctPass(Lines& v)
{
    const __m128i tmp0 = _mm_add_epi16(v[0], v[7]);
    const __m128i tmp7 = _mm_sub_epi16(v[0], v[7]);
    const __m128i tmp1 = _mm_add_epi16(v[1], v[6]);
    const __m128i tmp6 = _mm_sub_epi16(v[1], v[6]);
    const __m128i tmp2 = _mm_add_epi16(v[2], v[5]);
    const __m128i tmp5 = _mm_sub_epi16(v[2], v[5]);
    const __m128i tmp3 = _mm_add_epi16(v[3], v[4]);
    const __m128i tmp4 = _mm_sub_epi16(v[3], v[4]);

    const __m128i tmp10 = _mm_add_epi16(tmp0, tmp3);
    const __m128i tmp13 = _mm_sub_epi16(tmp0, tmp3);
    const __m128i tmp11 = _mm_add_epi16(tmp1, tmp2);
    const __m128i tmp12 = _mm_sub_epi16(tmp1, tmp2);
    constexpr int shift = First ? ConstBits - Pass1Bits : ConstBits + Pass1Bits;

    if constexpr (First) {
        v[0] = _mm_slli_epi16(_mm_add_epi16(tmp10, tmp11), Pass1Bits);
        v[4] = _mm_slli_epi16(_mm_sub_epi16(tmp10, tmp11), Pass1Bits);
    } else {
        const __m128i round = _mm_set1_epi16(1 << (Pass1Bits - 1));
        v[0] = _mm_srai_epi16(_mm_add_epi16(_mm_add_epi16(tmp10, tmp11), round), Pass1Bits);
        v[4] = _mm_srai_epi16(_mm_add_epi16(_mm_sub_epi16(tmp10, tmp11), round), Pass1Bits);
    }
    v[2] = rotate<shift>(tmp13, tmp12,
                         pairConstants(Fix_0_541196100 + Fix_0_765366865, Fix_0_541196100));
    v[6] = rotate<shift>(tmp13, tmp12,
                         pairConstants(Fix_0_541196100, Fix_0_541196100 - Fix_1_847759065));

    const __m128i z3 = _mm_add_epi16(tmp4, tmp6);
    const __m128i z4 = _mm_add_epi16(tmp5, tmp7);
    // z3 * -c + z5 and z4 * -c + z5, with z5 = (z3 + z4) * FIX(1.175875602).
    const __m128i z3Pair = pairConstants(Fix_1_175875602 - Fix_1_961570560, Fix_1_175875602);
    const __m128i z4Pair = pairConstants(Fix_1_175875602, Fix_1_175875602 - Fix_0_390180644);
    v[7] = rotate2<shift>(tmp4, tmp7,
                          pairConstants(Fix_0_298631336 - Fix_0_899976223, -Fix_0_899976223), z3,
                          z4, z3Pair);
    v[1] = rotate2<shift>(tmp4, tmp7,
                          pairConstants(-Fix_0_899976223, Fix_1_501321110 - Fix_0_899976223), z3,
                          z4, z4Pair);
    v[5] = rotate2<shift>(tmp5, tmp6,
                          pairConstants(Fix_2_053119869 - Fix_2_562915447, -Fix_2_562915447), z3,
                          z4, z4Pair);
    v[3] = rotate2<shift>(tmp5, tmp6,
                          pairConstants(-Fix_2_562915447, Fix_3_072711026 - Fix_2_562915447), z3,
                          z4, z3Pair);
}
#endif
} // namespace

template <>
void KPForwardDct::transform<KPForwardDct::Path::Portable>(const std::uint8_t* const* rows,
                                                           std::size_t x, std::int16_t* out)
{
    std::array<std::int32_t, BlockSize> data;
    for (std::size_t r = 0; r < 8; ++r) {
        const std::uint8_t* row = rows[r] + x;
        for (std::size_t c = 0; c < 8; ++c)
            data[r * 8 + c] = std::int32_t(row[c]) - Centre;
    }
    for (int r = 0; r < 8; ++r)
        dctPass<true>(data.data() + r * 8, 1);
    for (int c = 0; c < 8; ++c)
        dctPass<false>(data.data() + c, 8);
    for (std::size_t k = 0; k < BlockSize; ++k)
        out[k] = std::int16_t(data[std::size_t(NaturalOrder[k])]);
}

#if defined(__SSE2__)
template <>
void KPForwardDct::transform<KPForwardDct::Path::Sse2>(const std::uint8_t* const* rows,
                                                       std::size_t x, std::int16_t* out)
{
    Lines v;
    const __m128i zero = _mm_setzero_si128();
    const __m128i centre = _mm_set1_epi16(Centre);
    for (std::size_t r = 0; r < 8; ++r) {
        const __m128i samples = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows[r] + x));
        v[r] = _mm_sub_epi16(_mm_unpacklo_epi8(samples, zero), centre);
    }
    // Rows first, as libjpeg does: each lane one row of the block.
    transpose(v);
    dctPass<true>(v);
    transpose(v);
    dctPass<false>(v);
    alignas(16) std::array<std::int16_t, BlockSize> natural;
    for (std::size_t r = 0; r < 8; ++r)
        _mm_store_si128(reinterpret_cast<__m128i*>(natural.data() + r * 8), v[r]);
    for (std::size_t k = 0; k < BlockSize; ++k)
        out[k] = natural[std::size_t(NaturalOrder[k])];
}
#endif
