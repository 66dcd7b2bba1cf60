#include "engine/KPJpegCodec.h"

#include "engine/KPJpegError.h"
#include "engine/KPJpegPixels.h"
#include "engine/KPJpegStream.h"
#include "engine/KPQuality.h"

#include <jerror.h>

#include <cstdlib>

#include <algorithm>
#include <cmath>

namespace {

// Where the encoder writes: one growing array that the caller owns, whether the encoding
// finished or was abandoned, and that becomes the encoding without a copy. (libjpeg's own
// memory destination hands out its buffer only when the encoding finishes, and frees the
// ones it outgrew on the way, so an abandoned encoding could be neither freed nor kept.)
struct GrowingDestination
{
    jpeg_destination_mgr base{};
    QByteArray* data = nullptr;
    size_t capacity = 0;
    size_t used = 0;
};

void outOfMemory(j_compress_ptr info)
{
    info->err->msg_code = JERR_OUT_OF_MEMORY;
    (*info->err->error_exit)(reinterpret_cast<j_common_ptr>(info));
}

// QByteArray's resize may throw, which must not cross libjpeg's C frames: a failure is
// told as libjpeg's own.
bool resizeTo(QByteArray* data, size_t size)
{
    try {
        data->resize(qsizetype(size));
    } catch (...) {
        return false;
    }
    return data->size() == qsizetype(size);
}

void initDestination(j_compress_ptr info)
{
    auto* dest = reinterpret_cast<GrowingDestination*>(info->dest);
    if (dest->capacity == 0) {
        dest->capacity = 64 * 1024;
        if (!resizeTo(dest->data, dest->capacity))
            outOfMemory(info);
    }
    dest->base.next_output_byte = reinterpret_cast<JOCTET*>(dest->data->data());
    dest->base.free_in_buffer = dest->capacity;
}

boolean growDestination(j_compress_ptr info)
{
    auto* dest = reinterpret_cast<GrowingDestination*>(info->dest);
    const size_t grown = dest->capacity * 2;
    if (!resizeTo(dest->data, grown))
        outOfMemory(info);
    auto* bytes = reinterpret_cast<JOCTET*>(dest->data->data());
    dest->base.next_output_byte = bytes + dest->capacity;
    dest->base.free_in_buffer = grown - dest->capacity;
    dest->capacity = grown;
    return TRUE;
}

void termDestination(j_compress_ptr info)
{
    auto* dest = reinterpret_cast<GrowingDestination*>(info->dest);
    dest->used = dest->capacity - dest->base.free_in_buffer;
}

// Plain C state only between setjmp and longjmp: nothing here has a destructor. The
// output array is the caller's.
bool compressRows(const uchar* bits, qsizetype stride, int width, int height, int quality,
                  bool optimizeCoding, const std::function<bool(int)>* gate,
                  const std::function<bool()>* cancelled, const QByteArray* segments,
                  GrowingDestination* out)
{
    jpeg_compress_struct info{};
    KPJpegError error{};
    info.err = error.manager();
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    out->base.init_destination = initDestination;
    out->base.empty_output_buffer = growDestination;
    out->base.term_destination = termDestination;
    info.dest = &out->base;
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 4;
    info.in_color_space = KPJpegPixels::Rgb32;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    // Colour pictures in 4:2:0, the sampling most JPEGs use.
    info.comp_info[0].h_samp_factor = 2;
    info.comp_info[0].v_samp_factor = 2;
    info.dct_method = JDCT_ISLOW;
    info.optimize_coding = optimizeCoding ? TRUE : FALSE;
    jpeg_start_compress(&info, TRUE);
    // After SOI and the JFIF segment. The segments are whole and checked (KPMetadata).
    for (qsizetype at = 0; segments && at + 4 <= segments->size();) {
        const auto* segment = reinterpret_cast<const JOCTET*>(segments->constData() + at);
        const unsigned length = unsigned(segment[2]) << 8 | segment[3];
        if (length < 2 || at + 2 + qsizetype(length) > segments->size())
            break;
        jpeg_write_marker(&info, segment[1], segment + 4, length - 2);
        at += 2 + qsizetype(length);
    }
    while (info.next_scanline < info.image_height) {
        JSAMPROW lines[16];
        const int want = int(std::min<JDIMENSION>(16, info.image_height - info.next_scanline));
        if ((gate && !(*gate)(int(info.next_scanline) + want)) || (cancelled && (*cancelled)())) {
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
                               const std::function<bool(int)>& gate, const QByteArray& segments)
{
    return encodeRows(image, KPQuality::nearest(factor).jpegQuality(), false, gate, segments);
}

QByteArray KPJpegCodec::encodeAtQuality(const QImage& image, int quality, bool optimizeCoding,
                                        const std::function<bool(int)>& gate,
                                        const QByteArray& segments)
{
    return encodeRows(image, quality, optimizeCoding, gate, segments);
}

QByteArray KPJpegCodec::encodeRows(const QImage& image, int quality, bool optimizeCoding,
                                   const std::function<bool(int)>& gate, const QByteArray& segments)
{
    if (image.isNull() || image.format() != QImage::Format_RGB32)
        return {};
    KPCodecTimer timer(KPCodecStats::Encode);
    QByteArray data;
    GrowingDestination out;
    out.data = &data;
    const bool ok =
        compressRows(image.constBits(), image.bytesPerLine(), image.width(), image.height(),
                     KPQuality::fromPercent(quality).jpegQuality(), optimizeCoding,
                     gate ? &gate : nullptr, m_cancelled ? &m_cancelled : nullptr, &segments, &out);
    if (!ok || out.used == 0)
        return {};
    data.truncate(qsizetype(out.used));
    data.squeeze(); // a large encoding keeps no more memory than its bytes
    return data;
}

QImage KPJpegCodec::decode(const QByteArray& jpeg)
{
    if (jpeg.isEmpty())
        return {};
    KPCodecTimer timer(KPCodecStats::Decode);
    // The row decoder the fitting streams from, waited for whole.
    const std::shared_ptr<KPJpegStreamDecode> decode = KPJpegStreamDecode::start(jpeg, m_cancelled);
    if (!decode || !decode->wait())
        return {};
    return decode->image();
}
