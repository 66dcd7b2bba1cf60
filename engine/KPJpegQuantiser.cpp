#include "engine/KPJpegQuantiser.h"

#include "engine/KPJpegError.h"

#include <algorithm>

namespace {
constexpr std::size_t BlockSize = KPForwardDct::BlockSize;

// libjpeg's two tables at one quality, in zig-zag order.
using QuantTables = std::array<std::array<std::uint16_t, BlockSize>, 2>;

// Every quality's tables, from libjpeg itself. Plain C state only between setjmp and
// longjmp.
std::array<QuantTables, 101> makeTables()
{
    std::array<QuantTables, 101> all{};
    jpeg_compress_struct info{};
    KPJpegError error{};
    info.err = error.manager();
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return all; // not reached: the calls below have nothing to fail on
    }
    jpeg_create_compress(&info);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    for (size_t quality = 1; quality <= 100; ++quality) {
        jpeg_set_quality(&info, int(quality), TRUE);
        for (size_t t = 0; t < 2; ++t) {
            for (size_t k = 0; k < BlockSize; ++k)
                all[quality][t][k] =
                    info.quant_tbl_ptrs[t]->quantval[KPForwardDct::NaturalOrder[k]];
        }
    }
    jpeg_destroy_compress(&info);
    return all;
}

const QuantTables& tablesAt(int quality)
{
    static const std::array<QuantTables, 101> tables = makeTables();
    return tables[size_t(std::clamp(quality, 1, 100))];
}
} // namespace

KPJpegQuantiser::KPJpegQuantiser(int quality)
{
    const QuantTables& tables = tablesAt(quality);
    for (size_t t = 0; t < 2; ++t) {
        for (size_t k = 0; k < BlockSize; ++k) {
            const std::uint64_t divisor = std::uint64_t(tables[t][k]) * 8;
            m_reciprocal[t][k] = std::uint32_t(((std::uint64_t(1) << 32) + divisor - 1) / divisor);
            m_half[t][k] = std::int16_t(divisor / 2);
        }
    }
}
