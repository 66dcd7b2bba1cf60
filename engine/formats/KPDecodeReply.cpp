#include "engine/formats/KPDecodeReply.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {
constexpr char Magic[4] = {'K', 'P', 'D', '1'};
constexpr qsizetype HeaderBytes = 28;

enum PixelFormat : quint32
{
    NoPixels = 0,
    Opaque = 1,      // QImage::Format_RGB32
    Transparent = 2, // QImage::Format_ARGB32
};

bool sane(quint32 side)
{
    return side >= 1 && side <= quint32(KPDecodeReply::MaxSide);
}
} // namespace

QByteArray KPDecodeReply::encode() const
{
    QImage pixels = picture;
    PixelFormat format = NoPixels;
    if (!pixels.isNull()) {
        format = pixels.hasAlphaChannel() ? Transparent : Opaque;
        pixels.convertTo(format == Transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }
    const qsizetype rowBytes = qsizetype(pixels.width()) * 4;
    QByteArray out(HeaderBytes + rowBytes * pixels.height(), Qt::Uninitialized);
    char* at = out.data();
    std::memcpy(at, Magic, 4);
    qToLittleEndian(quint32(failure), at + 4);
    qToLittleEndian(quint32(std::max(size.width(), 0)), at + 8);
    qToLittleEndian(quint32(std::max(size.height(), 0)), at + 12);
    qToLittleEndian(quint32(pixels.width()), at + 16);
    qToLittleEndian(quint32(pixels.height()), at + 20);
    qToLittleEndian(quint32(format), at + 24);
    at += HeaderBytes;
    for (int y = 0; y < pixels.height(); ++y, at += rowBytes)
        std::memcpy(at, pixels.constScanLine(y), size_t(rowBytes));
    return out;
}

std::optional<KPDecodeReply> KPDecodeReply::decode(const QByteArray& bytes)
{
    if (bytes.size() < HeaderBytes || std::memcmp(bytes.constData(), Magic, 4) != 0)
        return std::nullopt;
    const char* at = bytes.constData();
    const auto failure = qFromLittleEndian<quint32>(at + 4);
    if (failure != 0) {
        if (failure > quint32(KPFailure::Unsupported) || bytes.size() != HeaderBytes)
            return std::nullopt;
        return KPDecodeReply::failed(KPFailure(failure));
    }
    const auto width = qFromLittleEndian<quint32>(at + 8);
    const auto height = qFromLittleEndian<quint32>(at + 12);
    const auto pixelWidth = qFromLittleEndian<quint32>(at + 16);
    const auto pixelHeight = qFromLittleEndian<quint32>(at + 20);
    const auto format = qFromLittleEndian<quint32>(at + 24);
    if (!sane(width) || !sane(height))
        return std::nullopt;
    KPDecodeReply reply{KPFailure::None, QSize(int(width), int(height)), {}};
    if (format == NoPixels)
        return bytes.size() == HeaderBytes ? std::optional(reply) : std::nullopt;
    if ((format != Opaque && format != Transparent) || !sane(pixelWidth) || !sane(pixelHeight))
        return std::nullopt;
    const qint64 rowBytes = qint64(pixelWidth) * 4;
    if (bytes.size() - HeaderBytes != rowBytes * pixelHeight)
        return std::nullopt;
    QImage picture(int(pixelWidth), int(pixelHeight),
                   format == Transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (picture.isNull())
        return std::nullopt;
    at += HeaderBytes;
    for (int y = 0; y < picture.height(); ++y, at += rowBytes)
        std::memcpy(picture.scanLine(y), at, size_t(rowBytes));
    reply.picture = picture;
    return reply;
}
