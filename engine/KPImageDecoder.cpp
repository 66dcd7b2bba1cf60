#include "engine/KPImageDecoder.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>
#include <QPainter>

void KPImageDecoder::applyAllocationLimit()
{
    if (QImageReader::allocationLimit() < AllocationLimitMB)
        QImageReader::setAllocationLimit(AllocationLimitMB);
}

QSize KPImageDecoder::probe(const QByteArray& bytes)
{
    QByteArray copy = bytes; // shares the data; QBuffer needs a non-const array
    QBuffer buffer(&copy);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return {};
    const QSize size = reader.size();
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

QImage KPImageDecoder::decodeForFitting(const QByteArray& bytes)
{
    applyAllocationLimit();
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull())
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
