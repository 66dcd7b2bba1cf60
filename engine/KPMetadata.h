#pragma once

#include "engine/KPMetadataPolicy.h"
#include "engine/formats/KPMetadataReply.h"

#include <QByteArray>
#include <QSize>

#include <functional>
#include <optional>

// The metadata one job's outputs carry, as pictaro-metadata read it from the source and
// kept it by the policy: ready JPEG segments into which only the output's pixel size is
// written, and how to copy the source when it is kept as it is. Pictaro itself parses
// none of the source's metadata.
class KPMetadata
{
public:
    // Nothing to carry, and a copy that may stay as it is.
    KPMetadata() = default;

    // Asks pictaro-metadata. `copy` also asks how to copy a JPEG source without what the
    // policy removes. Metadata that cannot be read (damaged, or the process failed) gives
    // no segments and no copy.
    static KPMetadata read(const QByteArray& source, const QByteArray& formatHint,
                           KPMetadataPolicy policy, bool copy,
                           const std::function<bool()>& cancelled = {});

    // Whether a source may hold metadata to carry: false only for a JPEG or PNG in which
    // none of the signatures its Exif, XMP or IPTC begin with occurs, which then needs no
    // reading. Every other type may hold it in its own structure.
    static bool mayHold(const QByteArray& source);

    // The segments of an output of this pixel size, in order, to follow the encoder's
    // own header.
    QByteArray segmentsFor(QSize pixels) const;
    // What the segments add to every encoding, in bytes.
    qint64 bytes() const;

    // The same metadata for containers other than JPEG's, which hold EXIF and XMP as
    // blocks of their own: the EXIF block (its TIFF header first) of an output of this
    // pixel size, and the XMP packet; empty when there is none. IPTC has no place there
    // (XMP carries its fields in pictures written since).
    QByteArray exifFor(QSize pixels) const;
    QByteArray xmp() const;
    bool isEmpty() const { return m_segments.isEmpty(); }

    // Leaves out the largest segments until the rest takes at most `share` of the limit:
    // a picture must not lose more of its quality to metadata than that.
    void fitInto(quint64 limit, double share = MaxShareOfLimit);
    static constexpr double MaxShareOfLimit = 0.25;

    // The copy of a JPEG source kept as it is: the source itself, or rewritten without what
    // the policy removes (its tables and compressed data the source's own bytes). Nothing
    // when no such copy can be made, or the pieces pictaro-metadata answered do not make a
    // whole JPEG of the source's picture: the picture is then encoded.
    std::optional<QByteArray> copyOf(const QByteArray& source) const;

    // An encoding made without segments with the segments put in after its header (SOI and
    // the JFIF segment the encoder writes), where an encoding with them has them.
    static QByteArray withSegments(const QByteArray& jpeg, const QByteArray& segments);

private:
    QList<KPMetadataReply::Segment> m_segments;
    KPMetadataReply::Copy m_copy = KPMetadataReply::Copy::Unchanged;
    QList<KPMetadataReply::Piece> m_pieces;
};
