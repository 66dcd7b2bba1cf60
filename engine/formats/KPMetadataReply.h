#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

// What pictaro-metadata answers when asked for a source's metadata (KPMetadataFilter does
// the reading there). Pictaro itself never parses a source's metadata: it copies the
// segments below into each encoding and writes the output's pixel size at the places
// given, and makes an unchanged copy from the pieces given.
struct KPMetadataReply
{
    enum class Dimension : quint32
    {
        Width = 0,
        Height = 1,
    };
    // A 32-bit pixel-size value inside a segment.
    struct Patch
    {
        qsizetype offset = 0; // from the segment's first byte (its 0xFF)
        Dimension dimension = Dimension::Width;
        bool bigEndian = false;
    };
    // One whole JPEG marker segment (APP1 Exif, APP1 XMP, APP13 IPTC): marker, length
    // and payload, ready to be written after the picture's SOI.
    struct Segment
    {
        QByteArray bytes;
        QList<Patch> patches;
    };
    // The unchanged copy of a JPEG source without what the policy removes.
    enum class Copy : quint32
    {
        NotAsked = 0,
        Unchanged = 1,   // nothing to remove: the source's bytes as they are
        Rewritten = 2,   // the pieces below, in order
        Unavailable = 3, // the metadata could not be read: the picture must be encoded
    };
    // Bytes of the reply's own (new metadata segments, SOI), or a range of the source's
    // bytes (the segments kept, the tables and the compressed picture data).
    struct Piece
    {
        QByteArray bytes;
        qint64 sourceAt = -1; // a range of the source when not negative
        qint64 sourceLength = 0;
    };

    bool readable = false; // the source's metadata could be read (or it has none)
    QList<Segment> segments;
    Copy copy = Copy::NotAsked;
    QList<Piece> pieces;

    QByteArray encode() const;
    // Nothing for a reply that is cut short, malformed, or whose segments or patches do
    // not hold together.
    static std::optional<KPMetadataReply> decode(const QByteArray& bytes);

    // Whether the bytes are exactly one APPn marker segment.
    static bool isAppSegment(QByteArrayView bytes);

    // Bounds a reply never exceeds.
    static constexpr int MaxSegments = 8;
    static constexpr int MaxPatches = 4;
    static constexpr int MaxPieces = 4096;
    // The most bytes a reply may take. What it carries are JPEG marker segments, of at
    // most 64 KiB each: up to MaxSegments for the encodings (half a MiB), the few the
    // copy writes anew (SOI, Exif, XMP, orientation), and the framing of MaxPieces pieces
    // (80 KiB). 4 MiB leaves room several times over; a reply beyond it is no reply.
    static constexpr qint64 MaxBytes = qint64(4) << 20;
};
