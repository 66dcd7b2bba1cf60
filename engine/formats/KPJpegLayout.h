#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

// The marker segments of a JPEG file, as pictaro-metadata walks them to copy a picture
// without some of its metadata: every segment between SOI and the first scan, where the
// scans begin, and where the picture ends (after EOI; what follows, such as the further
// pictures of a multi-picture file, is the file's trailer).
struct KPJpegLayout
{
    struct Segment
    {
        uchar marker = 0;     // 0xE0 to 0xEF for APPn, 0xFE for COM, the tables and frame
        qsizetype at = 0;     // of its 0xFF
        qsizetype length = 0; // of the whole segment, marker included

        bool isMetadataKind() const { return (marker >= 0xe0 && marker <= 0xef) || marker == 0xfe; }
    };

    QList<Segment> header;
    qsizetype scanAt = 0; // the first SOS marker
    qsizetype end = 0;    // just after EOI

    // Nothing when the data is not a whole JPEG: no SOI, a segment running past the end,
    // no scan, or no EOI after the scans.
    static std::optional<KPJpegLayout> of(QByteArrayView jpeg);

    // What an APPn segment holds, by the signature its payload starts with.
    static bool isExif(QByteArrayView jpeg, const Segment& segment);
    static bool isXmp(QByteArrayView jpeg, const Segment& segment);
    static bool isExtendedXmp(QByteArrayView jpeg, const Segment& segment);
    static bool isJfif(QByteArrayView jpeg, const Segment& segment);
    static bool isIccProfile(QByteArrayView jpeg, const Segment& segment);
    static bool isAdobe(QByteArrayView jpeg, const Segment& segment);
    static bool isPhotoshop(QByteArrayView jpeg, const Segment& segment);    // IPTC's
    static bool isMultiPicture(QByteArrayView jpeg, const Segment& segment); // MPF's index

    static constexpr char ExifSignature[] = "Exif\0\0";
    static constexpr qsizetype ExifSignatureSize = 6;
    static constexpr char XmpSignature[] = "http://ns.adobe.com/xap/1.0/";
    static constexpr qsizetype XmpSignatureSize = 29; // with its terminating zero
    static constexpr char IptcSignature[] = "Photoshop 3.0";
    static constexpr qsizetype IptcSignatureSize = 14;
    // The most a segment's payload may hold: its length field counts itself.
    static constexpr qsizetype MaxPayload = 65533;
};
