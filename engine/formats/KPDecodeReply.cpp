#include "engine/formats/KPDecodeReply.h"

#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {
constexpr char Magic[4] = {'K', 'P', 'D', '1'};

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

bool KPDecodeReply::writeTo(QIODevice& out) const
{
    QImage pixels = picture;
    PixelFormat format = NoPixels;
    if (!pixels.isNull()) {
        format = pixels.hasAlphaChannel() ? Transparent : Opaque;
        pixels.convertTo(format == Transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (pixels.isNull())
            return false;
    }
    char header[HeaderBytes];
    std::memcpy(header, Magic, 4);
    qToLittleEndian(quint32(failure), header + 4);
    qToLittleEndian(quint32(std::max(size.width(), 0)), header + 8);
    qToLittleEndian(quint32(std::max(size.height(), 0)), header + 12);
    qToLittleEndian(quint32(pixels.width()), header + 16);
    qToLittleEndian(quint32(pixels.height()), header + 20);
    qToLittleEndian(quint32(format), header + 24);
    if (out.write(header, HeaderBytes) != HeaderBytes)
        return false;
    // Row by row: a copy of a whole picture more would cost as much as its writing.
    const qint64 rowBytes = qint64(pixels.width()) * 4;
    for (int y = 0; y < pixels.height(); ++y) {
        if (out.write(reinterpret_cast<const char*>(pixels.constScanLine(y)), rowBytes) != rowBytes)
            return false;
    }
    return true;
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
    // The picture is the reply's own bytes, kept alive by the image, not a copy of them.
    auto* kept = new QByteArray(bytes);
    reply.picture = QImage(
        reinterpret_cast<const uchar*>(kept->constData() + HeaderBytes), int(pixelWidth),
        int(pixelHeight), qsizetype(rowBytes),
        format == Transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32,
        [](void* data) { delete static_cast<QByteArray*>(data); }, kept);
    if (reply.picture.isNull())
        return std::nullopt;
    return reply;
}
