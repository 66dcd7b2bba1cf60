#include "engine/KPJpegEstimate.h"

#include "engine/KPAsync.h"
#include "engine/KPHuffmanModel.h"
#include "engine/KPJpegCodec.h"
#include "engine/KPJpegQuantiser.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {
constexpr int BandRows = KPCoefficientCapture::McuRows;
constexpr int BlocksPerMcu = KPCoefficientCapture::BlocksPerMcu;
constexpr std::size_t BlockSize = KPForwardDct::BlockSize;

// The fixed bytes of the encoder's file around its Huffman tables and coded data: SOI, the
// JFIF APP0 segment, two quantisation tables of 8-bit entries, the baseline frame header
// for three components, the scan header and EOI.
constexpr qint64 FixedHeaderBytes = 2 + 18 + 2 * 69 + 19 + 14 + 2;
} // namespace

bool KPJpegEstimate::analyse(const QImage& picture, int threads,
                             const std::function<bool()>& cancelled)
{
    m_blocks = 0;
    m_pixels = QSize();
    m_sampleScale = 1.0;
    if (picture.isNull() || picture.format() != QImage::Format_RGB32)
        return false;
    KPCodecTimer timer(KPCodecStats::Analyse);
    const int width = picture.width();
    const int height = picture.height();
    const int bands = (height + BandRows - 1) / BandRows;
    const std::size_t mcusPerRow = std::size_t((width + BandRows - 1) / BandRows);
    const std::size_t blocks = mcusPerRow * std::size_t(bands) * BlocksPerMcu;
    const std::size_t bytes = blocks * BlockSize * sizeof(std::int16_t);
    if (m_pages.size() < bytes) {
        m_pages = KPLargePages();
        m_pages = KPLargePages(bytes);
        if (!m_pages.data())
            return false;
    }
    m_coefficients = static_cast<std::int16_t*>(m_pages.data());
    // Bands of whole MCU rows go to each thread: every part but the last is a whole number
    // of MCU rows high, so libjpeg pads only where it pads the whole picture.
    const int parts = std::clamp(threads, 1, std::max(1, bands / 4));
    std::vector<KPCoefficientCapture::Layout> layouts(static_cast<size_t>(parts));
    std::vector<char> done(static_cast<size_t>(parts), 0);
    const std::size_t blocksPerBand = mcusPerRow * BlocksPerMcu;
    auto run = [&](int part) {
        const int firstBand = bands * part / parts;
        const int lastBand = bands * (part + 1) / parts;
        const int firstRow = firstBand * BandRows;
        const int rows = std::min(height, lastBand * BandRows) - firstRow;
        std::int16_t* out = m_coefficients + blocksPerBand * size_t(firstBand) * BlockSize;
        std::int16_t* end = m_coefficients + blocksPerBand * size_t(lastBand) * BlockSize;
        done[size_t(part)] = KPCoefficientCapture::capture(
            picture.constScanLine(firstRow), picture.bytesPerLine(), width, rows, out, end,
            cancelled ? &cancelled : nullptr, layouts[size_t(part)]);
    };
    KPAsync::parallel(parts, run);
    const KPCoefficientCapture::Layout& layout = layouts.front();
    const bool whole = std::all_of(done.begin(), done.end(), [](char ok) { return ok != 0; }) &&
                       layout.blocksPerMcu == BlocksPerMcu && layout.mcusPerRow == mcusPerRow;
    if (!whole)
        return false;
    m_blocks = blocks;
    m_mcuRows = size_t(bands);
    m_layout = layout;
    m_pixels = picture.size();
    return true;
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
        m_layout = other.m_layout;
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

void KPJpegEstimate::countRange(const KPJpegQuantiser& quantiser, std::size_t first,
                                std::size_t last, KPHuffmanModel& model) const
{
    const auto blocksPerMcu = size_t(m_layout.blocksPerMcu);
    // The DC of each component is coded as the difference to the one before it: a range
    // that starts inside the picture starts from the MCU before it.
    std::array<int, 4> lastDc{};
    if (first > 0) {
        const std::size_t previous = first - blocksPerMcu;
        for (size_t b = 0; b < blocksPerMcu; ++b) {
            const auto component = size_t(m_layout.componentOf[b]);
            const auto table = size_t(m_layout.tableOf[component]);
            lastDc[component] =
                quantiser.quantise(table, 0, m_coefficients[(previous + b) * BlockSize]);
        }
    }
    for (std::size_t mcu = first; mcu < last; mcu += blocksPerMcu) {
        for (size_t b = 0; b < blocksPerMcu; ++b) {
            const auto component = size_t(m_layout.componentOf[b]);
            const auto table = size_t(m_layout.tableOf[component]);
            const std::int16_t* block = m_coefficients + (mcu + b) * BlockSize;

            const int dc = quantiser.quantise(table, 0, block[0]);
            const int diff = dc - lastDc[component];
            lastDc[component] = dc;
            model.addDc(table, unsigned(std::bit_width(unsigned(std::abs(diff)))));

            // Only the coefficients that do not quantise to zero are visited; the zeros
            // between them are the runs.
            std::uint64_t mask = quantiser.nonzeroMask(table, block) & ~std::uint64_t(1);
            int previous = 0;
            while (mask) {
                const int k = std::countr_zero(mask);
                mask &= mask - 1;
                auto run = unsigned(k - previous - 1);
                previous = k;
                for (; run > 15; run -= 16)
                    model.addZeroRun(table);
                const auto quotient =
                    unsigned(quantiser.quantise(table, size_t(k), std::abs(int(block[k]))));
                model.addAc(table, run, unsigned(std::bit_width(quotient)));
            }
            if (previous < int(BlockSize) - 1)
                model.addEndOfBlock(table);
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
    KPCodecTimer timer(KPCodecStats::Estimate);
    const KPJpegQuantiser quantiser(quality);
    // The rows of MCUs counted (every one, or the middle one of each group of rowStep),
    // shared out among the threads in whole rows.
    const std::size_t rowBlocks = m_blocks / m_mcuRows;
    std::vector<std::size_t> rows;
    for (std::size_t row = size_t(rowStep / 2); row < m_mcuRows; row += size_t(rowStep))
        rows.push_back(row);
    const int parts = int(std::clamp<std::size_t>(
        size_t(std::max(threads, 1)), 1,
        std::max<std::size_t>(1, rows.size() * rowBlocks / size_t(m_layout.blocksPerMcu) / 256)));
    std::vector<KPHuffmanModel> models(static_cast<size_t>(parts));
    auto run = [&](int part) {
        const std::size_t first = rows.size() * size_t(part) / size_t(parts);
        const std::size_t last = rows.size() * size_t(part + 1) / size_t(parts);
        if (rowStep == 1) {
            countRange(quantiser, rows[first] * rowBlocks, rows[last - 1] * rowBlocks + rowBlocks,
                       models[size_t(part)]);
            return;
        }
        for (std::size_t i = first; i < last; ++i)
            countRange(quantiser, rows[i] * rowBlocks, rows[i] * rowBlocks + rowBlocks,
                       models[size_t(part)]);
    };
    KPAsync::parallel(parts, run);
    KPHuffmanModel& total = models.front();
    for (size_t part = 1; part < models.size(); ++part)
        total.add(models[part]);

    const KPHuffmanModel::Length length = total.length();
    const double rowsScale = double(m_mcuRows) / double(rows.size());
    const double coded = double((length.codedBits + 7) / 8) * m_sampleScale * rowsScale;
    return FixedHeaderBytes + length.tableBytes +
           qint64(std::llround(coded * (1.0 + StuffedShare)));
}
