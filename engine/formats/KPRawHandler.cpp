#include "engine/formats/KPRawHandler.h"

#include "engine/formats/KPDeviceBytes.h"
#include "engine/formats/KPLibRaw.h"

#include <QColorSpace>
#include <QImage>
#include <QImageReader>
#include <QVariant>

#include <cstring>

namespace {
// Signatures only raw files have. Plain TIFF ("II*\0", "MM\0*") is missing on purpose:
// DNG and many raw kinds share it with ordinary TIFF pictures.
bool hasRawSignature(const QByteArray& head)
{
    auto startsWith = [&head](const char* magic, qsizetype length, qsizetype at = 0) {
        return head.size() >= at + length &&
               std::memcmp(head.constData() + at, magic, size_t(length)) == 0;
    };
    return startsWith("IIU\0", 4)       // Panasonic, Leica
           || startsWith("FUJIFILM", 8) // Fujifilm RAF
           || startsWith("IIRO", 4) || startsWith("IIRS", 4) || startsWith("MMOR", 4) // Olympus
           || (startsWith("II*\0", 4) && startsWith("CR\x02\0", 4, 8))                // Canon CR2
           || startsWith("\0MRM", 4)                                                  // Minolta MRW
           || startsWith("FOVb", 4);                                                  // Sigma X3F
}

// Qt's per-picture allocation limit in bytes, or 0 when it is switched off.
qint64 allocationLimitBytes()
{
    return qint64(QImageReader::allocationLimit()) << 20;
}
} // namespace

KPRawHandler::KPRawHandler() = default;
KPRawHandler::~KPRawHandler() = default;

bool KPRawHandler::canRead(QIODevice* device)
{
    return device && hasRawSignature(device->peek(16));
}

bool KPRawHandler::canRead() const
{
    return open();
}

bool KPRawHandler::supportsOption(ImageOption option) const
{
    return option == Size || option == ScaledSize;
}

QVariant KPRawHandler::option(ImageOption option) const
{
    if (option == Size)
        return open() ? QVariant(m_size) : QVariant();
    if (option == ScaledSize)
        return m_scaledSize;
    return {};
}

void KPRawHandler::setOption(ImageOption option, const QVariant& value)
{
    if (option == ScaledSize)
        m_scaledSize = value.toSize();
}

void KPRawHandler::onDataError(void* handler, const char*, int)
{
    ++static_cast<KPRawHandler*>(handler)->m_dataErrors;
}

bool KPRawHandler::open() const
{
    if (m_state != State::Closed)
        return m_state == State::Open;
    m_state = State::Failed;
    const QByteArray bytes = KPDeviceBytes::peekAll(device(), MaxFileBytes);
    if (bytes.isEmpty())
        return false;
    // LibRaw reads a byte past the end of its buffer, and runs sscanf on it for the few
    // raw kinds that hold text: it gets a copy followed by zeros of its own.
    m_bytes = QByteArray(bytes.size() + TrailingZeros, '\0');
    std::memcpy(m_bytes.data(), bytes.constData(), size_t(bytes.size()));
    m_bytes.resize(bytes.size());

    // LibRaw's own messages would go to stderr; data errors are counted instead, and
    // any of them fails the picture: some of its decoders fill what a damaged file lacks.
    m_raw = std::make_unique<KPLibRaw>(LIBRAW_OPIONS_NO_MEMERR_CALLBACK |
                                       LIBRAW_OPIONS_NO_DATAERR_CALLBACK);
    m_raw->set_dataerror_handler(&KPRawHandler::onDataError, const_cast<KPRawHandler*>(this));
    if (const qint64 limit = allocationLimitBytes(); limit > 0)
        m_raw->imgdata.params.max_raw_memory_mb = unsigned(limit >> 20);
    if (m_raw->open_buffer(m_bytes.data(), size_t(m_bytes.size())) != LIBRAW_SUCCESS)
        return false;

    const libraw_image_sizes_t& sizes = m_raw->imgdata.sizes;
    if (sizes.width < 1 || sizes.height < 1 || sizes.raw_width < 1 || sizes.raw_height < 1)
        return false;
    if (qint64(sizes.raw_width) * sizes.raw_height > m_bytes.size() * MaxPixelsPerByte)
        return false;
    // LibRaw itself only finds out while unpacking, and the engine does not unpack a
    // file that is under the size limit.
    if (m_raw->rawDataEnd() > m_bytes.size())
        return false;

    QSize size(sizes.width, sizes.height);
    // Non-square pixels are stretched to square ones, as LibRaw does when developing.
    if (sizes.pixel_aspect > 0 && sizes.pixel_aspect < 1)
        size.setHeight(int(sizes.height / sizes.pixel_aspect + 0.5));
    else if (sizes.pixel_aspect > 1)
        size.setWidth(int(sizes.width * sizes.pixel_aspect + 0.5));
    if (sizes.flip & 4)
        size.transpose();
    m_size = size;
    m_state = State::Open;
    return true;
}

bool KPRawHandler::read(QImage* image)
{
    if (!open())
        return false;
    // A LibRaw object develops its file once.
    m_state = State::Failed;

    libraw_output_params_t& params = m_raw->imgdata.params;
    params.use_camera_wb = 1;
    params.output_color = 1; // sRGB
    params.output_bps = 8;
    params.gamm[0] = 1.0 / 2.4; // the sRGB curve, rather than LibRaw's default BT.709 one
    params.gamm[1] = 12.92;
    // Half size skips demosaicing: four times less work and memory for a thumbnail.
    const bool half = m_scaledSize.isValid() && m_scaledSize.width() * 2 <= m_size.width() &&
                      m_scaledSize.height() * 2 <= m_size.height();
    params.half_size = half ? 1 : 0;

    // LibRaw develops in a buffer of four 16-bit values a pixel.
    const libraw_image_sizes_t& sizes = m_raw->imgdata.sizes;
    const qint64 developing = qint64(sizes.width) * sizes.height * 8 / (half ? 4 : 1);
    if (const qint64 limit = allocationLimitBytes(); limit > 0 && developing > limit)
        return false;

    if (m_raw->unpack() != LIBRAW_SUCCESS || m_dataErrors > 0)
        return false;
    if (m_raw->dcraw_process() != LIBRAW_SUCCESS || m_dataErrors > 0)
        return false;
    int error = LIBRAW_SUCCESS;
    const std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t*)> developed(
        m_raw->dcraw_make_mem_image(&error), &LibRaw::dcraw_clear_mem);
    if (!developed || error != LIBRAW_SUCCESS || developed->type != LIBRAW_IMAGE_BITMAP ||
        developed->bits != 8 || (developed->colors != 1 && developed->colors != 3))
        return false;
    const int width = developed->width;
    const int height = developed->height;
    const int colors = developed->colors;
    if (width < 1 || height < 1 || qint64(developed->data_size) < qint64(width) * height * colors)
        return false;
    QImage picture;
    if (!allocateImage(QSize(width, height), QImage::Format_RGB32, &picture))
        return false;
    for (int y = 0; y < height; ++y) {
        const uchar* in = developed->data + qint64(y) * width * colors;
        auto* out = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x, in += colors)
            out[x] = colors == 3 ? qRgb(in[0], in[1], in[2]) : qRgb(in[0], in[0], in[0]);
    }
    m_raw->recycle();
    m_bytes = QByteArray();

    if (m_scaledSize.isValid() && !m_scaledSize.isEmpty() && m_scaledSize != picture.size())
        picture = picture.scaled(m_scaledSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    picture.setColorSpace(QColorSpace(QColorSpace::SRgb));
    *image = picture;
    device()->seek(device()->size());
    return !picture.isNull();
}
