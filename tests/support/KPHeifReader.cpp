#include "support/KPHeifReader.h"

#include <libheif/heif.h>

#include <cstring>

QImage KPHeifReader::read(const QByteArray& bytes)
{
    heif_context* context = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    heif_image* image = nullptr;
    QImage picture;
    if (heif_context_read_from_memory_without_copy(context, bytes.constData(), size_t(bytes.size()),
                                                   nullptr)
                .code == heif_error_Ok &&
        heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok &&
        heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr)
                .code == heif_error_Ok) {
        int stride = 0;
        const uint8_t* rgb =
            heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
        const int width = heif_image_get_width(image, heif_channel_interleaved);
        const int height = heif_image_get_height(image, heif_channel_interleaved);
        if (rgb && width > 0 && height > 0) {
            const QImage view(rgb, width, height, stride, QImage::Format_RGB888);
            picture = view.convertToFormat(QImage::Format_RGB32);
        }
    }
    if (image)
        heif_image_release(image);
    if (handle)
        heif_image_handle_release(handle);
    heif_context_free(context);
    return picture;
}
