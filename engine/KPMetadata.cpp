#include "engine/KPMetadata.h"

#include "engine/KPImageDecoder.h"
#include "engine/formats/KPDecodeHelper.h"

#include <QtEndian>

#include <algorithm>

KPMetadata KPMetadata::read(const QByteArray& source, const QByteArray& formatHint,
                            KPMetadataPolicy policy, bool copy,
                            const std::function<bool()>& cancelled)
{
    KPMetadata metadata;
    const std::optional<KPMetadataReply> reply = KPDecodeHelper::metadata(
        KPImageDecoder::isHeifType(formatHint), source, policy, copy, cancelled);
    if (!reply) {
        metadata.m_copy = KPMetadataReply::Copy::Unavailable;
        return metadata;
    }
    metadata.m_segments = reply->segments;
    metadata.m_copy = copy ? reply->copy : KPMetadataReply::Copy::Unchanged;
    metadata.m_pieces = reply->pieces;
    if (copy && metadata.m_copy == KPMetadataReply::Copy::NotAsked)
        metadata.m_copy = KPMetadataReply::Copy::Unavailable;
    return metadata;
}

bool KPMetadata::mayHold(const QByteArray& source)
{
    auto holds = [&source](std::initializer_list<QByteArrayView> signatures) {
        return std::any_of(
            signatures.begin(), signatures.end(),
            [&source](QByteArrayView signature) { return source.indexOf(signature) >= 0; });
    };
    if (source.startsWith("\xff\xd8\xff"))
        return holds({QByteArrayView("Exif\0\0", 6), "http://ns.adobe.com/xap/1.0/",
                      "http://ns.adobe.com/xmp/extension/", "Photoshop 3.0"});
    if (source.startsWith("\x89PNG\r\n\x1a\n"))
        return holds({"eXIf", "Raw profile type", "XML:com.adobe.xmp"});
    return true;
}

QByteArray KPMetadata::segmentsFor(QSize pixels) const
{
    QByteArray out;
    out.reserve(bytes());
    for (const KPMetadataReply::Segment& segment : m_segments) {
        const qsizetype start = out.size();
        out.append(segment.bytes);
        for (const KPMetadataReply::Patch& patch : segment.patches) {
            const auto value = quint32(std::max(
                0, patch.dimension == KPMetadataReply::Dimension::Width ? pixels.width()
                                                                        : pixels.height()));
            char* at = out.data() + start + patch.offset;
            if (patch.bigEndian)
                qToBigEndian(value, at);
            else
                qToLittleEndian(value, at);
        }
    }
    return out;
}

namespace {
// What the APPn segments the helper writes begin with, after their marker and length.
constexpr QByteArrayView ExifSignature("Exif\0\0", 6);
constexpr QByteArrayView XmpSignature("http://ns.adobe.com/xap/1.0/\0", 29);
constexpr qsizetype SegmentHeader = 4; // marker and length

// The first segment whose payload begins with `signature`.
const KPMetadataReply::Segment* segmentWith(const QList<KPMetadataReply::Segment>& segments,
                                            QByteArrayView signature)
{
    for (const KPMetadataReply::Segment& segment : segments) {
        if (segment.bytes.size() >= SegmentHeader &&
            QByteArrayView(segment.bytes).sliced(SegmentHeader).startsWith(signature))
            return &segment;
    }
    return nullptr;
}
} // namespace

QByteArray KPMetadata::exifFor(QSize pixels) const
{
    const KPMetadataReply::Segment* exif = segmentWith(m_segments, ExifSignature);
    if (!exif)
        return {};
    KPMetadata alone;
    alone.m_segments = {*exif};
    return alone.segmentsFor(pixels).mid(SegmentHeader + ExifSignature.size());
}

QByteArray KPMetadata::xmp() const
{
    const KPMetadataReply::Segment* xmp = segmentWith(m_segments, XmpSignature);
    if (!xmp)
        return {};
    return xmp->bytes.mid(SegmentHeader + XmpSignature.size());
}

qint64 KPMetadata::bytes() const
{
    qint64 total = 0;
    for (const KPMetadataReply::Segment& segment : m_segments)
        total += segment.bytes.size();
    return total;
}

void KPMetadata::fitInto(quint64 limit, double share)
{
    while (!m_segments.isEmpty() && double(bytes()) > share * double(limit)) {
        const auto largest = std::max_element(
            m_segments.begin(), m_segments.end(),
            [](const KPMetadataReply::Segment& a, const KPMetadataReply::Segment& b) {
                return a.bytes.size() < b.bytes.size();
            });
        m_segments.erase(largest);
    }
}

std::optional<QByteArray> KPMetadata::copyOf(const QByteArray& source) const
{
    switch (m_copy) {
    case KPMetadataReply::Copy::NotAsked:
    case KPMetadataReply::Copy::Unchanged:
        return source;
    case KPMetadataReply::Copy::Unavailable:
        return std::nullopt;
    case KPMetadataReply::Copy::Rewritten:
        break;
    }
    QByteArray copy;
    qint64 sourceAfter = 0; // where the next range of the source may start
    for (const KPMetadataReply::Piece& piece : m_pieces) {
        if (piece.sourceAt < 0) {
            copy.append(piece.bytes);
            continue;
        }
        // The source's own bytes, in their order, each taken once.
        if (piece.sourceAt < sourceAfter || piece.sourceLength <= 0 ||
            piece.sourceLength > source.size() - piece.sourceAt)
            return std::nullopt;
        copy.append(source.constData() + piece.sourceAt, qsizetype(piece.sourceLength));
        sourceAfter = piece.sourceAt + piece.sourceLength;
    }
    // A whole JPEG that shows the source's picture the same way up at the same size; its
    // tables and compressed data are the source's own bytes.
    if (!copy.startsWith("\xff\xd8\xff") || !KPImageDecoder::looksComplete(copy) ||
        KPImageDecoder::probe(copy, "jpg") != KPImageDecoder::probe(source, "jpg"))
        return std::nullopt;
    return copy;
}

QByteArray KPMetadata::withSegments(const QByteArray& jpeg, const QByteArray& segments)
{
    if (segments.isEmpty() || !jpeg.startsWith("\xff\xd8"))
        return jpeg;
    qsizetype at = 2;
    if (jpeg.size() >= 6 && uchar(jpeg[2]) == 0xff && uchar(jpeg[3]) == 0xe0)
        at += 2 + qFromBigEndian<quint16>(jpeg.constData() + 4);
    if (at > jpeg.size())
        return jpeg;
    QByteArray out;
    out.reserve(jpeg.size() + segments.size());
    out.append(jpeg.constData(), at);
    out.append(segments);
    out.append(jpeg.constData() + at, jpeg.size() - at);
    return out;
}
