#include "engine/formats/KPJpegLayout.h"

#include <QtEndian>

#include <cstring>

namespace {
constexpr uchar SOI = 0xd8;
constexpr uchar EOI = 0xd9;
constexpr uchar SOS = 0xda;

bool standalone(uchar marker)
{
    return marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7);
}

// The length of the segment whose marker is at `at`, marker included; 0 when it runs past
// the end or its length field is impossible.
qsizetype segmentLength(QByteArrayView jpeg, qsizetype at)
{
    if (jpeg.size() - at < 4)
        return 0;
    const qsizetype length = qFromBigEndian<quint16>(jpeg.data() + at + 2);
    if (length < 2 || jpeg.size() - at - 2 < length)
        return 0;
    return length + 2;
}

bool payloadStarts(QByteArrayView jpeg, const KPJpegLayout::Segment& segment, const char* signature,
                   qsizetype size)
{
    return segment.length - 4 >= size &&
           std::memcmp(jpeg.data() + segment.at + 4, signature, size_t(size)) == 0;
}
} // namespace

std::optional<KPJpegLayout> KPJpegLayout::of(QByteArrayView jpeg)
{
    if (jpeg.size() < 4 || uchar(jpeg[0]) != 0xff || uchar(jpeg[1]) != SOI)
        return std::nullopt;
    KPJpegLayout layout;
    const auto* bytes = reinterpret_cast<const uchar*>(jpeg.data());
    const qsizetype size = jpeg.size();
    qsizetype at = 2;
    bool inScan = false; // inside entropy-coded data, where 0xFF 0x00 is a data byte
    while (at < size) {
        if (inScan) {
            // Entropy-coded data: only a 0xFF not followed by 0x00 or a restart marker
            // starts a marker.
            const void* found = std::memchr(bytes + at, 0xff, size_t(size - at));
            if (!found)
                return std::nullopt;
            at = static_cast<const uchar*>(found) - bytes;
            if (at + 1 >= size)
                return std::nullopt;
            const uchar next = bytes[at + 1];
            if (next == 0x00 || (next >= 0xd0 && next <= 0xd7) || next == 0xff) {
                at += next == 0xff ? 1 : 2;
                continue;
            }
        }
        if (bytes[at] != 0xff)
            return std::nullopt;
        // Fill bytes may come before a marker.
        while (at + 1 < size && bytes[at + 1] == 0xff)
            ++at;
        if (at + 1 >= size)
            return std::nullopt;
        const uchar marker = bytes[at + 1];
        if (marker == EOI) {
            if (layout.scanAt == 0)
                return std::nullopt;
            layout.end = at + 2;
            return layout;
        }
        if (marker == SOI || marker == 0x00)
            return std::nullopt;
        if (standalone(marker)) {
            at += 2;
            continue;
        }
        const qsizetype length = segmentLength(jpeg, at);
        if (length == 0)
            return std::nullopt;
        if (marker == SOS) {
            if (layout.scanAt == 0)
                layout.scanAt = at;
            inScan = true;
        } else if (layout.scanAt == 0) {
            layout.header.append(Segment{marker, at, length});
        }
        at += length;
    }
    return std::nullopt;
}

bool KPJpegLayout::isExif(QByteArrayView jpeg, const Segment& segment)
{
    return segment.marker == 0xe1 && payloadStarts(jpeg, segment, ExifSignature, ExifSignatureSize);
}

bool KPJpegLayout::isXmp(QByteArrayView jpeg, const Segment& segment)
{
    return segment.marker == 0xe1 && payloadStarts(jpeg, segment, XmpSignature, XmpSignatureSize);
}

bool KPJpegLayout::isExtendedXmp(QByteArrayView jpeg, const Segment& segment)
{
    static constexpr char signature[] = "http://ns.adobe.com/xmp/extension/";
    return segment.marker == 0xe1 && payloadStarts(jpeg, segment, signature, sizeof(signature));
}

bool KPJpegLayout::isJfif(QByteArrayView jpeg, const Segment& segment)
{
    return segment.marker == 0xe0 && payloadStarts(jpeg, segment, "JFIF", 5);
}

bool KPJpegLayout::isIccProfile(QByteArrayView jpeg, const Segment& segment)
{
    return segment.marker == 0xe2 && payloadStarts(jpeg, segment, "ICC_PROFILE", 12);
}

bool KPJpegLayout::isAdobe(QByteArrayView jpeg, const Segment& segment)
{
    return segment.marker == 0xee && payloadStarts(jpeg, segment, "Adobe", 5);
}

bool KPJpegLayout::isPhotoshop(QByteArrayView jpeg, const Segment& segment)
{
    return segment.marker == 0xed && payloadStarts(jpeg, segment, IptcSignature, IptcSignatureSize);
}

bool KPJpegLayout::isMultiPicture(QByteArrayView jpeg, const Segment& segment)
{
    return segment.marker == 0xe2 && payloadStarts(jpeg, segment, "MPF", 4);
}
