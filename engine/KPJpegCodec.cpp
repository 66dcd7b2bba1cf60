#include "engine/KPJpegCodec.h"

#include "engine/KPImageDecoder.h"

#include <turbojpeg.h>

#include <algorithm>
#include <chrono>
#include <cmath>

std::atomic<qint64> KPCodecStats::encodeNs{0};
std::atomic<qint64> KPCodecStats::decodeNs{0};
std::atomic<qint64> KPCodecStats::encodeCount{0};
std::atomic<qint64> KPCodecStats::decodeCount{0};

namespace {
qint64 nowNs()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

// Format_RGB32 is 0xffRRGGBB in native byte order.
constexpr int rgb32PixelFormat = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB;

} // namespace

KPCodecTimer::KPCodecTimer(std::atomic<qint64>& total, std::atomic<qint64>& count)
    : m_total(total), m_start(nowNs())
{
    count.fetch_add(1, std::memory_order_relaxed);
}

KPCodecTimer::~KPCodecTimer()
{
    m_total.fetch_add(nowNs() - m_start, std::memory_order_relaxed);
}

KPJpegCodec::KPJpegCodec() : m_compressor(tjInitCompress()), m_decompressor(tjInitDecompress()) {}

KPJpegCodec::~KPJpegCodec()
{
    if (m_compressor)
        tjDestroy(m_compressor);
    if (m_decompressor)
        tjDestroy(m_decompressor);
}

int KPJpegCodec::qualityFor(float factor)
{
    if (!(factor > 0.0f))
        return 1;
    const long quality = std::lround(double(factor) * 100.0);
    return static_cast<int>(std::clamp(quality, 1L, 100L));
}

QByteArray KPJpegCodec::encode(const QImage& image, float factor)
{
    if (!m_compressor || image.isNull() || image.format() != QImage::Format_RGB32)
        return {};
    KPCodecTimer timer(KPCodecStats::encodeNs, KPCodecStats::encodeCount);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const int result = tjCompress2(m_compressor, image.constBits(), image.width(),
                                   static_cast<int>(image.bytesPerLine()), image.height(),
                                   rgb32PixelFormat, &out, &outSize, TJSAMP_420,
                                   qualityFor(factor), 0);
    QByteArray data;
    if (result == 0 && out && outSize > 0)
        data = QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(outSize));
    tjFree(out);
    return data;
}

QImage KPJpegCodec::decode(const QByteArray& jpeg)
{
    if (!m_decompressor || jpeg.isEmpty())
        return {};
    KPCodecTimer timer(KPCodecStats::decodeNs, KPCodecStats::decodeCount);
    auto* data = reinterpret_cast<const unsigned char*>(jpeg.constData());
    const auto size = static_cast<unsigned long>(jpeg.size());
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colorspace = 0;
    if (tjDecompressHeader3(m_decompressor, data, size, &width, &height, &subsampling,
                            &colorspace) != 0)
        return {};
    if (width <= 0 || height <= 0 || colorspace == TJCS_CMYK || colorspace == TJCS_YCCK)
        return {};
    const qint64 bytes = qint64(width) * qint64(height) * 4;
    if (bytes > qint64(KPImageDecoder::AllocationLimitMB) * 1024 * 1024)
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    if (tjDecompress2(m_decompressor, data, size, image.bits(), width,
                      static_cast<int>(image.bytesPerLine()), height, rgb32PixelFormat, 0) != 0 &&
        tjGetErrorCode(m_decompressor) != TJERR_WARNING)
        return {};
    return image;
}
