#pragma once

#include "engine/KPCoefficientCapture.h"
#include "engine/KPLargePages.h"

#include <QImage>
#include <QSize>

#include <cstdint>
#include <functional>
#include <vector>

class KPHuffmanModel;
class KPJpegQuantiser;

// What KPJpegCodec::encodeAtQuality(picture, quality, true) would write, in bytes, at any
// quality, without encoding: the colour conversion, the 4:2:0 downsampling and the forward
// DCT run once, through libjpeg's own pipeline up to its DCT; each quality then costs the
// quantisation and the count of the symbols the optimised Huffman coding would write, with
// the code lengths libjpeg would give them and the bytes of its headers and markers. Only
// the stuffed zero byte after each 0xFF of the coded data is not known without coding;
// it is taken at its average share. Holds about 3 bytes per pixel.
class KPJpegEstimate
{
public:
    KPJpegEstimate() = default;
    KPJpegEstimate(const KPJpegEstimate&) = delete;
    KPJpegEstimate& operator=(const KPJpegEstimate&) = delete;
    // A moved-from estimate is invalid.
    KPJpegEstimate(KPJpegEstimate&& other) noexcept;
    KPJpegEstimate& operator=(KPJpegEstimate&& other) noexcept;

    // Takes the picture's DCT coefficients on up to `threads` threads. False when the
    // picture is not opaque Format_RGB32, memory runs short, or `cancelled` answered true
    // (asked between bands of rows).
    bool analyse(const QImage& picture, int threads = 1,
                 const std::function<bool()>& cancelled = {});

    // The same on one band of 16 rows in every `step`, for a quick look at a large
    // picture: the sizes are those of the sample scaled up to the whole picture, so they
    // are only as close as the bands left out are like the ones taken.
    bool analyseSample(const QImage& picture, int step, int threads = 1,
                       const std::function<bool()>& cancelled = {});

    bool isValid() const { return m_blocks > 0; }
    bool isSample() const { return m_sampleScale != 1.0; }
    QSize pixels() const { return m_pixels; }

    // The size in bytes at a whole quality, 1 to 100, counted on up to `threads` threads.
    qint64 size(int quality, int threads = 1) const;
    // The same counted on one row of MCUs in RoughRowStep, for a quick first look: within
    // a few percent of size() on most pictures. A picture of few rows is counted whole.
    qint64 roughSize(int quality, int threads = 1) const;
    bool roughIsWhole() const { return m_mcuRows < 4 * RoughRowStep; }
    static constexpr int RoughRowStep = 4;

    // The share of the coded bytes that are 0xFF and so get a zero byte stuffed behind
    // them: 0.72 in 256 on average over the benchmark's pictures at qualities 40 to 100 (0
    // to 1.68 in 256 for single encodings), so the estimate is within about 0.4 % of the
    // real size.
    static constexpr double StuffedShare = 0.72 / 256.0;

private:
    qint64 count(int quality, int threads, int rowStep) const;
    // Counts the symbols of blocks [first, last), whole MCUs, into `model`.
    void countRange(const KPJpegQuantiser& quantiser, std::size_t first, std::size_t last,
                    KPHuffmanModel& model) const;

    // 64 a block, zig-zag order, in coding order; kept from one analysis to the next.
    KPLargePages m_pages;
    std::int16_t* m_coefficients = nullptr;
    std::size_t m_blocks = 0;
    std::size_t m_mcuRows = 0;
    KPCoefficientCapture::Layout m_layout;
    QSize m_pixels;
    double m_sampleScale = 1.0; // the picture's rows over the rows analysed
};
