#include "engine/KPImageDecoder.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <cstring>

void KPImageDecoder::applyAllocationLimit()
{
    if (QImageReader::allocationLimit() < AllocationLimitMB)
        QImageReader::setAllocationLimit(AllocationLimitMB);
}

QByteArray KPImageDecoder::formatHint(const QString& path)
{
    return QFileInfo(path).suffix().toLower().toLatin1();
}

namespace {
// A buffer that stops giving bytes once the run is stopped: every reader that streams its
// file through the device then gives up within one read.
class CancellableBuffer : public QBuffer
{
public:
    CancellableBuffer(QByteArray* data, const std::function<bool()>& cancelled)
        : QBuffer(data), m_cancelled(cancelled)
    {}

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (m_cancelled && m_cancelled())
            return -1;
        return QBuffer::readData(data, maxSize);
    }

private:
    const std::function<bool()>& m_cancelled;
};

// A misnamed file of any other type still opens by its content.
void chooseHandler(QImageReader& reader, const QByteArray& formatHint)
{
    if (formatHint == "raw") {
        reader.setFormat(formatHint);
        reader.setAutoDetectImageFormat(false);
    }
}
} // namespace

QSize KPImageDecoder::probe(const QByteArray& bytes, const QByteArray& formatHint)
{
    QByteArray copy = bytes; // shares the data; QBuffer needs a non-const array
    QBuffer buffer(&copy);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer);
    chooseHandler(reader, formatHint);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return {};
    QSize size = reader.size();
    if (!size.isValid() && !reader.supportsOption(QImageIOHandler::Size)) {
        // The ICNS reader only knows the size once it has decoded the picture.
        applyAllocationLimit();
        size = reader.read().size();
    }
    return size.isValid() && !size.isEmpty() ? size : QSize();
}

QSize KPImageDecoder::probeFile(const QString& path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead())
        return {};
    const QSize size = reader.size();
    return size.isValid() && !size.isEmpty() ? size : QSize();
}

namespace {
bool startsWith(const QByteArray& bytes, const char* magic, qsizetype length)
{
    return bytes.size() >= length && std::memcmp(bytes.constData(), magic, size_t(length)) == 0;
}

quint32 littleEndian32(const QByteArray& bytes, qsizetype at)
{
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData()) + at;
    return quint32(data[0]) | quint32(data[1]) << 8 | quint32(data[2]) << 16 |
           quint32(data[3]) << 24;
}

bool jpegComplete(const QByteArray& bytes)
{
    // Neither marker can occur inside entropy-coded data, where every 0xFF byte is
    // stuffed or a restart marker.
    const qsizetype lastScan = bytes.lastIndexOf(QByteArrayView("\xff\xda", 2));
    const qsizetype end = bytes.lastIndexOf(QByteArrayView("\xff\xd9", 2));
    return lastScan >= 0 && end > lastScan;
}

bool bmpComplete(const QByteArray& bytes)
{
    if (bytes.size() < 54)
        return false;
    const quint32 pixelOffset = littleEndian32(bytes, 10);
    const quint32 headerSize = littleEndian32(bytes, 14);
    if (headerSize < 40)
        return true; // an old header kind: left to the reader
    const auto width = qint64(qint32(littleEndian32(bytes, 18)));
    const auto height = qint64(qint32(littleEndian32(bytes, 22)));
    const auto bitsPerPixel = qint64(uchar(bytes.at(28)) | uchar(bytes.at(29)) << 8);
    const quint32 compression = littleEndian32(bytes, 30);
    if (compression != 0 && compression != 3)
        return true; // run-length coded rows have no fixed size
    const qint64 rowBytes = ((qAbs(width) * bitsPerPixel + 31) / 32) * 4;
    return qint64(pixelOffset) + rowBytes * qAbs(height) <= bytes.size();
}

bool icoComplete(const QByteArray& bytes)
{
    if (bytes.size() < 6)
        return false;
    const int count = uchar(bytes.at(4)) | uchar(bytes.at(5)) << 8;
    if (bytes.size() < 6 + 16 * qsizetype(count))
        return false;
    for (int i = 0; i < count; ++i) {
        const qsizetype entry = 6 + 16 * qsizetype(i);
        if (qint64(littleEndian32(bytes, entry + 12)) + littleEndian32(bytes, entry + 8) >
            bytes.size())
            return false;
    }
    return true;
}
} // namespace

bool KPImageDecoder::looksComplete(const QByteArray& bytes)
{
    if (startsWith(bytes, "\xff\xd8\xff", 3))
        return jpegComplete(bytes);
    if (startsWith(bytes, "\x89PNG\r\n\x1a\n", 8))
        return bytes.lastIndexOf(QByteArrayView("IEND", 4)) >= 8;
    if (startsWith(bytes, "GIF8", 4)) {
        qsizetype end = bytes.size();
        while (end > 0 && bytes.at(end - 1) == '\0')
            --end; // padding some writers add after the trailer
        return end > 0 && bytes.at(end - 1) == ';';
    }
    if (startsWith(bytes, "BM", 2))
        return bmpComplete(bytes);
    if (startsWith(bytes, "\0\0\1\0", 4) || startsWith(bytes, "\0\0\2\0", 4))
        return icoComplete(bytes);
    if (startsWith(bytes, "icns", 4) && bytes.size() >= 8) {
        const auto* length = reinterpret_cast<const uchar*>(bytes.constData()) + 4;
        return (quint32(length[0]) << 24 | quint32(length[1]) << 16 | quint32(length[2]) << 8 |
                length[3]) <= quint32(bytes.size());
    }
    return true;
}

QImage KPImageDecoder::decodeForFitting(const QByteArray& bytes, const QByteArray& formatHint,
                                        const std::function<bool()>& cancelled)
{
    applyAllocationLimit();
    QByteArray copy = bytes;
    CancellableBuffer buffer(&copy, cancelled);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer);
    chooseHandler(reader, formatHint);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull() || (cancelled && cancelled()))
        return {};

    const bool transparent = image.hasAlphaChannel();
    image.convertTo(transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);

    // Pixels are turned into sRGB here once, so the JPEGs written carry no profile and
    // still show the source's colours.
    const QColorSpace space = image.colorSpace();
    if (space.isValid() && space != QColorSpace(QColorSpace::SRgb))
        image.convertToColorSpace(QColorSpace(QColorSpace::SRgb));
    image.setColorSpace(QColorSpace());

    if (!transparent)
        return image;
    QImage opaque(image.size(), QImage::Format_RGB32);
    if (opaque.isNull())
        return {};
    opaque.fill(Qt::white);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, image);
    painter.end();
    return opaque;
}

QImage KPImageDecoder::flattenForJpeg(const QImage& image)
{
    if (image.format() == QImage::Format_RGB32)
        return image;
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage straight = image.convertToFormat(QImage::Format_ARGB32);
    if (straight.isNull())
        return {};
    for (int y = 0; y < straight.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(straight.scanLine(y));
        for (int x = 0; x < straight.width(); ++x)
            line[x] |= 0xff000000u;
    }
    straight.reinterpretAsFormat(QImage::Format_RGB32);
    return straight;
}
