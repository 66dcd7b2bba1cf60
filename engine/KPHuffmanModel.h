#pragma once

#include <QtGlobal>

#include <array>
#include <cstddef>
#include <cstdint>

// The length of a scan in libjpeg's optimised Huffman coding, from the symbols it would
// code: each table's (luma, chroma) DC and AC symbols are counted, with the extra bits
// that follow them, and get the code lengths jpeg_gen_optimal_table would give them (the
// procedure of section K.2 of the JPEG standard, with a reserved code point and lengths
// limited to 16 bits).
class KPHuffmanModel
{
public:
    using Histogram = std::array<std::uint32_t, 256>;

    // A DC difference of `category` bits.
    void addDc(std::size_t table, unsigned category)
    {
        ++m_dc[table][category];
        m_extraBits += category;
        m_used[table] = true;
    }
    // A nonzero AC coefficient of `category` bits after `run` zeros (at most 15).
    void addAc(std::size_t table, unsigned run, unsigned category)
    {
        ++m_ac[table][(run << 4) + category];
        m_extraBits += category;
    }
    // Sixteen zeros that a nonzero coefficient follows.
    void addZeroRun(std::size_t table) { ++m_ac[table][0xF0]; }
    // The end of a block whose last coefficients are zero.
    void addEndOfBlock(std::size_t table) { ++m_ac[table][0]; }

    void add(const KPHuffmanModel& other);

    // The bits of the coded data, and the bytes of the table segments that describe them.
    struct Length
    {
        std::uint64_t codedBits = 0;
        qint64 tableBytes = 0;
    };
    Length length() const;

    // The code lengths of symbols 0 to 255; answers the number of symbols given a code.
    static int optimalLengths(const Histogram& counts, std::array<std::uint8_t, 256>& lengths);

private:
    std::array<Histogram, 2> m_dc{};
    std::array<Histogram, 2> m_ac{};
    std::uint64_t m_extraBits = 0;
    std::array<bool, 2> m_used{};
};
