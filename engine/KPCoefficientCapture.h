#pragma once

#include <QtGlobal>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

// The first half of libjpeg's encoder as KPJpegCodec sets it up (4:2:0, JDCT_ISLOW): rows
// of a Format_RGB32 picture go through libjpeg's own colour conversion and downsampling,
// and the DCT of each block (KPForwardDct) is kept, 64 coefficients in zig-zag order, in
// the order the encoder codes the blocks. The dummy blocks that pad the last MCUs carry
// the DC of the block before them and no AC, as libjpeg makes them.
class KPCoefficientCapture
{
public:
    // The rows of pixels an MCU covers, and its blocks: four luma, one of each chroma.
    static constexpr int McuRows = 16;
    static constexpr int BlocksPerMcu = 6;

    // How the encoder lays out the blocks of its MCUs.
    struct Layout
    {
        std::size_t mcusPerRow = 0;
        int blocksPerMcu = 0;
        std::array<int, 10> componentOf{}; // of each block of an MCU
        std::array<int, 4> tableOf{};      // quantisation and Huffman table of each component
        int components = 0;
    };

    // Captures `count` rows of `width` pixels, the first at `bits`, into [out, end), as the
    // encoder would see them as a picture of their own. False when libjpeg fails, the
    // blocks would not fit, or `cancelled` (when given) answers true between rows of MCUs.
    static bool capture(const uchar* bits, qsizetype stride, int width, int count,
                        std::int16_t* out, std::int16_t* end,
                        const std::function<bool()>* cancelled, Layout& layout);
};
