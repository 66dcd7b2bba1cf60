#pragma once

#include <QByteArray>
#include <QImage>

#include <atomic>
#include <functional>

// Time spent inside the codec calls of all runs in this process, so the benchmark can
// tell the engine's own overhead apart from encoding and decoding.
struct KPCodecStats
{
    static std::atomic<qint64> encodeNs;
    static std::atomic<qint64> decodeNs;
    static std::atomic<qint64> encodeCount;
    static std::atomic<qint64> decodeCount;
    // The size estimates of the best-quality fitting: analyses of a picture's DCT, and
    // sizes worked out from them.
    static std::atomic<qint64> analyseNs;
    static std::atomic<qint64> analyseCount;
    static std::atomic<qint64> estimateNs;
    static std::atomic<qint64> estimateCount;
    // How far the estimate of each encoding written was from its real size, in millionths
    // of the real size: the sum (to take the mean) and the largest, without sign.
    static std::atomic<qint64> chosenCount;
    static std::atomic<qint64> chosenErrorSum;
    static std::atomic<qint64> chosenErrorMax;
    static void addChosen(qint64 estimate, qint64 real);
    // The sources' own decoding for fitting (any type, by any reader), counted apart from
    // the JPEG codec's work; its waits are in the decodings above as well.
    static std::atomic<qint64> sourceNs;
    static std::atomic<qint64> sourceCount;
};

// Adds the time from its making to its end to one of the totals above.
class KPCodecTimer
{
public:
    KPCodecTimer(std::atomic<qint64>& total, std::atomic<qint64>& count);
    ~KPCodecTimer();
    KPCodecTimer(const KPCodecTimer&) = delete;
    KPCodecTimer& operator=(const KPCodecTimer&) = delete;

private:
    std::atomic<qint64>& m_total;
    qint64 m_start;
};

// JPEG encoding and decoding of the working picture through libjpeg-turbo, straight
// from and into QImage's Format_RGB32 pixels without intermediate copies. One codec
// per thread.
class KPJpegCodec
{
public:
    KPJpegCodec() = default;
    KPJpegCodec(const KPJpegCodec&) = delete;
    KPJpegCodec& operator=(const KPJpegCodec&) = delete;

    // Asked between bands of rows while encoding or decoding: answering true abandons the
    // picture (the call fails), so Stop does not wait for a large picture to finish.
    void setCancelled(std::function<bool()> cancelled) { m_cancelled = std::move(cancelled); }

    // Encodes an opaque Format_RGB32 picture; empty data on failure. With a gate, rows
    // are read only once the gate lets them (the picture may still be being decoded).
    // `segments` (whole APPn marker segments, such as the metadata's) follow the header.
    QByteArray encode(const QImage& image, float factor,
                      const std::function<bool(int rows)>& gate = {},
                      const QByteArray& segments = {});
    // The same at a whole JPEG quality, 1 to 100. Optimized Huffman tables make the file
    // a few percent smaller for the same picture, for about a fifth more time.
    QByteArray encodeAtQuality(const QImage& image, int quality, bool optimizeCoding = false,
                               const std::function<bool(int rows)>& gate = {},
                               const QByteArray& segments = {});
    // Decodes JPEG data into Format_RGB32; a null image on failure or when the header
    // claims a picture larger than the decoder's allocation limit.
    QImage decode(const QByteArray& jpeg);

private:
    QByteArray encodeRows(const QImage& image, int quality, bool optimizeCoding,
                          const std::function<bool(int rows)>& gate,
                          const QByteArray& segments = {});

    std::function<bool()> m_cancelled;
};
