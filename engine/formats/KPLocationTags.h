#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace Exiv2 {
class Exifdatum;
class Xmpdatum;
class Iptcdatum;
class IptcData;
} // namespace Exiv2

// The fields of EXIF, XMP and IPTC that tell where a picture was taken or which place it
// shows: positions (GPS in every schema), place names and their codes (city, sub-location,
// state, country, world region) and the location structures that group them. What tells
// of a place without being the picture's location (the creator's contact address, the
// subject's position within the frame, face regions) is none of them.
class KPLocationTags
{
public:
    KPLocationTags() = delete;

    static bool isLocation(const Exiv2::Exifdatum& datum);
    static bool isLocation(const Exiv2::Xmpdatum& datum);
    static bool isLocation(const Exiv2::Iptcdatum& datum);

    // A JPEG's Photoshop resources (its APP13 payload after the signature) with `iptc` in
    // place of the IPTC they held, and without the resources that carry EXIF or XMP of
    // their own, which nothing else reads. Nothing when the resources cannot be read.
    static std::optional<QByteArray> photoshopResources(QByteArrayView resources,
                                                        const Exiv2::IptcData& iptc);
    // Whether the resources hold EXIF or XMP of their own; whether they hold IPTC.
    static bool holdsExifOrXmp(QByteArrayView resources);
    static bool holdsIptc(QByteArrayView resources);
};
