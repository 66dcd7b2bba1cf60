#include "engine/formats/KPMetadataReply.h"

#include <QtEndian>

#include <cstring>

namespace {
constexpr char Magic[4] = {'K', 'P', 'M', '1'};

void put32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void put64(QByteArray& out, quint64 value)
{
    char bytes[8];
    qToLittleEndian(value, bytes);
    out.append(bytes, 8);
}

// Reads a reply front to back; every read past the end fails the whole reply.
class Reader
{
public:
    explicit Reader(const QByteArray& bytes) : m_bytes(bytes) {}

    bool take32(quint32& value)
    {
        if (m_bytes.size() - m_at < 4)
            return false;
        value = qFromLittleEndian<quint32>(m_bytes.constData() + m_at);
        m_at += 4;
        return true;
    }
    bool take64(quint64& value)
    {
        if (m_bytes.size() - m_at < 8)
            return false;
        value = qFromLittleEndian<quint64>(m_bytes.constData() + m_at);
        m_at += 8;
        return true;
    }
    bool takeBytes(QByteArray& value)
    {
        quint32 length = 0;
        if (!take32(length) || quint64(m_bytes.size() - m_at) < length)
            return false;
        value = m_bytes.mid(m_at, qsizetype(length));
        m_at += qsizetype(length);
        return true;
    }
    bool atEnd() const { return m_at == m_bytes.size(); }

private:
    const QByteArray& m_bytes;
    qsizetype m_at = 4; // after the magic
};
} // namespace

bool KPMetadataReply::isAppSegment(QByteArrayView bytes)
{
    if (bytes.size() < 4 || uchar(bytes[0]) != 0xff || uchar(bytes[1]) < 0xe0 ||
        uchar(bytes[1]) > 0xef)
        return false;
    return qFromBigEndian<quint16>(bytes.data() + 2) == bytes.size() - 2;
}

QByteArray KPMetadataReply::encode() const
{
    QByteArray out(Magic, 4);
    put32(out, readable ? 1 : 0);
    put32(out, quint32(segments.size()));
    for (const Segment& segment : segments) {
        put32(out, quint32(segment.bytes.size()));
        out.append(segment.bytes);
        put32(out, quint32(segment.patches.size()));
        for (const Patch& patch : segment.patches) {
            put32(out, quint32(patch.offset));
            put32(out, quint32(patch.dimension));
            put32(out, patch.bigEndian ? 1 : 0);
        }
    }
    put32(out, quint32(copy));
    put32(out, quint32(pieces.size()));
    for (const Piece& piece : pieces) {
        if (piece.sourceAt < 0) {
            put32(out, 0);
            put32(out, quint32(piece.bytes.size()));
            out.append(piece.bytes);
        } else {
            put32(out, 1);
            put64(out, quint64(piece.sourceAt));
            put64(out, quint64(piece.sourceLength));
        }
    }
    return out;
}

std::optional<KPMetadataReply> KPMetadataReply::decode(const QByteArray& bytes)
{
    if (bytes.size() < 4 || bytes.size() > MaxBytes ||
        std::memcmp(bytes.constData(), Magic, 4) != 0)
        return std::nullopt;
    Reader in(bytes);
    KPMetadataReply reply;
    quint32 readable = 0;
    quint32 segmentCount = 0;
    if (!in.take32(readable) || readable > 1 || !in.take32(segmentCount) ||
        segmentCount > quint32(MaxSegments))
        return std::nullopt;
    reply.readable = readable == 1;
    for (quint32 i = 0; i < segmentCount; ++i) {
        Segment segment;
        quint32 patchCount = 0;
        if (!in.takeBytes(segment.bytes) || !isAppSegment(segment.bytes) ||
            !in.take32(patchCount) || patchCount > quint32(MaxPatches))
            return std::nullopt;
        for (quint32 j = 0; j < patchCount; ++j) {
            quint32 offset = 0;
            quint32 dimension = 0;
            quint32 bigEndian = 0;
            if (!in.take32(offset) || !in.take32(dimension) || !in.take32(bigEndian) ||
                dimension > quint32(Dimension::Height) || bigEndian > 1)
                return std::nullopt;
            // Inside the payload, never over the marker and length.
            if (offset < 4 || qint64(offset) + 4 > segment.bytes.size())
                return std::nullopt;
            segment.patches.append(Patch{qsizetype(offset), Dimension(dimension), bigEndian == 1});
        }
        reply.segments.append(segment);
    }
    quint32 copy = 0;
    quint32 pieceCount = 0;
    if (!in.take32(copy) || copy > quint32(Copy::Unavailable) || !in.take32(pieceCount) ||
        pieceCount > quint32(MaxPieces))
        return std::nullopt;
    reply.copy = Copy(copy);
    if ((reply.copy == Copy::Rewritten) != (pieceCount > 0))
        return std::nullopt;
    for (quint32 i = 0; i < pieceCount; ++i) {
        quint32 kind = 0;
        Piece piece;
        if (!in.take32(kind))
            return std::nullopt;
        if (kind == 0) {
            if (!in.takeBytes(piece.bytes))
                return std::nullopt;
        } else if (kind == 1) {
            quint64 at = 0;
            quint64 length = 0;
            if (!in.take64(at) || !in.take64(length) || at > quint64(1) << 40 ||
                length > quint64(1) << 40)
                return std::nullopt;
            piece.sourceAt = qint64(at);
            piece.sourceLength = qint64(length);
        } else {
            return std::nullopt;
        }
        reply.pieces.append(piece);
    }
    if (!in.atEnd())
        return std::nullopt;
    return reply;
}
