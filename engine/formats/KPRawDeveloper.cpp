#include "engine/formats/KPRawDeveloper.h"

#include "engine/formats/KPLibRaw.h"

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
};

std::optional<Opened> open(const QByteArray& bytes, qint64 memoryLimit)
{
    if (bytes.isEmpty())
        return std::nullopt;
    Opened opened;
    opened.bytes = QByteArray(bytes.size() + TrailingZeros, '\0');
    std::memcpy(opened.bytes.data(), bytes.constData(), size_t(bytes.size()));
    opened.bytes.resize(bytes.size());

    // No callbacks: LibRaw would print its complaints; it counts data errors anyway.
    opened.raw = std::make_unique<KPLibRaw>(LIBRAW_OPIONS_NO_MEMERR_CALLBACK |
                                            LIBRAW_OPIONS_NO_DATAERR_CALLBACK);
    KPLibRaw& raw = *opened.raw;
    if (memoryLimit > 0)
        raw.imgdata.params.max_raw_memory_mb = unsigned(memoryLimit >> 20);
    if (raw.open_buffer(opened.bytes.data(), size_t(opened.bytes.size())) != LIBRAW_SUCCESS)
        return std::nullopt;

    const libraw_image_sizes_t& sizes = raw.imgdata.sizes;
    if (sizes.width < 1 || sizes.height < 1 || sizes.raw_width < 1 || sizes.raw_height < 1)
        return std::nullopt;
    if (qint64(sizes.raw_width) * sizes.raw_height >
        bytes.size() * KPRawDeveloper::MaxPixelsPerByte)
        return std::nullopt;
    // LibRaw itself only finds out while unpacking, and the engine does not unpack a
    // file that is under the size limit.
    if (raw.rawDataEnd() > bytes.size())
        return std::nullopt;

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
} // namespace

std::optional<KPRawReply> KPRawDeveloper::size(const QByteArray& bytes, qint64 memoryLimit)
{
    const std::optional<Opened> opened = open(bytes, memoryLimit);
    if (!opened)
        return std::nullopt;
    return KPRawReply{opened->size, {}};
}

std::optional<KPRawReply> KPRawDeveloper::develop(const QByteArray& bytes, qint64 memoryLimit,
                                                  bool half)
{
    std::optional<Opened> opened = open(bytes, memoryLimit);
    if (!opened)
        return std::nullopt;
    KPLibRaw& raw = *opened->raw;

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
        return std::nullopt;

    // A data error fails the picture: some decoders fill what a damaged file lacks.
    if (raw.unpack() != LIBRAW_SUCCESS || raw.error_count() > 0)
        return std::nullopt;
    if (raw.dcraw_process() != LIBRAW_SUCCESS || raw.error_count() > 0)
        return std::nullopt;
    int error = LIBRAW_SUCCESS;
    const std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t*)> developed(
        raw.dcraw_make_mem_image(&error), &LibRaw::dcraw_clear_mem);
    if (!developed || error != LIBRAW_SUCCESS || developed->type != LIBRAW_IMAGE_BITMAP ||
        developed->bits != 8 || (developed->colors != 1 && developed->colors != 3))
        return std::nullopt;
    const int width = developed->width;
    const int height = developed->height;
    const int colors = developed->colors;
    if (width < 1 || height < 1 || qint64(developed->data_size) < qint64(width) * height * colors)
        return std::nullopt;

    KPRawReply picture{QSize(width, height), {}};
    if (colors == 3) {
        picture.rgb = QByteArray(reinterpret_cast<const char*>(developed->data),
                                 qsizetype(width) * height * 3);
    } else {
        picture.rgb.resize(qsizetype(width) * height * 3);
        char* out = picture.rgb.data();
        for (qsizetype i = 0; i < qsizetype(width) * height; ++i, out += 3)
            out[0] = out[1] = out[2] = char(developed->data[i]);
    }
    return picture;
}
