#include "support/KPHeifWriter.h"

#include <libheif/heif.h>

#include <cstring>

namespace {
heif_error appendTo(heif_context*, const void* data, size_t size, void* userdata)
{
    static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data), qsizetype(size));
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
}
} // namespace

QByteArray KPHeifWriter::heic(const QImage& stored, int orientation, int quality,
                              int colourPrimaries)
{
    const QImage picture = stored.convertToFormat(QImage::Format_RGB888);
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    heif_encoding_options* options = nullptr;
    QByteArray out;
    if (heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code ==
            heif_error_Ok &&
        heif_image_create(picture.width(), picture.height(), heif_colorspace_RGB,
                          heif_chroma_interleaved_RGB, &image)
                .code == heif_error_Ok &&
        heif_image_add_plane(image, heif_channel_interleaved, picture.width(), picture.height(), 8)
                .code == heif_error_Ok) {
        int stride = 0;
        uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < picture.height(); ++y)
            std::memcpy(plane + qsizetype(y) * stride, picture.constScanLine(y),
                        size_t(picture.width()) * 3);
        if (colourPrimaries != 0) {
            heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
            heif_nclx_color_profile_set_color_primaries(nclx, quint16(colourPrimaries));
            heif_nclx_color_profile_set_transfer_characteristics(
                nclx, heif_transfer_characteristic_IEC_61966_2_1);
            heif_nclx_color_profile_set_matrix_coefficients(
                nclx, heif_matrix_coefficients_ITU_R_BT_601_6);
            nclx->full_range_flag = 1;
            heif_image_set_nclx_color_profile(image, nclx);
            heif_nclx_color_profile_free(nclx);
        }
        heif_encoder_set_lossy_quality(encoder, quality);
        options = heif_encoding_options_alloc();
        options->image_orientation = heif_orientation(orientation);
        // libheif leaves the parameters out by default, for an old macOS reader's sake.
        options->macOS_compatibility_workaround_no_nclx_profile = colourPrimaries == 0;
        heif_image_handle* handle = nullptr;
        if (heif_context_encode_image(context, image, encoder, options, &handle).code ==
            heif_error_Ok) {
            // The EXIF block the camera writes beside: "Exif\0\0" is left out in HEIF, an
            // offset to the TIFF header takes its place.
            QByteArray exif(
                "\0\0\0\0MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\0\0\0\0\0\0\0", 30);
            exif[23] = char(orientation);
            heif_context_add_exif_metadata(context, handle, exif.constData(), int(exif.size()));
            heif_image_handle_release(handle);
            heif_writer writer{1, appendTo};
            if (heif_context_write(context, &writer, &out).code != heif_error_Ok)
                out.clear();
        }
    }
    heif_encoding_options_free(options);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return out;
}
