#include "engine/KPWebpEncoder.h"

#include "engine/KPCodecTimer.h"
#include "engine/KPMetadata.h"

#include <webp/decode.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <memory>

namespace {
struct MuxDeleter
{
    void operator()(WebPMux* mux) const { WebPMuxDelete(mux); }
};
using Mux = std::unique_ptr<WebPMux, MuxDeleter>;

WebPData dataOf(const QByteArray& bytes)
{
    return WebPData{reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())};
}

// Sets or removes one metadata chunk; false when the mux refuses it.
bool putChunk(WebPMux* mux, const char fourcc[4], const QByteArray& payload)
{
    if (payload.isEmpty()) {
        const WebPMuxError error = WebPMuxDeleteChunk(mux, fourcc);
        return error == WEBP_MUX_OK || error == WEBP_MUX_NOT_FOUND;
    }
    const WebPData data = dataOf(payload);
    return WebPMuxSetChunk(mux, fourcc, &data, 1) == WEBP_MUX_OK;
}

QByteArray assembled(WebPMux* mux)
{
    WebPData out;
    WebPDataInit(&out);
    if (WebPMuxAssemble(mux, &out) != WEBP_MUX_OK)
        return {};
    QByteArray bytes(reinterpret_cast<const char*>(out.bytes), qsizetype(out.size));
    WebPDataClear(&out);
    return bytes;
}

// A RIFF chunk's bytes: its header and its payload, padded to an even length.
qint64 chunkBytes(qint64 payload)
{
    return payload > 0 ? 8 + payload + (payload & 1) : 0;
}

int onProgress(int, const WebPPicture* picture)
{
    const auto* cancelled = static_cast<const std::function<bool()>*>(picture->user_data);
    return (*cancelled && (*cancelled)()) ? 0 : 1;
}

QByteArray encodePicture(const QImage& picture, int quality, const std::function<bool()>& cancelled)
{
    WebPConfig config;
    if (!WebPConfigInit(&config))
        return {};
    config.quality = float(quality);
    config.method = KPWebpEncoder::Method;
    config.thread_level = 1; // the analysis and the coding overlap on a second core
    WebPPicture webp;
    if (!WebPPictureInit(&webp))
        return {};
    webp.width = picture.width();
    webp.height = picture.height();
    webp.use_argb = 0;
    // Format_RGB32 lies in memory as B, G, R, X on a little-endian machine, and as X, R,
    // G, B on a big-endian one.
    const auto* pixels = reinterpret_cast<const uint8_t*>(picture.constBits());
    const int stride = int(picture.bytesPerLine());
    const bool imported = Q_BYTE_ORDER == Q_LITTLE_ENDIAN
                              ? WebPPictureImportBGRX(&webp, pixels, stride)
                              : WebPPictureImportRGBX(&webp, pixels + 1, stride);
    if (!imported) {
        WebPPictureFree(&webp);
        return {};
    }
    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    webp.writer = WebPMemoryWrite;
    webp.custom_ptr = &writer;
    webp.progress_hook = onProgress;
    webp.user_data = const_cast<std::function<bool()>*>(&cancelled);
    const bool encoded = WebPEncode(&config, &webp) != 0;
    WebPPictureFree(&webp);
    QByteArray bytes;
    if (encoded)
        bytes = QByteArray(reinterpret_cast<const char*>(writer.mem), qsizetype(writer.size));
    WebPMemoryWriterClear(&writer);
    return bytes;
}
} // namespace

void KPWebpEncoder::setCancelled(std::function<bool()> cancelled)
{
    m_cancelled = std::move(cancelled);
}

QByteArray KPWebpEncoder::encode(const QImage& picture, int quality, const KPMetadata& metadata,
                                 const KPRowGate& gate)
{
    if (picture.isNull() || picture.format() != QImage::Format_RGB32 ||
        (gate && !gate(picture.height())))
        return {};
    const QByteArray bytes = encodePicture(picture, quality, m_cancelled);
    if (bytes.isEmpty() || metadata.isEmpty())
        return bytes;
    return withMetadata(bytes, metadata, picture.size());
}

QByteArray KPWebpEncoder::withMetadata(const QByteArray& encoding, const KPMetadata& metadata,
                                       QSize pixels) const
{
    if (metadata.isEmpty())
        return encoding;
    return withChunks(encoding, metadata.exifFor(pixels), metadata.xmp());
}

QByteArray KPWebpEncoder::withChunks(const QByteArray& file, const QByteArray& exif,
                                     const QByteArray& xmp)
{
    const WebPData data = dataOf(file);
    const Mux mux(WebPMuxCreate(&data, 0));
    if (!mux || !putChunk(mux.get(), "EXIF", exif) || !putChunk(mux.get(), "XMP ", xmp))
        return {};
    return assembled(mux.get());
}

std::optional<bool> KPWebpEncoder::holdsMetadata(const QByteArray& file)
{
    const WebPData data = dataOf(file);
    const Mux mux(WebPMuxCreate(&data, 0));
    uint32_t flags = 0;
    if (!mux || WebPMuxGetFeatures(mux.get(), &flags) != WEBP_MUX_OK)
        return std::nullopt;
    return (flags & (EXIF_FLAG | XMP_FLAG)) != 0;
}

qint64 KPWebpEncoder::metadataBytes(const KPMetadata& metadata) const
{
    if (metadata.isEmpty())
        return 0;
    // The chunks, and the VP8X chunk that an extended file begins with.
    const qint64 exif = chunkBytes(metadata.exifFor(QSize(1, 1)).size());
    const qint64 xmp = chunkBytes(metadata.xmp().size());
    return exif + xmp > 0 ? exif + xmp + chunkBytes(10) : 0;
}

QImage KPWebpEncoder::decode(const QByteArray& encoding)
{
    KPCodecTimer timer(KPCodecStats::Decode);
    int width = 0;
    int height = 0;
    const auto* data = reinterpret_cast<const uint8_t*>(encoding.constData());
    if (!WebPGetInfo(data, size_t(encoding.size()), &width, &height) || width <= 0 || height <= 0)
        return {};
    QImage picture(width, height, QImage::Format_ARGB32);
    if (picture.isNull())
        return {};
    // Format_ARGB32 is B, G, R, A in memory on a little-endian machine.
    const auto size = size_t(picture.sizeInBytes());
    const int stride = int(picture.bytesPerLine());
    const bool decoded = Q_BYTE_ORDER == Q_LITTLE_ENDIAN
                             ? WebPDecodeBGRAInto(data, size_t(encoding.size()), picture.bits(),
                                                  size, stride) != nullptr
                             : WebPDecodeARGBInto(data, size_t(encoding.size()), picture.bits(),
                                                  size, stride) != nullptr;
    if (!decoded)
        return {};
    // A lossy encoding of an opaque picture is opaque.
    return picture.convertToFormat(QImage::Format_RGB32);
}
