#include "engine/KPHuffmanModel.h"

#include <algorithm>
#include <utility>

namespace {
// Before the limit to 16 bits, a code may be this long.
constexpr int MaxLength = 32;
// Each table segment: its marker, length, class and 16 counts, then its symbols.
constexpr qint64 TableHeaderBytes = 2 + 2 + 1 + 16;

// The two symbols of the smallest nonzero frequencies, the larger symbol first on a tie;
// -1 for the second when only one is left.
std::pair<int, int> leastFrequent(const std::array<long, 257>& freq)
{
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
    return {c1, c2};
}

// The code size of each symbol in a Huffman tree of the counts, with symbol 256 counted
// once so that no real symbol gets the code of all ones.
std::array<int, 257> codeSizes(const KPHuffmanModel::Histogram& counts)
{
    std::array<long, 257> freq{};
    std::array<int, 257> codesize{};
    std::array<int, 257> others;
    others.fill(-1);
    for (size_t i = 0; i < 256; ++i)
        freq[i] = long(counts[i]);
    freq[256] = 1;
    for (;;) {
        auto [c1, c2] = leastFrequent(freq);
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
    return codesize;
}

// How many codes of each length, once the longest are brought down to 16 bits and the
// reserved code point is taken out.
std::array<int, MaxLength + 1> lengthCounts(const std::array<int, 257>& codesize)
{
    std::array<int, MaxLength + 1> bits{};
    for (size_t i = 0; i <= 256; ++i) {
        if (codesize[i])
            ++bits[size_t(std::min(codesize[i], MaxLength))];
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
    return bits;
}
} // namespace

int KPHuffmanModel::optimalLengths(const Histogram& counts, std::array<std::uint8_t, 256>& lengths)
{
    const std::array<int, 257> codesize = codeSizes(counts);
    const std::array<int, MaxLength + 1> bits = lengthCounts(codesize);
    // The symbols in order of their first code size, then of value, take the lengths.
    lengths.fill(0);
    int length = 1;
    int left = bits[1];
    int coded = 0;
    for (int size = 1; size <= MaxLength; ++size) {
        for (size_t symbol = 0; symbol < 256; ++symbol) {
            if (codesize[symbol] != size)
                continue;
            while (left == 0 && length < 16)
                left = bits[size_t(++length)];
            if (left == 0)
                return coded; // only the reserved code point was left
            lengths[symbol] = std::uint8_t(length);
            --left;
            ++coded;
        }
    }
    return coded;
}

void KPHuffmanModel::add(const KPHuffmanModel& other)
{
    for (size_t t = 0; t < 2; ++t) {
        for (size_t s = 0; s < 256; ++s) {
            m_dc[t][s] += other.m_dc[t][s];
            m_ac[t][s] += other.m_ac[t][s];
        }
        m_used[t] = m_used[t] || other.m_used[t];
    }
    m_extraBits += other.m_extraBits;
}

KPHuffmanModel::Length KPHuffmanModel::length() const
{
    Length length{m_extraBits, 0};
    std::array<std::uint8_t, 256> lengths{};
    for (size_t t = 0; t < 2; ++t) {
        if (!m_used[t])
            continue;
        for (const Histogram* histogram : {&m_dc[t], &m_ac[t]}) {
            length.tableBytes += TableHeaderBytes + optimalLengths(*histogram, lengths);
            for (size_t s = 0; s < 256; ++s)
                length.codedBits += std::uint64_t((*histogram)[s]) * lengths[s];
        }
    }
    return length;
}
