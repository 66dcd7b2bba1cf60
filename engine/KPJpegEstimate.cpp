#include "engine/KPJpegEstimate.h"

#include "engine/KPAsync.h"
#include "engine/KPJpegCodec.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <sys/mman.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// After the C headers jpeglib.h needs.
#include <csetjmp>
#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>

// After jpeglib.h: the shape of libjpeg's coefficient controller, whose place the
// analysis takes to receive the downsampled rows.
#include <jpegint.h>

namespace {
// The encoder's layout: 4:2:0, so an MCU is 16 by 16 pixels.
constexpr int BandRows = 16;
constexpr int BlockSize = 64;

// Zig-zag position to natural (row-major) position in a block.
constexpr std::array<int, BlockSize> NaturalOrder = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Format_RGB32 is 0xffRRGGBB in native byte order.
constexpr J_COLOR_SPACE rgb32Space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;

// The fixed bytes of the encoder's file around its Huffman tables and coded data: SOI, the
// JFIF APP0 segment, two quantisation tables of 8-bit entries, the baseline frame header
// for three components, the scan header and EOI.
constexpr qint64 FixedHeaderBytes = 2 + 18 + 2 * 69 + 19 + 14 + 2;
// Each Huffman table segment: its marker, length, class and 16 counts, then its symbols.
constexpr qint64 TableHeaderBytes = 2 + 2 + 1 + 16;

// libjpeg's integer forward DCT (JDCT_ISLOW): Loeffler, Ligtenberg and Moschytz's
// factorisation with 13-bit constants, two bits of extra precision between the passes,
// and the result scaled up by 8, exactly as the encoder computes it.
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
template <bool First> [[maybe_unused]] inline void dctPass(std::int32_t* d, int stride)
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
    const __m128i a0 = _mm_unpacklo_epi16(v[0], v[1]);
    const __m128i a1 = _mm_unpackhi_epi16(v[0], v[1]);
    const __m128i a2 = _mm_unpacklo_epi16(v[2], v[3]);
    const __m128i a3 = _mm_unpackhi_epi16(v[2], v[3]);
    const __m128i a4 = _mm_unpacklo_epi16(v[4], v[5]);
    const __m128i a5 = _mm_unpackhi_epi16(v[4], v[5]);
    const __m128i a6 = _mm_unpacklo_epi16(v[6], v[7]);
    const __m128i a7 = _mm_unpackhi_epi16(v[6], v[7]);
    const __m128i b0 = _mm_unpacklo_epi32(a0, a2);
    const __m128i b1 = _mm_unpackhi_epi32(a0, a2);
    const __m128i b2 = _mm_unpacklo_epi32(a1, a3);
    const __m128i b3 = _mm_unpackhi_epi32(a1, a3);
    const __m128i b4 = _mm_unpacklo_epi32(a4, a6);
    const __m128i b5 = _mm_unpackhi_epi32(a4, a6);
    const __m128i b6 = _mm_unpacklo_epi32(a5, a7);
    const __m128i b7 = _mm_unpackhi_epi32(a5, a7);
    v[0] = _mm_unpacklo_epi64(b0, b4);
    v[1] = _mm_unpackhi_epi64(b0, b4);
    v[2] = _mm_unpacklo_epi64(b1, b5);
    v[3] = _mm_unpackhi_epi64(b1, b5);
    v[4] = _mm_unpacklo_epi64(b2, b6);
    v[5] = _mm_unpackhi_epi64(b2, b6);
    v[6] = _mm_unpacklo_epi64(b3, b7);
    v[7] = _mm_unpackhi_epi64(b3, b7);
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

// The DCT of the 8 by 8 samples at (x, y) of a component's rows, in zig-zag order.
void forwardDct(JSAMPARRAY rows, int y, JDIMENSION x, std::int16_t* out)
{
    Lines v;
    const __m128i zero = _mm_setzero_si128();
    const __m128i centre = _mm_set1_epi16(CENTERJSAMPLE);
    for (int r = 0; r < 8; ++r) {
        const __m128i samples = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows[y + r] + x));
        v[size_t(r)] = _mm_sub_epi16(_mm_unpacklo_epi8(samples, zero), centre);
    }
    // Rows first, as libjpeg does: each lane one row of the block.
    transpose(v);
    dctPass<true>(v);
    transpose(v);
    dctPass<false>(v);
    alignas(16) std::array<std::int16_t, BlockSize> natural;
    for (int r = 0; r < 8; ++r)
        _mm_store_si128(reinterpret_cast<__m128i*>(natural.data() + r * 8), v[size_t(r)]);
    for (int k = 0; k < BlockSize; ++k)
        out[k] = natural[size_t(NaturalOrder[size_t(k)])];
}
#else
// The DCT of the 8 by 8 samples at (x, y) of a component's rows, in zig-zag order.
void forwardDct(JSAMPARRAY rows, int y, JDIMENSION x, std::int16_t* out)
{
    std::array<std::int32_t, BlockSize> data;
    for (int r = 0; r < 8; ++r) {
        const JSAMPLE* row = rows[y + r] + x;
        for (int c = 0; c < 8; ++c)
            data[size_t(r * 8 + c)] = std::int32_t(row[c]) - CENTERJSAMPLE;
    }
    for (int r = 0; r < 8; ++r)
        dctPass<true>(data.data() + r * 8, 1);
    for (int c = 0; c < 8; ++c)
        dctPass<false>(data.data() + c, 8);
    for (int k = 0; k < BlockSize; ++k)
        out[k] = std::int16_t(data[size_t(NaturalOrder[size_t(k)])]);
}
#endif

struct AnalyseError
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void onAnalyseError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<AnalyseError*>(info->err)->jump, 1);
}

void onMessage(j_common_ptr, int) {}

// The headers libjpeg writes while the rows go through are of no use here.
struct DiscardDestination
{
    jpeg_destination_mgr base{};
    std::array<JOCTET, 4096> buffer{};
};

void discardInit(j_compress_ptr info)
{
    auto* dest = reinterpret_cast<DiscardDestination*>(info->dest);
    dest->base.next_output_byte = dest->buffer.data();
    dest->base.free_in_buffer = dest->buffer.size();
}

boolean discardEmpty(j_compress_ptr info)
{
    discardInit(info);
    return TRUE;
}

void discardTerm(j_compress_ptr) {}

// Takes the place of libjpeg's coefficient controller: it is handed each row of MCUs as
// the encoder would code it, colour converted and downsampled, and keeps the DCT of each
// block in the order the encoder codes them. The dummy blocks that pad the last MCUs
// carry the DC of the block before them and no AC, as libjpeg makes them.
struct CaptureController
{
    jpeg_c_coef_controller base{};
    std::int16_t* next = nullptr;
    std::int16_t* end = nullptr;
    JDIMENSION row = 0;
    bool overrun = false;
};

void captureStartPass(j_compress_ptr, J_BUF_MODE) {}

boolean captureData(j_compress_ptr info, JSAMPIMAGE input)
{
    auto* capture = reinterpret_cast<CaptureController*>(info->coef);
    const JDIMENSION lastColumn = info->MCUs_per_row - 1;
    const JDIMENSION lastRow = info->total_iMCU_rows - 1;
    const auto need = std::ptrdiff_t(info->MCUs_per_row) * info->blocks_in_MCU * BlockSize;
    if (capture->end - capture->next < need) {
        capture->overrun = true;
        return TRUE;
    }
    for (JDIMENSION column = 0; column <= lastColumn; ++column) {
        const std::int16_t* previous = nullptr;
        for (int ci = 0; ci < info->comps_in_scan; ++ci) {
            jpeg_component_info* component = info->cur_comp_info[ci];
            const int real = column < lastColumn ? component->MCU_width : component->last_col_width;
            const JDIMENSION x = column * JDIMENSION(component->MCU_sample_width);
            for (int y = 0; y < component->MCU_height; ++y) {
                const bool realRow = capture->row < lastRow || y < component->last_row_height;
                for (int b = 0; b < component->MCU_width; ++b) {
                    std::int16_t* block = capture->next;
                    capture->next += BlockSize;
                    if (realRow && b < real) {
                        forwardDct(input[component->component_index], y * DCTSIZE,
                                   x + JDIMENSION(b * DCTSIZE), block);
                    } else {
                        std::fill(block, block + BlockSize, std::int16_t(0));
                        block[0] = previous ? previous[0] : std::int16_t(0);
                    }
                    previous = block;
                }
            }
        }
    }
    ++capture->row;
    return TRUE;
}

struct Geometry
{
    JDIMENSION mcusPerRow = 0;
    int blocksPerMcu = 0;
    std::array<int, 10> componentOf{};
    std::array<int, 4> tableOf{};
    int components = 0;
};

// Runs rows [first, first + count) of the picture through libjpeg's colour conversion
// and downsampling into `out`. Plain C state only between setjmp and longjmp.
bool captureRows(const uchar* bits, qsizetype stride, int width, int count, std::int16_t* out,
                 std::int16_t* end, const std::function<bool()>* cancelled, Geometry* geometry)
{
    jpeg_compress_struct info{};
    AnalyseError error{};
    DiscardDestination destination;
    CaptureController capture;
    info.err = jpeg_std_error(&error.base);
    error.base.error_exit = onAnalyseError;
    error.base.emit_message = onMessage;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    destination.base.init_destination = discardInit;
    destination.base.empty_output_buffer = discardEmpty;
    destination.base.term_destination = discardTerm;
    info.dest = &destination.base;
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(count);
    info.input_components = 4;
    info.in_color_space = rgb32Space;
    jpeg_set_defaults(&info);
    // The same set-up as the encoder's; the tables do not matter, nothing is quantised.
    info.comp_info[0].h_samp_factor = 2;
    info.comp_info[0].v_samp_factor = 2;
    info.dct_method = JDCT_ISLOW;
    info.optimize_coding = FALSE;
    jpeg_start_compress(&info, TRUE);
    const bool expected = info.comps_in_scan == info.num_components &&
                          info.blocks_in_MCU <= int(geometry->componentOf.size()) &&
                          info.max_v_samp_factor * DCTSIZE == BandRows &&
                          info.num_components <= int(geometry->tableOf.size());
    if (!expected) {
        jpeg_destroy_compress(&info);
        return false;
    }
    geometry->mcusPerRow = info.MCUs_per_row;
    geometry->blocksPerMcu = info.blocks_in_MCU;
    geometry->components = info.num_components;
    for (int b = 0; b < info.blocks_in_MCU; ++b)
        geometry->componentOf[size_t(b)] = info.MCU_membership[b];
    for (int c = 0; c < info.num_components; ++c)
        geometry->tableOf[size_t(c)] = info.cur_comp_info[c]->quant_tbl_no == 0 ? 0 : 1;
    capture.base.start_pass = captureStartPass;
    capture.base.compress_data = captureData;
    capture.next = out;
    capture.end = end;
    info.coef = &capture.base;
    while (info.next_scanline < info.image_height) {
        if (cancelled && (*cancelled)()) {
            jpeg_destroy_compress(&info);
            return false;
        }
        JSAMPROW lines[BandRows];
        const int want =
            int(std::min<JDIMENSION>(BandRows, info.image_height - info.next_scanline));
        for (int i = 0; i < want; ++i)
            lines[i] =
                const_cast<uchar*>(bits + stride * qsizetype(info.next_scanline + JDIMENSION(i)));
        jpeg_write_scanlines(&info, lines, JDIMENSION(want));
    }
    const bool whole = !capture.overrun && capture.row == info.total_iMCU_rows;
    jpeg_destroy_compress(&info);
    return whole;
}

// libjpeg's quantisation tables at each quality, as jpeg_set_quality makes them (the
// standard tables scaled, limited to baseline), in zig-zag order.
using QuantTables = std::array<std::array<std::uint16_t, BlockSize>, 2>;

const std::array<QuantTables, 101>& quantTables()
{
    static const std::array<QuantTables, 101> tables = [] {
        std::array<QuantTables, 101> all{};
        jpeg_compress_struct info{};
        AnalyseError error{};
        info.err = jpeg_std_error(&error.base);
        error.base.error_exit = onAnalyseError;
        if (setjmp(error.jump)) {
            jpeg_destroy_compress(&info);
            return all; // not reached: the calls below have nothing to fail on
        }
        jpeg_create_compress(&info);
        info.input_components = 3;
        info.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info);
        for (int quality = 1; quality <= 100; ++quality) {
            jpeg_set_quality(&info, quality, TRUE);
            for (int t = 0; t < 2; ++t) {
                for (int k = 0; k < BlockSize; ++k)
                    all[size_t(quality)][size_t(t)][size_t(k)] =
                        info.quant_tbl_ptrs[t]->quantval[NaturalOrder[size_t(k)]];
            }
        }
        jpeg_destroy_compress(&info);
        return all;
    }();
    return tables;
}

// Code lengths as libjpeg's jpeg_gen_optimal_table makes them (the procedure of section
// K.2 of the JPEG standard, with a reserved code point and lengths limited to 16 bits),
// for symbols 0 to 255. Answers the number of symbols that get a code.
int optimalLengths(const std::array<std::uint32_t, 256>& counts,
                   std::array<std::uint8_t, 256>& lengths)
{
    constexpr int MaxLength = 32;
    std::array<long, 257> freq{};
    std::array<int, 257> codesize{};
    std::array<int, 257> others;
    others.fill(-1);
    for (int i = 0; i < 256; ++i)
        freq[size_t(i)] = long(counts[size_t(i)]);
    freq[256] = 1; // so that no real symbol gets the code of all ones
    for (;;) {
        // The smallest nonzero frequency, the larger symbol on a tie; then the next.
        int c1 = -1;
        long v = 1000000000L;
        for (int i = 0; i <= 256; ++i) {
            if (freq[size_t(i)] && freq[size_t(i)] <= v) {
                v = freq[size_t(i)];
                c1 = i;
            }
        }
        int c2 = -1;
        v = 1000000000L;
        for (int i = 0; i <= 256; ++i) {
            if (freq[size_t(i)] && freq[size_t(i)] <= v && i != c1) {
                v = freq[size_t(i)];
                c2 = i;
            }
        }
        if (c2 < 0)
            break;
        freq[size_t(c1)] += freq[size_t(c2)];
        freq[size_t(c2)] = 0;
        ++codesize[size_t(c1)];
        while (others[size_t(c1)] >= 0) {
            c1 = others[size_t(c1)];
            ++codesize[size_t(c1)];
        }
        others[size_t(c1)] = c2;
        ++codesize[size_t(c2)];
        while (others[size_t(c2)] >= 0) {
            c2 = others[size_t(c2)];
            ++codesize[size_t(c2)];
        }
    }
    std::array<int, MaxLength + 1> bits{};
    for (int i = 0; i <= 256; ++i) {
        if (codesize[size_t(i)])
            ++bits[size_t(std::min(codesize[size_t(i)], MaxLength))];
    }
    int i = MaxLength;
    for (; i > 16; --i) {
        while (bits[size_t(i)] > 0) {
            int j = i - 2;
            while (bits[size_t(j)] == 0)
                --j;
            bits[size_t(i)] -= 2;
            ++bits[size_t(i - 1)];
            bits[size_t(j + 1)] += 2;
            --bits[size_t(j)];
        }
    }
    while (bits[size_t(i)] == 0)
        --i;
    --bits[size_t(i)]; // the reserved code point's
    // The symbols in order of their first code size, then of value, take the lengths.
    lengths.fill(0);
    int length = 1;
    int left = bits[1];
    int coded = 0;
    for (int size = 1; size <= MaxLength; ++size) {
        for (int symbol = 0; symbol < 256; ++symbol) {
            if (codesize[size_t(symbol)] != size)
                continue;
            while (left == 0 && length < 16)
                left = bits[size_t(++length)];
            if (left == 0)
                return coded; // only the reserved code point was left
            lengths[size_t(symbol)] = std::uint8_t(length);
            --left;
            ++coded;
        }
    }
    return coded;
}

} // namespace

struct KPJpegEstimate::Counts
{
    std::array<std::array<std::uint32_t, 256>, 2> dc{};
    std::array<std::array<std::uint32_t, 256>, 2> ac{};
    std::uint64_t extraBits = 0;
    std::array<bool, 2> used{};
};

bool KPJpegEstimate::analyse(const QImage& picture, int threads,
                             const std::function<bool()>& cancelled)
{
    m_blocks = 0;
    m_pixels = QSize();
    m_sampleScale = 1.0;
    if (picture.isNull() || picture.format() != QImage::Format_RGB32)
        return false;
    KPCodecTimer timer(KPCodecStats::analyseNs, KPCodecStats::analyseCount);
    const int width = picture.width();
    const int height = picture.height();
    const int bands = (height + BandRows - 1) / BandRows;
    const std::size_t mcusPerRow = std::size_t((width + BandRows - 1) / BandRows);
    // 4:2:0: four luma blocks and one of each chroma component per MCU.
    constexpr int BlocksPerMcu = 6;
    const std::size_t blocks = mcusPerRow * std::size_t(bands) * BlocksPerMcu;
    const std::size_t bytes = blocks * BlockSize * sizeof(std::int16_t);
    if (m_pages.size() < bytes) {
        m_pages = Pages();
        m_pages = Pages(bytes);
        if (!m_pages.data())
            return false;
    }
    m_coefficients = static_cast<std::int16_t*>(m_pages.data());
    // Bands of whole MCU rows go to each thread: every part but the last is a whole number
    // of MCU rows high, so libjpeg pads only where it pads the whole picture.
    const int parts = std::clamp(threads, 1, std::max(1, bands / 4));
    std::vector<Geometry> geometries(static_cast<size_t>(parts));
    std::vector<char> done(static_cast<size_t>(parts), 0);
    const std::size_t blocksPerBand = mcusPerRow * BlocksPerMcu;
    auto run = [&](int part) {
        const int firstBand = bands * part / parts;
        const int lastBand = bands * (part + 1) / parts;
        const int firstRow = firstBand * BandRows;
        const int rows = std::min(height, lastBand * BandRows) - firstRow;
        std::int16_t* out = m_coefficients + blocksPerBand * size_t(firstBand) * BlockSize;
        std::int16_t* end = m_coefficients + blocksPerBand * size_t(lastBand) * BlockSize;
        done[size_t(part)] =
            captureRows(picture.constScanLine(firstRow), picture.bytesPerLine(), width, rows, out,
                        end, cancelled ? &cancelled : nullptr, &geometries[size_t(part)]);
    };
    KPAsync::parallel(parts, run);
    const Geometry& geometry = geometries.front();
    const bool whole = std::all_of(done.begin(), done.end(), [](char ok) { return ok != 0; }) &&
                       geometry.blocksPerMcu == BlocksPerMcu && geometry.mcusPerRow == mcusPerRow;
    if (!whole)
        return false;
    m_blocks = blocks;
    m_mcuRows = size_t(bands);
    m_blocksPerMcu = geometry.blocksPerMcu;
    m_componentOf = geometry.componentOf;
    m_tableOf = geometry.tableOf;
    m_components = geometry.components;
    m_pixels = picture.size();
    return true;
}

namespace {
// Bit k set when the coefficient at zig-zag position k quantises to something other than
// zero: its magnitude is at least half the divisor.
std::uint64_t nonzeroMask(const std::int16_t* block, const std::int16_t* halves)
{
#if defined(__SSE2__)
    std::uint64_t mask = 0;
    for (int part = 0; part < 4; ++part) {
        const int at = part * 16;
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + at));
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + at + 8));
        const __m128i firstHalf = _mm_loadu_si128(reinterpret_cast<const __m128i*>(halves + at));
        const __m128i secondHalf =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(halves + at + 8));
        const __m128i one = _mm_set1_epi16(1);
        // |x| >= half, as |x| > half - 1 (the halves are at least 4).
        const __m128i firstAbs = _mm_max_epi16(first, _mm_sub_epi16(_mm_setzero_si128(), first));
        const __m128i secondAbs = _mm_max_epi16(second, _mm_sub_epi16(_mm_setzero_si128(), second));
        const __m128i packed =
            _mm_packs_epi16(_mm_cmpgt_epi16(firstAbs, _mm_sub_epi16(firstHalf, one)),
                            _mm_cmpgt_epi16(secondAbs, _mm_sub_epi16(secondHalf, one)));
        mask |= std::uint64_t(std::uint32_t(_mm_movemask_epi8(packed))) << at;
    }
    return mask;
#else
    std::uint64_t mask = 0;
    for (int k = 0; k < BlockSize; ++k) {
        if (std::abs(int(block[k])) >= halves[k])
            mask |= std::uint64_t(1) << k;
    }
    return mask;
#endif
}
} // namespace

namespace {
constexpr std::size_t LargePage = std::size_t(2) << 20;
} // namespace

KPJpegEstimate::Pages::Pages(std::size_t bytes)
{
    // One large page more than asked, so that the data can start on a boundary of one.
    const std::size_t length = (bytes + 2 * LargePage - 1) / LargePage * LargePage;
    void* base =
        ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED)
        return;
    m_base = base;
    m_length = length;
    const auto start =
        (reinterpret_cast<std::uintptr_t>(base) + LargePage - 1) / LargePage * LargePage;
    m_data = reinterpret_cast<void*>(start);
    m_size = length - (start - reinterpret_cast<std::uintptr_t>(base));
#ifdef MADV_HUGEPAGE
    ::madvise(m_data, m_size / LargePage * LargePage, MADV_HUGEPAGE);
#endif
}

KPJpegEstimate::Pages::~Pages()
{
    if (m_base)
        ::munmap(m_base, m_length);
}

KPJpegEstimate::Pages::Pages(Pages&& other) noexcept
    : m_base(std::exchange(other.m_base, nullptr)), m_length(std::exchange(other.m_length, 0)),
      m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0))
{}

KPJpegEstimate::Pages& KPJpegEstimate::Pages::operator=(Pages&& other) noexcept
{
    if (this != &other) {
        if (m_base)
            ::munmap(m_base, m_length);
        m_base = std::exchange(other.m_base, nullptr);
        m_length = std::exchange(other.m_length, 0);
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

KPJpegEstimate::KPJpegEstimate(KPJpegEstimate&& other) noexcept
{
    *this = std::move(other);
}

KPJpegEstimate& KPJpegEstimate::operator=(KPJpegEstimate&& other) noexcept
{
    if (this != &other) {
        m_pages = std::move(other.m_pages);
        m_coefficients = std::exchange(other.m_coefficients, nullptr);
        m_blocks = std::exchange(other.m_blocks, 0);
        m_mcuRows = std::exchange(other.m_mcuRows, 0);
        m_blocksPerMcu = other.m_blocksPerMcu;
        m_componentOf = other.m_componentOf;
        m_tableOf = other.m_tableOf;
        m_components = other.m_components;
        m_pixels = std::exchange(other.m_pixels, QSize());
        m_sampleScale = std::exchange(other.m_sampleScale, 1.0);
    }
    return *this;
}

bool KPJpegEstimate::analyseSample(const QImage& picture, int step, int threads,
                                   const std::function<bool()>& cancelled)
{
    const int bands = picture.height() / BandRows; // whole bands only
    const int taken = step > 1 ? bands / step : 0;
    if (taken < 2 || picture.format() != QImage::Format_RGB32)
        return analyse(picture, threads, cancelled);
    QImage sample(picture.width(), taken * BandRows, QImage::Format_RGB32);
    if (sample.isNull()) {
        m_blocks = 0;
        return false;
    }
    const auto lineBytes = size_t(picture.width()) * 4;
    for (int i = 0; i < taken; ++i) {
        // The middle band of each group of `step`.
        const int band = i * step + step / 2;
        for (int row = 0; row < BandRows; ++row)
            std::memcpy(sample.scanLine(i * BandRows + row),
                        picture.constScanLine(band * BandRows + row), lineBytes);
    }
    if (!analyse(sample, threads, cancelled))
        return false;
    m_pixels = picture.size();
    m_sampleScale = double(picture.height()) / double(sample.height());
    return true;
}

void KPJpegEstimate::countRange(const Divisors& divisors, std::size_t first, std::size_t last,
                                Counts& counts) const
{
    const auto quantise = [](int value, std::int16_t halfDivisor, std::uint32_t reciprocal) {
        const auto magnitude = std::uint64_t(std::abs(value)) + std::uint64_t(halfDivisor);
        const auto quotient = int((magnitude * reciprocal) >> 32);
        return value < 0 ? -quotient : quotient;
    };
    // The DC of each component is coded as the difference to the one before it: a range
    // that starts inside the picture starts from the MCU before it.
    std::array<int, 4> lastDc{};
    if (first > 0) {
        const std::size_t previous = first - size_t(m_blocksPerMcu);
        for (int b = 0; b < m_blocksPerMcu; ++b) {
            const int component = m_componentOf[size_t(b)];
            const auto table = size_t(m_tableOf[size_t(component)]);
            lastDc[size_t(component)] =
                quantise(m_coefficients[(previous + size_t(b)) * BlockSize],
                         divisors.half[table][0], divisors.reciprocal[table][0]);
        }
    }
    for (std::size_t mcu = first; mcu < last; mcu += size_t(m_blocksPerMcu)) {
        for (int b = 0; b < m_blocksPerMcu; ++b) {
            const int component = m_componentOf[size_t(b)];
            const auto table = size_t(m_tableOf[size_t(component)]);
            const std::int16_t* block = m_coefficients + (mcu + size_t(b)) * BlockSize;
            const std::uint32_t* reciprocal = divisors.reciprocal[table].data();
            const std::int16_t* halves = divisors.half[table].data();
            counts.used[table] = true;

            const int dc = quantise(block[0], halves[0], reciprocal[0]);
            const int diff = dc - lastDc[size_t(component)];
            lastDc[size_t(component)] = dc;
            const auto dcBits = int(std::bit_width(unsigned(std::abs(diff))));
            ++counts.dc[table][size_t(dcBits)];
            counts.extraBits += unsigned(dcBits);

            // Only the coefficients that do not quantise to zero are visited; the zeros
            // between them are the runs.
            std::array<std::uint32_t, 256>& ac = counts.ac[table];
            std::uint64_t mask = nonzeroMask(block, halves) & ~std::uint64_t(1);
            int previous = 0;
            while (mask) {
                const int k = std::countr_zero(mask);
                mask &= mask - 1;
                auto run = unsigned(k - previous - 1);
                previous = k;
                while (run > 15) {
                    ++ac[0xF0];
                    run -= 16;
                }
                const auto quotient =
                    unsigned(quantise(std::abs(int(block[k])), halves[k], reciprocal[k]));
                const auto acBits = unsigned(std::bit_width(quotient));
                ++ac[(run << 4) + acBits];
                counts.extraBits += acBits;
            }
            if (previous < BlockSize - 1)
                ++ac[0];
        }
    }
}

qint64 KPJpegEstimate::size(int quality, int threads) const
{
    return count(quality, threads, 1);
}

qint64 KPJpegEstimate::roughSize(int quality, int threads) const
{
    return count(quality, threads, roughIsWhole() ? 1 : RoughRowStep);
}

qint64 KPJpegEstimate::count(int quality, int threads, int rowStep) const
{
    if (!isValid())
        return 0;
    KPCodecTimer timer(KPCodecStats::estimateNs, KPCodecStats::estimateCount);
    const QuantTables& tables = quantTables()[size_t(std::clamp(quality, 1, 100))];
    // The encoder divides each coefficient, scaled up by 8, by 8 times the table's entry
    // with rounding; a 32-bit reciprocal gives the same quotient for every 16-bit value.
    Divisors divisors;
    for (size_t t = 0; t < 2; ++t) {
        for (size_t k = 0; k < BlockSize; ++k) {
            const std::uint64_t divisor = std::uint64_t(tables[t][k]) * 8;
            divisors.reciprocal[t][k] =
                std::uint32_t(((std::uint64_t(1) << 32) + divisor - 1) / divisor);
            divisors.half[t][k] = std::int16_t(divisor / 2);
        }
    }

    // The rows of MCUs counted (every one, or the middle one of each group of rowStep),
    // shared out among the threads in whole rows.
    const std::size_t rowBlocks = m_blocks / m_mcuRows;
    std::vector<std::size_t> rows;
    for (std::size_t row = size_t(rowStep / 2); row < m_mcuRows; row += size_t(rowStep))
        rows.push_back(row);
    const int parts = int(std::clamp<std::size_t>(
        size_t(std::max(threads, 1)), 1,
        std::max<std::size_t>(1, rows.size() * rowBlocks / size_t(m_blocksPerMcu) / 256)));
    std::vector<Counts> counts(static_cast<size_t>(parts));
    auto run = [&](int part) {
        const std::size_t first = rows.size() * size_t(part) / size_t(parts);
        const std::size_t last = rows.size() * size_t(part + 1) / size_t(parts);
        if (rowStep == 1) {
            countRange(divisors, rows[first] * rowBlocks, rows[last - 1] * rowBlocks + rowBlocks,
                       counts[size_t(part)]);
            return;
        }
        for (std::size_t i = first; i < last; ++i)
            countRange(divisors, rows[i] * rowBlocks, rows[i] * rowBlocks + rowBlocks,
                       counts[size_t(part)]);
    };
    KPAsync::parallel(parts, run);
    Counts& total = counts.front();
    for (size_t part = 1; part < counts.size(); ++part) {
        for (size_t t = 0; t < 2; ++t) {
            for (size_t s = 0; s < 256; ++s) {
                total.dc[t][s] += counts[part].dc[t][s];
                total.ac[t][s] += counts[part].ac[t][s];
            }
            total.used[t] = total.used[t] || counts[part].used[t];
        }
        total.extraBits += counts[part].extraBits;
    }

    std::uint64_t bits = total.extraBits;
    qint64 headers = FixedHeaderBytes;
    std::array<std::uint8_t, 256> lengths{};
    for (size_t t = 0; t < 2; ++t) {
        if (!total.used[t])
            continue;
        for (const auto* histogram : {&total.dc[t], &total.ac[t]}) {
            headers += TableHeaderBytes + optimalLengths(*histogram, lengths);
            for (size_t s = 0; s < 256; ++s)
                bits += std::uint64_t((*histogram)[s]) * lengths[s];
        }
    }
    const double rowsScale = double(m_mcuRows) / double(rows.size());
    const double coded = double((bits + 7) / 8) * m_sampleScale * rowsScale;
    return headers + qint64(std::llround(coded * (1.0 + StuffedShare)));
}
