#include "engine/formats/KPDecodeReply.h"

#include "engine/formats/KPHelperPayload.h"
#include "engine/formats/KPHelperWireWriter.h"

#include <algorithm>

using KPHelperWire::Frame;
using KPHelperWire::FrameType;

namespace {
enum PixelFormat : quint32
{
    Opaque = 1,      // QImage::Format_RGB32
    Transparent = 2, // QImage::Format_ARGB32
};

bool sane(quint32 side)
{
    return side >= 1 && side <= quint32(KPDecodeReply::MaxSide);
}

std::optional<QSize> sizeOf(const Frame& frame)
{
    KPHelperPayload in(frame.payload);
    quint32 width = 0;
    quint32 height = 0;
    if (!in.take32(width) || !in.take32(height) || !in.atEnd() || !sane(width) || !sane(height))
        return std::nullopt;
    return QSize(int(width), int(height));
}

// The picture over the frame's own bytes, kept alive by the image.
QImage pictureOf(const Frame& frame)
{
    KPHelperPayload in(frame.payload);
    quint32 width = 0;
    quint32 height = 0;
    quint32 format = 0;
    if (!in.take32(width) || !in.take32(height) || !in.take32(format) || !sane(width) ||
        !sane(height) || (format != Opaque && format != Transparent))
        return {};
    const qint64 rowBytes = qint64(width) * 4;
    if (frame.payload.size() - KPDecodeReply::PixelHeaderBytes != rowBytes * height)
        return {};
    auto* kept = new QByteArray(frame.payload);
    return QImage(
        reinterpret_cast<const uchar*>(kept->constData() + KPDecodeReply::PixelHeaderBytes),
        int(width), int(height), qsizetype(rowBytes),
        format == Transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32,
        [](void* data) { delete static_cast<QByteArray*>(data); }, kept);
}
} // namespace

bool KPDecodeReply::writeTo(KPHelperWireWriter& out) const
{
    if (!ok())
        return out.refuse(failure);
    QByteArray sizePayload;
    KPHelperWireWriter::put32(sizePayload, quint32(std::max(size.width(), 0)));
    KPHelperWireWriter::put32(sizePayload, quint32(std::max(size.height(), 0)));
    if (!out.frame(FrameType::Size, sizePayload))
        return false;
    if (picture.isNull())
        return true;
    const PixelFormat format = picture.hasAlphaChannel() ? Transparent : Opaque;
    const QImage pixels =
        picture.convertedTo(format == Transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (pixels.isNull())
        return false;
    const qint64 rowBytes = qint64(pixels.width()) * 4;
    QByteArray header;
    KPHelperWireWriter::put32(header, quint32(pixels.width()));
    KPHelperWireWriter::put32(header, quint32(pixels.height()));
    KPHelperWireWriter::put32(header, format);
    if (!out.header(FrameType::Pixels, PixelHeaderBytes + rowBytes * pixels.height()) ||
        !out.part(header))
        return false;
    // Row by row: a copy of a whole picture more would cost as much as its writing.
    for (int y = 0; y < pixels.height(); ++y) {
        if (!out.part(
                QByteArrayView(reinterpret_cast<const char*>(pixels.constScanLine(y)), rowBytes)))
            return false;
    }
    return true;
}

std::optional<KPDecodeReply> KPDecodeReply::fromFrames(QList<Frame> frames, bool withPixels)
{
    KPDecodeReply reply;
    bool sized = false;
    for (const Frame& frame : frames) {
        if (frame.type == FrameType::Size && !sized) {
            const std::optional<QSize> size = sizeOf(frame);
            if (!size)
                return std::nullopt;
            reply.size = *size;
            sized = true;
        } else if (frame.type == FrameType::Pixels && sized && reply.picture.isNull()) {
            reply.picture = pictureOf(frame);
            if (reply.picture.isNull())
                return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    if (!sized || withPixels == reply.picture.isNull())
        return std::nullopt;
    return reply;
}
