#include "engine/formats/KPHeifDecoder.h"

#include <libheif/heif.h>

#include <QColorSpace>
#include <QImage>

#include <algorithm>
#include <memory>
#include <vector>

namespace {
template <auto Release> struct Releaser
{
    template <typename T> void operator()(T* object) const { Release(object); }
};
using Context = std::unique_ptr<heif_context, Releaser<heif_context_free>>;
using Handle = std::unique_ptr<heif_image_handle, Releaser<heif_image_handle_release>>;
using Image = std::unique_ptr<heif_image, Releaser<heif_image_release>>;
using Options = std::unique_ptr<heif_decoding_options, Releaser<heif_decoding_options_free>>;
using Nclx = std::unique_ptr<heif_color_profile_nclx, Releaser<heif_nclx_color_profile_free>>;

KPFailure reasonFor(const heif_error& error)
{
    switch (error.code) {
    case heif_error_Ok:
        return KPFailure::None;
    case heif_error_Unsupported_filetype:
    case heif_error_Unsupported_feature:
    case heif_error_Plugin_loading_error:
        return KPFailure::Unsupported;
    case heif_error_Memory_allocation_error:
        return KPFailure::TooLargeToDecode;
    default:
        // The limits libheif keeps for hostile files (too many items, too large a side)
        // count as a file too large.
        return error.subcode == heif_suberror_Security_limit_exceeded ? KPFailure::TooLargeToDecode
                                                                      : KPFailure::Damaged;
    }
}

// The colour space the decoded RGB values are in: the file's ICC profile, else its
// colour parameters; sRGB when it states neither. The YCbCr matrix of the parameters
// is libheif's part.
QColorSpace colourSpaceOf(const heif_image_handle* handle)
{
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        QByteArray icc(qsizetype(heif_image_handle_get_raw_color_profile_size(handle)),
                       Qt::Uninitialized);
        if (!icc.isEmpty() &&
            heif_image_handle_get_raw_color_profile(handle, icc.data()).code == heif_error_Ok) {
            const QColorSpace space = QColorSpace::fromIccProfile(icc);
            if (space.isValid())
                return space;
        }
    }
    heif_color_profile_nclx* raw = nullptr;
    const heif_error error = heif_image_handle_get_nclx_color_profile(handle, &raw);
    // Owned also when libheif reports the parameters as unusable.
    const Nclx nclx(raw);
    if (error.code != heif_error_Ok || !nclx)
        return {};
    QColorSpace::TransferFunction transfer = QColorSpace::TransferFunction::SRgb;
    float gamma = 0.0f;
    switch (nclx->transfer_characteristics) {
    case heif_transfer_characteristic_linear:
        transfer = QColorSpace::TransferFunction::Linear;
        break;
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_M:
        transfer = QColorSpace::TransferFunction::Gamma;
        gamma = 2.2f;
        break;
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_B_G:
        transfer = QColorSpace::TransferFunction::Gamma;
        gamma = 2.8f;
        break;
    default:
        // sRGB and the video curves of BT.709, BT.601 and BT.2020 are shown alike; PQ and
        // HLG pictures would need tone mapping, which libheif 1.15 does not do.
        break;
    }
    switch (nclx->color_primaries) {
    case heif_color_primaries_ITU_R_BT_709_5:
    case heif_color_primaries_unspecified:
        return QColorSpace(QColorSpace::Primaries::SRgb, transfer, gamma);
    case heif_color_primaries_SMPTE_EG_432_1:
        return QColorSpace(QColorSpace::Primaries::DciP3D65, transfer, gamma);
    default: {
        // libheif gives the chromaticities of every kind of primaries it knows.
        const QColorSpace space(QPointF(nclx->color_primary_white_x, nclx->color_primary_white_y),
                                QPointF(nclx->color_primary_red_x, nclx->color_primary_red_y),
                                QPointF(nclx->color_primary_green_x, nclx->color_primary_green_y),
                                QPointF(nclx->color_primary_blue_x, nclx->color_primary_blue_y),
                                transfer, gamma);
        return space.isValid() ? space : QColorSpace();
    }
    }
}

// A stored thumbnail that still covers the box, or nothing.
Handle thumbnailFor(const heif_image_handle* primary, QSize box)
{
    const int count = heif_image_handle_get_number_of_thumbnails(primary);
    if (!box.isValid() || count < 1 || count > 16)
        return {};
    std::vector<heif_item_id> ids;
    ids.resize(size_t(count));
    heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count);
    Handle best;
    for (const heif_item_id id : ids) {
        heif_image_handle* raw = nullptr;
        if (heif_image_handle_get_thumbnail(primary, id, &raw).code != heif_error_Ok || !raw)
            continue;
        Handle thumbnail(raw);
        const QSize size(heif_image_handle_get_width(raw), heif_image_handle_get_height(raw));
        if (size.width() < box.width() && size.height() < box.height())
            continue; // too small to show at the box's size
        const QSize whole(heif_image_handle_get_width(primary),
                          heif_image_handle_get_height(primary));
        if ((size.width() > size.height()) != (whole.width() > whole.height()))
            continue; // not turned as the picture is
        if (!best || size.width() < heif_image_handle_get_width(best.get()))
            best = std::move(thumbnail);
    }
    return best;
}

// Whether decoding the picture would take more than the memory limit: the decoded planes,
// the interleaved copy and the picture made from it.
bool tooLarge(const heif_image_handle* handle, qint64 memoryLimit)
{
    const qint64 bytesPerPixel = heif_image_handle_get_luma_bits_per_pixel(handle) > 8 ? 8 : 4;
    return memoryLimit > 0 && qint64(heif_image_handle_get_width(handle)) *
                                      heif_image_handle_get_height(handle) * bytesPerPixel * 3 >
                                  memoryLimit;
}

KPDecodeReply decodeHandle(const heif_image_handle* handle, qint64 memoryLimit)
{
    const QSize size(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle));
    const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
    const bool deep = heif_image_handle_get_luma_bits_per_pixel(handle) > 8;
    if (tooLarge(handle, memoryLimit))
        return KPDecodeReply::failed(KPFailure::TooLargeToDecode);

    const Options options(heif_decoding_options_alloc());
    if (!options)
        return KPDecodeReply::failed(KPFailure::TooLargeToDecode);
    // A damaged stream fails rather than showing grey where its data is missing.
    if (options->version >= 3)
        options->strict_decoding = 1;
    const heif_chroma chroma =
        deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
             : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    heif_image* raw = nullptr;
    const heif_error error =
        heif_decode_image(handle, &raw, heif_colorspace_RGB, chroma, options.get());
    if (error.code != heif_error_Ok || !raw)
        return KPDecodeReply::failed(error.code == heif_error_Ok ? KPFailure::Damaged
                                                                 : reasonFor(error));
    Image decoded(raw);
    const int width = heif_image_get_width(raw, heif_channel_interleaved);
    const int height = heif_image_get_height(raw, heif_channel_interleaved);
    int stride = 0;
    const uint8_t* data = heif_image_get_plane_readonly(raw, heif_channel_interleaved, &stride);
    if (!data || width < 1 || height < 1 || width != size.width() || height != size.height())
        return KPDecodeReply::failed(KPFailure::Damaged);

    const bool premultiplied = alpha && heif_image_handle_is_premultiplied_alpha(handle) != 0;
    QImage picture;
    if (deep) {
        // Values of 10 or 12 bits in 16-bit words, stretched to the full 16 bits so the
        // colour conversion keeps their precision.
        const int depth = heif_image_get_bits_per_pixel_range(raw, heif_channel_interleaved);
        const int maximum = (1 << std::clamp(depth, 9, 16)) - 1;
        picture = QImage(
            width, height,
            alpha ? (premultiplied ? QImage::Format_RGBA64_Premultiplied : QImage::Format_RGBA64)
                  : QImage::Format_RGBX64);
        if (picture.isNull())
            return KPDecodeReply::failed(KPFailure::TooLargeToDecode);
        const int channels = alpha ? 4 : 3;
        for (int y = 0; y < height; ++y) {
            const auto* in = reinterpret_cast<const uchar*>(data + qsizetype(y) * stride);
            auto* out = reinterpret_cast<quint16*>(picture.scanLine(y));
            for (int x = 0; x < width; ++x, in += channels * 2, out += 4) {
                for (int c = 0; c < channels; ++c) {
                    const int value = std::min(int(in[2 * c]) | int(in[2 * c + 1]) << 8, maximum);
                    out[c] = quint16((value * 65535 + maximum / 2) / maximum);
                }
                if (!alpha)
                    out[3] = 65535;
            }
        }
    } else {
        // Turned into the reply's format straight from libheif's buffer.
        const QImage view(data, width, height, stride,
                          alpha ? (premultiplied ? QImage::Format_RGBA8888_Premultiplied
                                                 : QImage::Format_RGBA8888)
                                : QImage::Format_RGB888);
        picture = view.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (picture.isNull())
            return KPDecodeReply::failed(KPFailure::TooLargeToDecode);
    }
    decoded.reset(); // libheif's buffers are no longer needed
    const QColorSpace space = colourSpaceOf(handle);
    if (space.isValid() && space != QColorSpace(QColorSpace::SRgb)) {
        picture.setColorSpace(space);
        picture.convertToColorSpace(QColorSpace(QColorSpace::SRgb));
    }
    picture.setColorSpace(QColorSpace(QColorSpace::SRgb));
    picture.convertTo(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (picture.isNull())
        return KPDecodeReply::failed(KPFailure::TooLargeToDecode);
    return KPDecodeReply{KPFailure::None, size, picture};
}
} // namespace

KPDecodeReply KPHeifDecoder::decode(const QByteArray& bytes, qint64 memoryLimit, bool sizeOnly,
                                    QSize box)
{
    if (bytes.isEmpty())
        return KPDecodeReply::failed(KPFailure::Damaged);
    const Context context(heif_context_alloc());
    if (!context)
        return KPDecodeReply::failed(KPFailure::TooLargeToDecode);
    heif_error error = heif_context_read_from_memory_without_copy(context.get(), bytes.constData(),
                                                                  size_t(bytes.size()), nullptr);
    if (error.code != heif_error_Ok)
        return KPDecodeReply::failed(reasonFor(error));
    heif_image_handle* raw = nullptr;
    error = heif_context_get_primary_image_handle(context.get(), &raw);
    if (error.code != heif_error_Ok || !raw)
        return KPDecodeReply::failed(error.code == heif_error_Ok ? KPFailure::Damaged
                                                                 : reasonFor(error));
    const Handle primary(raw);
    const QSize size(heif_image_handle_get_width(raw), heif_image_handle_get_height(raw));
    if (size.width() < 1 || size.height() < 1 || size.width() > KPDecodeReply::MaxSide ||
        size.height() > KPDecodeReply::MaxSide)
        return KPDecodeReply::failed(KPFailure::Damaged);
    // A picture that can never be decoded fails from its header already, so that it is not
    // kept as it is when its file is under the size limit.
    if (tooLarge(raw, memoryLimit))
        return KPDecodeReply::failed(KPFailure::TooLargeToDecode);
    if (sizeOnly)
        return KPDecodeReply{KPFailure::None, size, {}};

    if (const Handle thumbnail = thumbnailFor(primary.get(), box)) {
        KPDecodeReply reply = decodeHandle(thumbnail.get(), memoryLimit);
        if (reply.ok()) {
            reply.size = size;
            return reply;
        }
    }
    return decodeHandle(primary.get(), memoryLimit);
}
