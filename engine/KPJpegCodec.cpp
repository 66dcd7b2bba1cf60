#include "engine/KPJpegCodec.h"

#include "engine/KPImageDecoder.h"

#include <turbojpeg.h>
// After the C headers jpeglib.h needs.
#include <cstdio>
#include <jpeglib.h>

#include <csetjmp>
#include <cstdlib>

#include <algorithm>
#include <chrono>
#include <cmath>

std::atomic<qint64> KPCodecStats::encodeNs{0};
std::atomic<qint64> KPCodecStats::decodeNs{0};
std::atomic<qint64> KPCodecStats::encodeCount{0};
std::atomic<qint64> KPCodecStats::decodeCount{0};
std::atomic<qint64> KPCodecStats::sourceNs{0};
std::atomic<qint64> KPCodecStats::sourceCount{0};

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

namespace {
struct EncodeError
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void onEncodeError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<EncodeError*>(info->err)->jump, 1);
}

constexpr J_COLOR_SPACE rgb32Space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;

// Plain C state only between setjmp and longjmp: nothing here has a destructor. The
// output buffer is libjpeg's; the caller frees it.
bool compressRows(const uchar* bits, qsizetype stride, int width, int height, int quality,
                  bool optimizeCoding, const std::function<bool(int)>* gate, unsigned char** out,
                  unsigned long* outSize)
{
    jpeg_compress_struct info{};
    EncodeError error{};
    info.err = jpeg_std_error(&error.base);
    error.base.error_exit = onEncodeError;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, out, outSize);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 4;
    info.in_color_space = rgb32Space;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    // Colour pictures in 4:2:0, the sampling most JPEGs use.
    info.comp_info[0].h_samp_factor = 2;
    info.comp_info[0].v_samp_factor = 2;
    info.dct_method = JDCT_ISLOW;
    info.optimize_coding = optimizeCoding ? TRUE : FALSE;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW lines[16];
        const int want = int(std::min<JDIMENSION>(16, info.image_height - info.next_scanline));
        if (gate && !(*gate)(int(info.next_scanline) + want)) {
            jpeg_abort_compress(&info);
            jpeg_destroy_compress(&info);
            return false;
        }
        for (int i = 0; i < want; ++i)
            lines[i] =
                const_cast<uchar*>(bits + stride * qsizetype(info.next_scanline + JDIMENSION(i)));
        jpeg_write_scanlines(&info, lines, JDIMENSION(want));
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}
} // namespace

QByteArray KPJpegCodec::encode(const QImage& image, float factor,
                               const std::function<bool(int)>& gate)
{
    return encodeRows(image, qualityFor(factor), false, gate);
}

QByteArray KPJpegCodec::encodeAtQuality(const QImage& image, int quality, bool optimizeCoding)
{
    return encodeRows(image, quality, optimizeCoding, {});
}

QByteArray KPJpegCodec::encodeRows(const QImage& image, int quality, bool optimizeCoding,
                                   const std::function<bool(int)>& gate)
{
    if (image.isNull() || image.format() != QImage::Format_RGB32)
        return {};
    KPCodecTimer timer(KPCodecStats::encodeNs, KPCodecStats::encodeCount);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const bool ok = compressRows(image.constBits(), image.bytesPerLine(), image.width(),
                                 image.height(), std::clamp(quality, 1, 100), optimizeCoding,
                                 gate ? &gate : nullptr, &out, &outSize);
    QByteArray data;
    if (ok && out && outSize > 0)
        data = QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(outSize));
    std::free(out);
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
