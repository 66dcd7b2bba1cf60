#include "engine/KPAvifEncoder.h"

#include "engine/KPCodecTimer.h"
#include "engine/KPMetadata.h"

#include <avif/avif.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {
struct ImageDeleter
{
    void operator()(avifImage* image) const { avifImageDestroy(image); }
};
struct EncoderDeleter
{
    void operator()(avifEncoder* encoder) const { avifEncoderDestroy(encoder); }
};
struct DecoderDeleter
{
    void operator()(avifDecoder* decoder) const { avifDecoderDestroy(decoder); }
};
using Image = std::unique_ptr<avifImage, ImageDeleter>;

// Threads each encoding uses: a run's other cores go to the other pictures it converts.
constexpr int EncoderThreads = 2;

// The picture in YUV 4:2:0, described as sRGB.
Image yuvOf(const QImage& picture)
{
    Image image(avifImageCreate(uint32_t(picture.width()), uint32_t(picture.height()), 8,
                                AVIF_PIXEL_FORMAT_YUV420));
    if (!image)
        return {};
    image->colorPrimaries = AVIF_COLOR_PRIMARIES_BT709;
    image->transferCharacteristics = AVIF_TRANSFER_CHARACTERISTICS_SRGB;
    image->matrixCoefficients = AVIF_MATRIX_COEFFICIENTS_BT709;
    image->yuvRange = AVIF_RANGE_FULL;
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, image.get());
    // Format_RGB32 lies in memory as B, G, R, X on a little-endian machine.
    rgb.format = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? AVIF_RGB_FORMAT_BGRA : AVIF_RGB_FORMAT_ARGB;
    rgb.ignoreAlpha = AVIF_TRUE;
    rgb.pixels = const_cast<uint8_t*>(reinterpret_cast<const uint8_t*>(picture.constBits()));
    rgb.rowBytes = uint32_t(picture.bytesPerLine());
    if (avifImageRGBToYUV(image.get(), &rgb) != AVIF_RESULT_OK)
        return {};
    return image;
}
} // namespace

int KPAvifEncoder::quantiserOf(int quality)
{
    const int clamped = std::clamp(quality, 0, 100);
    return ((100 - clamped) * AVIF_QUANTIZER_WORST_QUALITY + 50) / 100;
}

std::pair<int, int> KPAvifEncoder::sameAs(int quality) const
{
    const int quantiser = quantiserOf(quality);
    int first = std::clamp(quality, 0, 100);
    int last = first;
    while (first > 0 && quantiserOf(first - 1) == quantiser)
        --first;
    while (last < 100 && quantiserOf(last + 1) == quantiser)
        ++last;
    return {first, last};
}

void KPAvifEncoder::setCancelled(std::function<bool()> cancelled)
{
    m_cancelled = std::move(cancelled);
}

QByteArray KPAvifEncoder::encode(const QImage& picture, int quality, const KPMetadata& metadata,
                                 const KPRowGate& gate)
{
    if (picture.isNull() || picture.format() != QImage::Format_RGB32 ||
        (gate && !gate(picture.height())) || (m_cancelled && m_cancelled()))
        return {};
    const Image image = yuvOf(picture);
    if (!image)
        return {};
    const QByteArray exif = metadata.exifFor(picture.size());
    const QByteArray xmp = metadata.xmp();
    if (!exif.isEmpty())
        avifImageSetMetadataExif(image.get(), reinterpret_cast<const uint8_t*>(exif.constData()),
                                 size_t(exif.size()));
    if (!xmp.isEmpty())
        avifImageSetMetadataXMP(image.get(), reinterpret_cast<const uint8_t*>(xmp.constData()),
                                size_t(xmp.size()));
    // The EXIF says orientation 1: the pixels are upright, and the file must say nothing else.
    image->transformFlags = AVIF_TRANSFORM_NONE;
    const std::unique_ptr<avifEncoder, EncoderDeleter> encoder(avifEncoderCreate());
    if (!encoder)
        return {};
    encoder->codecChoice = AVIF_CODEC_CHOICE_AOM;
    encoder->maxThreads = EncoderThreads;
    encoder->speed = Speed;
    encoder->minQuantizer = encoder->maxQuantizer = quantiserOf(quality);
    avifRWData out = AVIF_DATA_EMPTY;
    QByteArray bytes;
    if (avifEncoderWrite(encoder.get(), image.get(), &out) == AVIF_RESULT_OK)
        bytes = QByteArray(reinterpret_cast<const char*>(out.data), qsizetype(out.size));
    avifRWDataFree(&out);
    return bytes;
}

QByteArray KPAvifEncoder::withMetadata(const QByteArray& encoding, const KPMetadata& metadata,
                                       QSize pixels) const
{
    if (metadata.exifFor(pixels).isEmpty() && metadata.xmp().isEmpty())
        return encoding;
    return {};
}

qint64 KPAvifEncoder::metadataBytes(const KPMetadata& metadata) const
{
    const qint64 exif = metadata.exifFor(QSize(1, 1)).size();
    const qint64 xmp = metadata.xmp().size();
    // Each item adds its entries to the boxes that list the items and their places (iinf,
    // iloc, iref): a few dozen bytes, and the EXIF its offset.
    constexpr qint64 PerItem = 64;
    return (exif > 0 ? exif + PerItem : 0) + (xmp > 0 ? xmp + PerItem : 0);
}

QImage KPAvifEncoder::decode(const QByteArray& encoding)
{
    KPCodecTimer timer(KPCodecStats::Decode);
    const std::unique_ptr<avifDecoder, DecoderDeleter> decoder(avifDecoderCreate());
    const Image image(avifImageCreateEmpty());
    if (!decoder || !image)
        return {};
    decoder->maxThreads = EncoderThreads;
    decoder->ignoreExif = AVIF_TRUE;
    decoder->ignoreXMP = AVIF_TRUE;
    if (avifDecoderReadMemory(decoder.get(), image.get(),
                              reinterpret_cast<const uint8_t*>(encoding.constData()),
                              size_t(encoding.size())) != AVIF_RESULT_OK)
        return {};
    QImage picture(int(image->width), int(image->height), QImage::Format_RGB32);
    if (picture.isNull())
        return {};
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, image.get());
    rgb.depth = 8;
    rgb.format = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? AVIF_RGB_FORMAT_BGRA : AVIF_RGB_FORMAT_ARGB;
    rgb.ignoreAlpha = AVIF_TRUE;
    rgb.pixels = picture.bits();
    rgb.rowBytes = uint32_t(picture.bytesPerLine());
    if (avifImageYUVToRGB(image.get(), &rgb) != AVIF_RESULT_OK)
        return {};
    // The alpha bytes are left as they were; Format_RGB32 wants them opaque.
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            line[x] |= 0xff000000u;
    }
    return picture;
}
