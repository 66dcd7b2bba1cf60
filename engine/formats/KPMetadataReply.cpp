#include "engine/formats/KPMetadataReply.h"

#include "engine/formats/KPHelperPayload.h"
#include "engine/formats/KPHelperWireWriter.h"

#include <QBuffer>
#include <QtEndian>

using KPHelperWire::Frame;
using KPHelperWire::FrameType;

namespace {
enum PieceKind : quint32
{
    OwnBytes = 0,
    SourceRange = 1,
};

QByteArray segmentPayload(const KPMetadataReply::Segment& segment)
{
    QByteArray out;
    KPHelperWireWriter::put32(out, quint32(segment.patches.size()));
    for (const KPMetadataReply::Patch& patch : segment.patches) {
        KPHelperWireWriter::put32(out, quint32(patch.offset));
        KPHelperWireWriter::put32(out, quint32(patch.dimension));
        KPHelperWireWriter::put32(out, patch.bigEndian ? 1 : 0);
    }
    out.append(segment.bytes);
    return out;
}

QByteArray piecePayload(const KPMetadataReply::Piece& piece)
{
    QByteArray out;
    if (piece.sourceAt < 0) {
        KPHelperWireWriter::put32(out, OwnBytes);
        out.append(piece.bytes);
    } else {
        KPHelperWireWriter::put32(out, SourceRange);
        KPHelperWireWriter::put64(out, quint64(piece.sourceAt));
        KPHelperWireWriter::put64(out, quint64(piece.sourceLength));
    }
    return out;
}

// A segment whose patches lie inside its payload, never over its marker and length.
std::optional<KPMetadataReply::Segment> segmentOf(const Frame& frame)
{
    KPHelperPayload in(frame.payload);
    KPMetadataReply::Segment segment;
    quint32 patchCount = 0;
    if (!in.take32(patchCount) || patchCount > quint32(KPMetadataReply::MaxPatches))
        return std::nullopt;
    for (quint32 i = 0; i < patchCount; ++i) {
        quint32 offset = 0;
        quint32 dimension = 0;
        quint32 bigEndian = 0;
        if (!in.take32(offset) || !in.take32(dimension) || !in.take32(bigEndian) ||
            dimension > quint32(KPMetadataReply::Dimension::Height) || bigEndian > 1)
            return std::nullopt;
        segment.patches.append(
            {qsizetype(offset), KPMetadataReply::Dimension(dimension), bigEndian == 1});
    }
    if (!in.takeBytes(segment.bytes) || !KPMetadataReply::isAppSegment(segment.bytes))
        return std::nullopt;
    for (const KPMetadataReply::Patch& patch : segment.patches) {
        if (patch.offset < 4 || qint64(patch.offset) + 4 > segment.bytes.size())
            return std::nullopt;
    }
    return segment;
}

std::optional<KPMetadataReply::Piece> pieceOf(const Frame& frame)
{
    KPHelperPayload in(frame.payload);
    KPMetadataReply::Piece piece;
    quint32 kind = 0;
    if (!in.take32(kind))
        return std::nullopt;
    if (kind == OwnBytes) {
        in.takeBytes(piece.bytes);
        return piece;
    }
    quint64 at = 0;
    quint64 length = 0;
    if (kind != SourceRange || !in.take64(at) || !in.take64(length) || !in.atEnd() ||
        at > quint64(1) << 40 || length > quint64(1) << 40)
        return std::nullopt;
    piece.sourceAt = qint64(at);
    piece.sourceLength = qint64(length);
    return piece;
}

// The Metadata frame: whether the source's metadata could be read, and the copy's kind.
bool takeState(const Frame& frame, KPMetadataReply& reply)
{
    KPHelperPayload in(frame.payload);
    quint32 readable = 0;
    quint32 copy = 0;
    if (!in.take32(readable) || readable > 1 || !in.take32(copy) ||
        copy > quint32(KPMetadataReply::Copy::Unavailable) || !in.atEnd())
        return false;
    reply.readable = readable == 1;
    reply.copy = KPMetadataReply::Copy(copy);
    return true;
}
} // namespace

bool KPMetadataReply::isAppSegment(QByteArrayView bytes)
{
    if (bytes.size() < 4 || uchar(bytes[0]) != 0xff || uchar(bytes[1]) < 0xe0 ||
        uchar(bytes[1]) > 0xef)
        return false;
    return qFromBigEndian<quint16>(bytes.data() + 2) == bytes.size() - 2;
}

bool KPMetadataReply::writeTo(KPHelperWireWriter& out) const
{
    QByteArray state;
    KPHelperWireWriter::put32(state, readable ? 1 : 0);
    KPHelperWireWriter::put32(state, quint32(copy));
    bool written = out.frame(FrameType::Metadata, state);
    for (const Segment& segment : segments)
        written = written && out.frame(FrameType::Segment, segmentPayload(segment));
    for (const Piece& piece : pieces)
        written = written && out.frame(FrameType::Piece, piecePayload(piece));
    return written;
}

QByteArray KPMetadataReply::stream() const
{
    QByteArray bytes;
    QBuffer device(&bytes);
    device.open(QIODevice::WriteOnly);
    KPHelperWireWriter writer(device);
    writeTo(writer);
    return bytes;
}

std::optional<KPMetadataReply> KPMetadataReply::fromFrames(const QList<Frame>& frames)
{
    KPMetadataReply reply;
    if (frames.isEmpty() || frames.first().type != FrameType::Metadata ||
        !takeState(frames.first(), reply))
        return std::nullopt;
    for (qsizetype i = 1; i < frames.size(); ++i) {
        const Frame& frame = frames[i];
        // The segments first, then the pieces.
        if (frame.type == FrameType::Segment && reply.pieces.isEmpty() &&
            reply.segments.size() < MaxSegments) {
            const std::optional<Segment> segment = segmentOf(frame);
            if (!segment)
                return std::nullopt;
            reply.segments.append(*segment);
        } else if (frame.type == FrameType::Piece && reply.pieces.size() < MaxPieces) {
            const std::optional<Piece> piece = pieceOf(frame);
            if (!piece)
                return std::nullopt;
            reply.pieces.append(*piece);
        } else {
            return std::nullopt;
        }
    }
    if ((reply.copy == Copy::Rewritten) != !reply.pieces.isEmpty())
        return std::nullopt;
    return reply;
}
