#include "engine/formats/KPRawDeveloper.h"

#include "engine/formats/KPLibRaw.h"
#include "engine/formats/KPMagickDecoder.h"

#include <QColorSpace>
#include <QImage>

#include <cstring>
#include <memory>

namespace {
// LibRaw reads a byte past the end of its buffer, and runs sscanf on it for the few
// raw kinds that hold text: it gets a copy followed by zeros of its own.
constexpr qsizetype TrailingZeros = 16;

struct Opened
{
    std::unique_ptr<KPLibRaw> raw;
    QByteArray bytes; // LibRaw reads them until it is done
    QSize size;
    KPFailure failure = KPFailure::None;
    // The embedded JPEG preview, found while the header was read.
    qint64 previewOffset = 0;
    qint64 previewLength = 0;
    int flip = 0;
};

Opened open(const QByteArray& bytes, qint64 memoryLimit)
{
    Opened opened;
    if (bytes.isEmpty()) {
        opened.failure = KPFailure::Damaged;
        return opened;
    }
    opened.bytes = QByteArray(bytes.size() + TrailingZeros, '\0');
    std::memcpy(opened.bytes.data(), bytes.constData(), size_t(bytes.size()));
    opened.bytes.resize(bytes.size());

    // No callbacks: LibRaw would print its complaints; it counts data errors anyway.
    opened.raw = std::make_unique<KPLibRaw>(LIBRAW_OPIONS_NO_MEMERR_CALLBACK |
                                            LIBRAW_OPIONS_NO_DATAERR_CALLBACK);
    KPLibRaw& raw = *opened.raw;
    if (memoryLimit > 0)
        raw.imgdata.params.max_raw_memory_mb = unsigned(memoryLimit >> 20);
    const int status = raw.open_buffer(opened.bytes.data(), size_t(opened.bytes.size()));
    opened.previewOffset = raw.previewOffset();
    opened.previewLength = raw.previewLength();
    opened.flip = raw.imgdata.sizes.flip;
    if (status != LIBRAW_SUCCESS) {
        // A file whose header names its camera is a raw file LibRaw cannot develop;
        // one that names none is not a raw file at all.
        opened.failure = status == LIBRAW_FILE_UNSUPPORTED && raw.imgdata.idata.make[0] != '\0'
                             ? KPFailure::CameraNotSupported
                             : KPFailure::Damaged;
        return opened;
    }

    const libraw_image_sizes_t& sizes = raw.imgdata.sizes;
    if (sizes.width < 1 || sizes.height < 1 || sizes.raw_width < 1 || sizes.raw_height < 1 ||
        qint64(sizes.raw_width) * sizes.raw_height >
            bytes.size() * KPRawDeveloper::MaxPixelsPerByte ||
        // LibRaw itself only finds out while unpacking, and the engine does not unpack a
        // file that is under the size limit.
        raw.rawDataEnd() > bytes.size()) {
        opened.failure = KPFailure::Damaged;
        opened.previewLength = 0; // a damaged file is not shown by its preview
        return opened;
    }

    QSize size(sizes.width, sizes.height);
    // Non-square pixels are stretched to square ones, as LibRaw does when developing.
    if (sizes.pixel_aspect > 0 && sizes.pixel_aspect < 1)
        size.setHeight(int(sizes.height / sizes.pixel_aspect + 0.5));
    else if (sizes.pixel_aspect > 1)
        size.setWidth(int(sizes.width * sizes.pixel_aspect + 0.5));
    if (sizes.flip & 4)
        size.transpose();
    opened.size = size;
    return opened;
}

// LibRaw's orientation applied to a picture stored as the sensor saw it: the same
// mapping LibRaw uses for the pictures it develops.
QImage turned(const QImage& stored, int flip)
{
    if ((flip & 7) == 0)
        return stored;
    const int width = stored.width();
    const int height = stored.height();
    QImage out((flip & 4) ? QSize(height, width) : QSize(width, height), stored.format());
    if (out.isNull())
        return {};
    for (int row = 0; row < out.height(); ++row) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(row));
        for (int col = 0; col < out.width(); ++col) {
            int y = row;
            int x = col;
            if (flip & 4)
                std::swap(x, y);
            if (flip & 2)
                y = height - 1 - y;
            if (flip & 1)
                x = width - 1 - x;
            line[col] = reinterpret_cast<const QRgb*>(stored.constScanLine(y))[x];
        }
    }
    return out;
}

// The embedded preview in place of a picture LibRaw cannot develop: a JPEG that decodes
// whole, at least MinPreviewSide pixels on its long side, turned upright by the raw
// file's orientation (the preview's own EXIF, if any, describes the raw file too).
KPDecodeReply preview(const Opened& opened, KPFailure otherwise, bool sizeOnly)
{
    const qint64 offset = opened.previewOffset;
    const qint64 length = opened.previewLength;
    if (length < 4 || offset < 0 || offset > opened.bytes.size() ||
        length > opened.bytes.size() - offset)
        return KPDecodeReply::failed(otherwise);
    const QByteArray jpeg = opened.bytes.mid(offset, length);
    if (!jpeg.startsWith("\xff\xd8\xff"))
        return KPDecodeReply::failed(otherwise);
    KPDecodeReply reply = KPMagickDecoder::decode(jpeg, "JPEG", sizeOnly, false);
    if (!reply.ok() ||
        std::max(reply.size.width(), reply.size.height()) < KPRawDeveloper::MinPreviewSide)
        return KPDecodeReply::failed(otherwise);
    if (opened.flip & 4)
        reply.size.transpose();
    if (!sizeOnly) {
        reply.picture = turned(reply.picture, opened.flip);
        if (reply.picture.isNull())
            return KPDecodeReply::failed(KPFailure::TooLargeToDecode);
    }
    return reply;
}
} // namespace

KPDecodeReply KPRawDeveloper::size(const QByteArray& bytes, qint64 memoryLimit)
{
    const Opened opened = open(bytes, memoryLimit);
    if (opened.failure == KPFailure::CameraNotSupported)
        return preview(opened, opened.failure, true);
    if (opened.failure != KPFailure::None)
        return KPDecodeReply::failed(opened.failure);
    return KPDecodeReply{KPFailure::None, opened.size, {}};
}

KPDecodeReply KPRawDeveloper::develop(const QByteArray& bytes, qint64 memoryLimit, bool half)
{
    const Opened opened = open(bytes, memoryLimit);
    if (opened.failure == KPFailure::CameraNotSupported)
        return preview(opened, opened.failure, false);
    if (opened.failure != KPFailure::None)
        return KPDecodeReply::failed(opened.failure);
    KPLibRaw& raw = *opened.raw;

    libraw_output_params_t& params = raw.imgdata.params;
    params.use_camera_wb = 1;
    params.output_color = 1; // sRGB
    params.output_bps = 8;
    params.gamm[0] = 1.0 / 2.4; // the sRGB curve, rather than LibRaw's default BT.709 one
    params.gamm[1] = 12.92;
    params.half_size = half ? 1 : 0;

    // LibRaw develops in a buffer of four 16-bit values a pixel.
    const libraw_image_sizes_t& sizes = raw.imgdata.sizes;
    const qint64 developing = qint64(sizes.width) * sizes.height * 8 / (half ? 4 : 1);
    if (memoryLimit > 0 && developing > memoryLimit)
        return KPDecodeReply::failed(KPFailure::TooLargeToDecode);

    // A compression LibRaw does not know fails unpacking as unsupported: the preview
    // stands in. A data error fails the picture, since some decoders fill what a damaged
    // file lacks.
    const int unpacked = raw.unpack();
    if (unpacked == LIBRAW_FILE_UNSUPPORTED || unpacked == LIBRAW_NOT_IMPLEMENTED)
        return preview(opened, KPFailure::CameraNotSupported, false);
    if (unpacked != LIBRAW_SUCCESS || raw.error_count() > 0)
        return KPDecodeReply::failed(unpacked == LIBRAW_UNSUFFICIENT_MEMORY
                                         ? KPFailure::TooLargeToDecode
                                         : KPFailure::Damaged);
    if (raw.dcraw_process() != LIBRAW_SUCCESS || raw.error_count() > 0)
        return KPDecodeReply::failed(KPFailure::Damaged);
    int error = LIBRAW_SUCCESS;
    const std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t*)> developed(
        raw.dcraw_make_mem_image(&error), &LibRaw::dcraw_clear_mem);
    if (!developed || error != LIBRAW_SUCCESS || developed->type != LIBRAW_IMAGE_BITMAP ||
        developed->bits != 8 || (developed->colors != 1 && developed->colors != 3))
        return KPDecodeReply::failed(KPFailure::Damaged);
    const int width = developed->width;
    const int height = developed->height;
    const int colors = developed->colors;
    if (width < 1 || height < 1 || qint64(developed->data_size) < qint64(width) * height * colors)
        return KPDecodeReply::failed(KPFailure::Damaged);

    QImage picture(width, height, QImage::Format_RGB32);
    if (picture.isNull())
        return KPDecodeReply::failed(KPFailure::TooLargeToDecode);
    const uchar* in = developed->data;
    for (int y = 0; y < height; ++y) {
        auto* out = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x, in += colors)
            out[x] = colors == 3 ? qRgb(in[0], in[1], in[2]) : qRgb(in[0], in[0], in[0]);
    }
    picture.setColorSpace(QColorSpace(QColorSpace::SRgb));
    return KPDecodeReply{KPFailure::None, half ? opened.size : picture.size(), picture};
}
