#include "engine/formats/KPLocationTags.h"

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cctype>
#include <string>

namespace {
// Photoshop resources that hold a whole EXIF block or XMP packet.
constexpr uint16_t ExifResources[] = {0x0422, 0x0423};
constexpr uint16_t XmpResource = 0x0424;

struct XmpPlaces
{
    const char* space;
    const char* names[3];
};

// The place names of each schema, as top-level properties: each of IPTC's extension
// structures (LocationShown, LocationCreated) goes whole, with all its fields.
constexpr XmpPlaces Places[] = {
    {"http://ns.adobe.com/photoshop/1.0/", {"City", "State", "Country"}},
    {"http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/", {"Location", "CountryCode", nullptr}},
    {"http://iptc.org/std/Iptc4xmpExt/2008-02-29/", {"LocationShown", "LocationCreated", nullptr}},
    {"http://ns.adobe.com/xmp/1.0/DynamicMedia/", {"shotLocation", nullptr, nullptr}},
    // Darwin Core, as natural history collections tag their photos.
    {"http://rs.tdwg.org/dwc/index.htm", {"Location", nullptr, nullptr}},
};

// IPTC's application record: content location code and name, city, sub-location,
// province or state, country code and country name.
constexpr uint16_t IptcPlaces[] = {26, 27, 90, 92, 95, 100, 101};

const Exiv2::byte* bytesOf(QByteArrayView view)
{
    return reinterpret_cast<const Exiv2::byte*>(view.data());
}

// Where the first resource of `tag` sits, whole with its padding; nothing when there is
// none or the resources cannot be read.
std::optional<std::pair<qsizetype, qsizetype>> findResource(QByteArrayView resources, uint16_t tag)
{
    const Exiv2::byte* record = nullptr;
    uint32_t header = 0;
    uint32_t data = 0;
    if (Exiv2::Photoshop::locateIrb(bytesOf(resources), long(resources.size()), tag, &record,
                                    &header, &data) != 0)
        return std::nullopt;
    const qsizetype at = record - bytesOf(resources);
    const qsizetype length = qsizetype(header) + qsizetype(data) + qsizetype(data & 1);
    return std::pair{at, std::min(length, resources.size() - at)};
}
} // namespace

bool KPLocationTags::isLocation(const Exiv2::Exifdatum& datum)
{
    const std::string group = datum.groupName();
    return group == "GPSInfo" || (group == "Image" && datum.tag() == 0x8825);
}

bool KPLocationTags::isLocation(const Exiv2::Xmpdatum& datum)
{
    // Positions in any schema: exif:GPSLatitude, the GPS fields of IPTC's location
    // structures, drones' own GpsLatitude.
    std::string key = datum.key();
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (key.find("gps") != std::string::npos)
        return true;
    std::string space;
    try {
        space = Exiv2::XmpProperties::ns(datum.groupName());
    } catch (const std::exception&) {
        return false;
    }
    // "LocationShown[1]/Iptc4xmpExt:City" is a field of LocationShown.
    const std::string path = datum.tagName();
    const std::string top = path.substr(0, path.find_first_of("[/"));
    return std::any_of(std::begin(Places), std::end(Places), [&](const XmpPlaces& places) {
        return space == places.space &&
               std::any_of(std::begin(places.names), std::end(places.names),
                           [&top](const char* name) { return name && top == name; });
    });
}

bool KPLocationTags::isLocation(const Exiv2::Iptcdatum& datum)
{
    return datum.record() == Exiv2::IptcDataSets::application2 &&
           std::find(std::begin(IptcPlaces), std::end(IptcPlaces), datum.tag()) !=
               std::end(IptcPlaces);
}

std::optional<QByteArray> KPLocationTags::photoshopResources(QByteArrayView resources,
                                                             const Exiv2::IptcData& iptc)
{
    if (!Exiv2::Photoshop::valid(bytesOf(resources), long(resources.size())))
        return std::nullopt;
    const Exiv2::DataBuf replaced =
        Exiv2::Photoshop::setIptcIrb(bytesOf(resources), long(resources.size()), iptc);
    if (replaced.size_ < 0)
        return std::nullopt;
    QByteArray out(reinterpret_cast<const char*>(replaced.pData_), qsizetype(replaced.size_));
    for (const uint16_t tag : {ExifResources[0], ExifResources[1], XmpResource}) {
        // Each pass takes one resource away, so this ends.
        while (const auto found = findResource(out, tag))
            out.remove(found->first, std::max<qsizetype>(found->second, 1));
    }
    return out;
}

bool KPLocationTags::holdsExifOrXmp(QByteArrayView resources)
{
    return std::any_of(
               std::begin(ExifResources), std::end(ExifResources),
               [resources](uint16_t tag) { return findResource(resources, tag).has_value(); }) ||
           findResource(resources, XmpResource).has_value();
}

bool KPLocationTags::holdsIptc(QByteArrayView resources)
{
    return findResource(resources, Exiv2::Photoshop::iptc_).has_value();
}
