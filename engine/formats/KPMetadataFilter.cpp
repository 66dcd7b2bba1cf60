#include "engine/formats/KPMetadataFilter.h"

#include "engine/formats/KPJpegLayout.h"
#include "engine/formats/KPLocationTags.h"

#include <exiv2/exiv2.hpp>
#include <libheif/heif.h>

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {
using Segment = KPMetadataReply::Segment;
using Piece = KPMetadataReply::Piece;

// exiv2 reads past much damage with no more than an error in its log: a reading that
// logged one counts as damaged, and the picture goes without its metadata.
// exiv2 goes on after most faults it finds, with a message. A fault in the XMP packet
// alone (a property given twice, as some cameras write it) costs the XMP only: the EXIF
// and IPTC beside it were read apart from it. Any other fault costs everything read.
bool errorLogged = false;
bool xmpErrorLogged = false;

void onExivMessage(int level, const char* message)
{
    if (level < Exiv2::LogMsg::error)
        return;
    if (message && std::strstr(message, "XMP"))
        xmpErrorLogged = true;
    else
        errorLogged = true;
}

struct Metadata
{
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    Exiv2::IptcData iptc;
    Exiv2::ByteOrder byteOrder = Exiv2::littleEndian;
};

Metadata readWithExiv2(const QByteArray& bytes)
{
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(
        reinterpret_cast<const Exiv2::byte*>(bytes.constData()), long(bytes.size()));
    if (!image.get())
        throw Exiv2::Error(Exiv2::kerFileContainsUnknownImageType);
    image->readMetadata();
    Metadata metadata;
    metadata.exif = image->exifData();
    metadata.xmp = image->xmpData();
    metadata.iptc = image->iptcData();
    if (image->byteOrder() == Exiv2::bigEndian)
        metadata.byteOrder = Exiv2::bigEndian;
    return metadata;
}

template <auto Release> struct Releaser
{
    template <typename T> void operator()(T* object) const { Release(object); }
};

// A HEIF file's Exif block (behind the offset of its TIFF header) and XMP packet, from the
// primary picture, as libheif finds them.
Metadata readHeif(const QByteArray& bytes)
{
    Metadata metadata;
    const std::unique_ptr<heif_context, Releaser<heif_context_free>> context(heif_context_alloc());
    if (!context || heif_context_read_from_memory_without_copy(context.get(), bytes.constData(),
                                                               size_t(bytes.size()), nullptr)
                            .code != heif_error_Ok)
        throw Exiv2::Error(Exiv2::kerFailedToReadImageData);
    heif_image_handle* raw = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &raw).code != heif_error_Ok || !raw)
        throw Exiv2::Error(Exiv2::kerFailedToReadImageData);
    const std::unique_ptr<heif_image_handle, Releaser<heif_image_handle_release>> handle(raw);
    const int count = heif_image_handle_get_number_of_metadata_blocks(raw, nullptr);
    std::vector<heif_item_id> ids(size_t(std::max(count, 0)));
    heif_image_handle_get_list_of_metadata_block_IDs(raw, nullptr, ids.data(), count);
    bool exifRead = false;
    bool xmpRead = false;
    for (const heif_item_id id : ids) {
        const std::string type = heif_image_handle_get_metadata_type(raw, id);
        const std::string contentType = heif_image_handle_get_metadata_content_type(raw, id);
        const bool exif = type == "Exif" && !exifRead;
        const bool xmp = type == "mime" && contentType == "application/rdf+xml" && !xmpRead;
        if (!exif && !xmp)
            continue;
        const size_t size = heif_image_handle_get_metadata_size(raw, id);
        if (size > size_t(bytes.size()))
            throw Exiv2::Error(Exiv2::kerCorruptedMetadata);
        std::vector<Exiv2::byte> data(size);
        if (heif_image_handle_get_metadata(raw, id, data.data()).code != heif_error_Ok)
            throw Exiv2::Error(Exiv2::kerCorruptedMetadata);
        if (exif) {
            exifRead = true;
            if (size < 4)
                throw Exiv2::Error(Exiv2::kerCorruptedMetadata);
            const quint32 offset = qFromBigEndian<quint32>(data.data());
            if (offset > size - 4)
                throw Exiv2::Error(Exiv2::kerCorruptedMetadata);
            const Exiv2::ByteOrder order = Exiv2::ExifParser::decode(
                metadata.exif, data.data() + 4 + offset, uint32_t(size - 4 - offset));
            if (order == Exiv2::bigEndian)
                metadata.byteOrder = Exiv2::bigEndian;
        } else {
            xmpRead = true;
            const std::string packet(reinterpret_cast<const char*>(data.data()), size);
            if (Exiv2::XmpParser::decode(metadata.xmp, packet) != 0)
                throw Exiv2::Error(Exiv2::kerCorruptedMetadata);
        }
    }
    return metadata;
}

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

bool isMakerNote(const Exiv2::Exifdatum& datum)
{
    const std::string group = datum.groupName();
    return Exiv2::ExifTags::isMakerGroup(group) || group == "MakerNote" ||
           (group == "Photo" && datum.tag() == 0x927c);
}

// Whether the bytes hold an Exif, XMP or IPTC block of their own.
bool holdsMetadata(const Exiv2::byte* data, long size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(std::max(size, 0L)));
    return bytes.indexOf(
               QByteArrayView(KPJpegLayout::ExifSignature, KPJpegLayout::ExifSignatureSize)) >= 0 ||
           bytes.indexOf(QByteArrayView(KPJpegLayout::XmpSignature)) >= 0 ||
           bytes.indexOf(QByteArrayView(KPJpegLayout::IptcSignature)) >= 0;
}

// Many cameras name the lens in their maker notes alone: the name is kept where EXIF has
// a place for it.
void keepLensName(Exiv2::ExifData& exif)
{
    if (exif.findKey(Exiv2::ExifKey("Exif.Photo.LensModel")) != exif.end())
        return;
    const auto lens = Exiv2::lensName(exif);
    if (lens == exif.end() || !isMakerNote(*lens))
        return;
    const std::string name = lens->print(&exif);
    const bool named =
        std::any_of(name.begin(), name.end(), [](unsigned char c) { return std::isalpha(c) != 0; });
    if (named && name.find("Unknown") == std::string::npos && name != "n/a" && name.size() < 128)
        exif["Exif.Photo.LensModel"] = name;
}

// What "keep all but the location" removes: every location field of EXIF, XMP and IPTC
// (KPLocationTags), the maker notes (they hold positions and serial numbers of their own),
// the camera's and lens's serial numbers, and a thumbnail that carries metadata of its
// own. True when there was anything to remove.
bool dropLocation(Metadata& metadata)
{
    bool removed = false;
    keepLensName(metadata.exif);
    for (auto it = metadata.exif.begin(); it != metadata.exif.end();) {
        const std::string group = it->groupName();
        const uint16_t tag = it->tag();
        const bool serial = (group == "Photo" && (tag == 0xa431 || tag == 0xa435)) ||
                            (group == "Image" && tag == 0xc62f);
        const bool drop = KPLocationTags::isLocation(*it) || serial || isMakerNote(*it);
        removed = removed || drop;
        it = drop ? metadata.exif.erase(it) : std::next(it);
    }
    const Exiv2::DataBuf thumbnail = Exiv2::ExifThumbC(metadata.exif).copy();
    if (thumbnail.size_ > 0 && holdsMetadata(thumbnail.pData_, thumbnail.size_)) {
        Exiv2::ExifThumb(metadata.exif).erase();
        removed = true;
    }
    for (auto it = metadata.xmp.begin(); it != metadata.xmp.end();) {
        const std::string key = lower(it->key());
        const bool drop =
            KPLocationTags::isLocation(*it) || key.find("makernote") != std::string::npos ||
            (key.size() >= 12 && key.compare(key.size() - 12, 12, "serialnumber") == 0);
        removed = removed || drop;
        it = drop ? metadata.xmp.erase(it) : std::next(it);
    }
    for (auto it = metadata.iptc.begin(); it != metadata.iptc.end();) {
        const bool drop = KPLocationTags::isLocation(*it);
        removed = removed || drop;
        it = drop ? metadata.iptc.erase(it) : std::next(it);
    }
    return removed;
}

// Tags of a TIFF's first directory that describe the file's own pixels (strips, tiles,
// samples, colour, raw data, geo-referencing): stale in a JPEG of another size.
bool describesSourcePixels(uint16_t tag)
{
    static constexpr uint16_t tags[] = {
        0x00fe, 0x00ff, 0x0100, 0x0101, 0x0102, 0x0103, 0x0106, 0x0107, 0x0108, 0x0109,
        0x010a, 0x0111, 0x0115, 0x0116, 0x0117, 0x0118, 0x0119, 0x011c, 0x0122, 0x0123,
        0x0124, 0x0125, 0x012d, 0x013d, 0x013e, 0x013f, 0x0140, 0x0141, 0x0142, 0x0143,
        0x0144, 0x0145, 0x014a, 0x014c, 0x0150, 0x0151, 0x0152, 0x0153, 0x0154, 0x0155,
        0x0156, 0x0200, 0x0201, 0x0202, 0x0203, 0x0205, 0x0206, 0x0207, 0x0208, 0x0209,
        0x0211, 0x0212, 0x0214, 0x02bc, 0x828d, 0x828e, 0x830e, 0x83bb, 0x8482, 0x85d8,
        0x8649, 0x8773, 0x87af, 0x87b0, 0x87b1, 0xa480, 0xa481};
    // The DNG tags and those after them: colour matrices, calibration, private data.
    return std::find(std::begin(tags), std::end(tags), tag) != std::end(tags) || tag >= 0xc612;
}

// Namespaces of XMP that describe what the output does not carry: gain maps, depth maps,
// the pictures and videos of containers, extended XMP.
bool describesWhatIsDropped(const Exiv2::Xmpdatum& datum)
{
    static const std::string namespaces[] = {
        "http://ns.adobe.com/hdr-gain-map/1.0/",
        "http://ns.apple.com/HDRGainMap/1.0/",
        "http://ns.google.com/photos/1.0/container/",
        "http://ns.google.com/photos/1.0/container/item/",
        "http://ns.google.com/photos/1.0/image/",
        "http://ns.google.com/photos/1.0/depthmap/",
        "http://ns.google.com/photos/1.0/audio/",
        "http://ns.google.com/photos/1.0/camera/",
    };
    std::string space;
    try {
        space = Exiv2::XmpProperties::ns(datum.groupName());
    } catch (const Exiv2::AnyError&) {
        return false;
    }
    return std::find(std::begin(namespaces), std::end(namespaces), space) != std::end(namespaces);
}

// Makes the metadata fit a new JPEG of the picture: upright, in sRGB, without the
// thumbnail and without what describes the source's own file.
void prepareForEncoding(Metadata& metadata)
{
    Exiv2::ExifData& exif = metadata.exif;
    for (auto it = exif.begin(); it != exif.end();) {
        const std::string group = it->groupName();
        const bool kept = group == "Photo" || group == "GPSInfo" || group == "Iop" ||
                          (group == "Image" && !describesSourcePixels(it->tag())) ||
                          isMakerNote(*it);
        const bool pixelSize = group == "Photo" && (it->tag() == 0xa002 || it->tag() == 0xa003);
        it = kept && !pixelSize ? std::next(it) : exif.erase(it);
    }
    if (exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation")) != exif.end())
        exif["Exif.Image.Orientation"] = uint16_t(1);
    // The pixels were turned into sRGB when they were decoded.
    if (exif.findKey(Exiv2::ExifKey("Exif.Photo.ColorSpace")) != exif.end())
        exif["Exif.Photo.ColorSpace"] = uint16_t(1);
    const auto index = exif.findKey(Exiv2::ExifKey("Exif.Iop.InteroperabilityIndex"));
    if (index != exif.end() && index->toString() == "R03")
        exif["Exif.Iop.InteroperabilityIndex"] = std::string("R98");

    Exiv2::XmpData& xmp = metadata.xmp;
    static const std::string stale[] = {
        "Xmp.tiff.ImageWidth",
        "Xmp.tiff.ImageLength",
        "Xmp.tiff.BitsPerSample",
        "Xmp.tiff.Compression",
        "Xmp.tiff.PhotometricInterpretation",
        "Xmp.tiff.SamplesPerPixel",
        "Xmp.tiff.PlanarConfiguration",
        "Xmp.tiff.YCbCrSubSampling",
        "Xmp.tiff.YCbCrCoefficients",
        "Xmp.tiff.ReferenceBlackWhite",
        "Xmp.tiff.TransferFunction",
        "Xmp.tiff.WhitePoint",
        "Xmp.tiff.PrimaryChromaticities",
        "Xmp.tiff.NativeDigest",
        "Xmp.exif.PixelXDimension",
        "Xmp.exif.PixelYDimension",
        "Xmp.exif.NativeDigest",
        "Xmp.photoshop.ICCProfile",
        "Xmp.xmpNote.HasExtendedXMP",
        "Xmp.xmp.Thumbnails",
    };
    for (auto it = xmp.begin(); it != xmp.end();) {
        const std::string key = it->key();
        const bool drop = std::any_of(std::begin(stale), std::end(stale),
                                      [&key](const std::string& name) {
                                          return key == name || key.rfind(name + "[", 0) == 0 ||
                                                 key.rfind(name + "/", 0) == 0;
                                      }) ||
                          describesWhatIsDropped(*it);
        it = drop ? xmp.erase(it) : std::next(it);
    }
    if (xmp.findKey(Exiv2::XmpKey("Xmp.tiff.Orientation")) != xmp.end())
        xmp["Xmp.tiff.Orientation"] = std::string("1");
    if (xmp.findKey(Exiv2::XmpKey("Xmp.exif.ColorSpace")) != xmp.end())
        xmp["Xmp.exif.ColorSpace"] = std::string("1");
}

QByteArray segmentOf(uchar marker, const char* signature, qsizetype signatureSize, const void* data,
                     qsizetype size)
{
    QByteArray segment(4, '\0');
    segment[0] = char(0xff);
    segment[1] = char(marker);
    qToBigEndian(quint16(2 + signatureSize + size), segment.data() + 2);
    segment.append(signature, signatureSize);
    segment.append(static_cast<const char*>(data), size);
    return segment;
}

// The offset of the value of a directory entry of one 32-bit value, if it occurs exactly once.
std::optional<qsizetype> uniqueEntryValue(const QByteArray& segment, uint16_t tag, quint32 value,
                                          bool bigEndian)
{
    char entry[12];
    auto put16 = [bigEndian](char* at, quint16 number) {
        bigEndian ? qToBigEndian(number, at) : qToLittleEndian(number, at);
    };
    auto put32 = [bigEndian](char* at, quint32 number) {
        bigEndian ? qToBigEndian(number, at) : qToLittleEndian(number, at);
    };
    put16(entry, tag);
    put16(entry + 2, 4); // LONG
    put32(entry + 4, 1);
    put32(entry + 8, value);
    const QByteArrayView pattern(entry, 12);
    const qsizetype first = segment.indexOf(pattern);
    if (first < 0 || segment.indexOf(pattern, first + 1) >= 0)
        return std::nullopt;
    return first + 8;
}

bool hasMakerNote(const Exiv2::ExifData& exif)
{
    return std::any_of(exif.begin(), exif.end(), isMakerNote);
}

// The APP1 Exif segment of the data; with `pixelSize`, the pixel dimensions are left to be
// written for each output at the places the patches give.
std::optional<Segment> exifSegment(Exiv2::ExifData exif, Exiv2::ByteOrder order, bool pixelSize)
{
    const bool meaningful = std::any_of(exif.begin(), exif.end(), [](const Exiv2::Exifdatum& d) {
        return !(d.groupName() == "Image" && (d.tag() == 0x8769 || d.tag() == 0x8825)) &&
               !(d.groupName() == "Photo" && d.tag() == 0xa005);
    });
    if (!meaningful)
        return std::nullopt;
    // Unlikely values, looked for as whole directory entries; another pair is tried should
    // one of them occur twice.
    static constexpr std::array<std::pair<quint32, quint32>, 3> markers = {
        std::pair{0x7e3d1a5bu, 0x7e3d1a5cu}, std::pair{0x6c29f0e1u, 0x6c29f0e2u},
        std::pair{0x5b17c3d7u, 0x5b17c3d8u}};
    const bool bigEndian = order == Exiv2::bigEndian;
    const int attempts = pixelSize ? int(markers.size()) + 1 : 1;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const bool withSize = pixelSize && attempt < int(markers.size());
        if (withSize) {
            exif["Exif.Photo.PixelXDimension"] = uint32_t(markers[size_t(attempt)].first);
            exif["Exif.Photo.PixelYDimension"] = uint32_t(markers[size_t(attempt)].second);
        } else if (pixelSize) {
            // No place for them was found: better none than the source's.
            for (const char* key : {"Exif.Photo.PixelXDimension", "Exif.Photo.PixelYDimension"}) {
                const auto it = exif.findKey(Exiv2::ExifKey(key));
                if (it != exif.end())
                    exif.erase(it);
            }
        }
        Exiv2::Blob blob;
        Exiv2::ExifParser::encode(blob, nullptr, 0, order, exif);
        if (qsizetype(blob.size()) > KPJpegLayout::MaxPayload - KPJpegLayout::ExifSignatureSize) {
            // Maker notes are the largest part that may go; without them it may fit.
            if (!hasMakerNote(exif))
                return std::nullopt;
            for (auto it = exif.begin(); it != exif.end();)
                it = isMakerNote(*it) ? exif.erase(it) : std::next(it);
            --attempt;
            continue;
        }
        Segment segment{segmentOf(0xe1, KPJpegLayout::ExifSignature,
                                  KPJpegLayout::ExifSignatureSize, blob.data(),
                                  qsizetype(blob.size())),
                        {}};
        if (!withSize)
            return segment;
        const auto width =
            uniqueEntryValue(segment.bytes, 0xa002, markers[size_t(attempt)].first, bigEndian);
        const auto height =
            uniqueEntryValue(segment.bytes, 0xa003, markers[size_t(attempt)].second, bigEndian);
        if (width && height) {
            segment.patches = {{*width, KPMetadataReply::Dimension::Width, bigEndian},
                               {*height, KPMetadataReply::Dimension::Height, bigEndian}};
            return segment;
        }
    }
    return std::nullopt;
}

std::optional<Segment> xmpSegment(const Exiv2::XmpData& xmp)
{
    if (xmp.empty())
        return std::nullopt;
    std::string packet;
    if (Exiv2::XmpParser::encode(packet, xmp, Exiv2::XmpParser::useCompactFormat) != 0 ||
        qsizetype(packet.size()) > KPJpegLayout::MaxPayload - KPJpegLayout::XmpSignatureSize)
        return std::nullopt;
    return Segment{segmentOf(0xe1, KPJpegLayout::XmpSignature, KPJpegLayout::XmpSignatureSize,
                             packet.data(), qsizetype(packet.size())),
                   {}};
}

std::optional<Segment> iptcSegment(const Exiv2::IptcData& iptc)
{
    if (iptc.empty())
        return std::nullopt;
    const Exiv2::DataBuf resources = Exiv2::Photoshop::setIptcIrb(nullptr, 0, iptc);
    if (resources.size_ <= 0 ||
        resources.size_ > KPJpegLayout::MaxPayload - KPJpegLayout::IptcSignatureSize)
        return std::nullopt;
    return Segment{segmentOf(0xed, KPJpegLayout::IptcSignature, KPJpegLayout::IptcSignatureSize,
                             resources.pData_, qsizetype(resources.size_)),
                   {}};
}

// Adds a range of the source to the pieces, joined to the one before when they touch.
void addRange(QList<Piece>& pieces, qsizetype at, qsizetype length)
{
    if (length <= 0)
        return;
    if (!pieces.isEmpty() && pieces.last().sourceAt >= 0 &&
        pieces.last().sourceAt + pieces.last().sourceLength == at) {
        pieces.last().sourceLength += length;
        return;
    }
    pieces.append(Piece{{}, at, length});
}

// The copy without any metadata: SOI, the segments a decoder needs (JFIF, the colour
// profile, Adobe's colour transform), the tables and frame, the compressed data. Comments,
// every other application segment and the trailer (further pictures, gain maps) go. A
// turned picture keeps an Exif segment with its orientation alone, or it would show
// turned.
KPMetadataReply::Copy strippedCopy(const QByteArray& bytes, const KPJpegLayout& layout,
                                   const Metadata& metadata, QList<Piece>& pieces)
{
    std::optional<Segment> orientation;
    const auto stated = metadata.exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    if (stated != metadata.exif.end() && stated->count() == 1 && stated->toLong() >= 2 &&
        stated->toLong() <= 8) {
        Exiv2::ExifData exif;
        exif["Exif.Image.Orientation"] = uint16_t(stated->toLong());
        orientation = exifSegment(exif, metadata.byteOrder, false);
        if (!orientation)
            return KPMetadataReply::Copy::Unavailable;
    }
    bool removed = qsizetype(bytes.size()) > layout.end;
    pieces = {Piece{QByteArray("\xff\xd8", 2), -1, 0}};
    bool orientationPlaced = false;
    for (const KPJpegLayout::Segment& segment : layout.header) {
        const bool jfif = KPJpegLayout::isJfif(bytes, segment);
        const bool kept = !segment.isMetadataKind() || jfif ||
                          KPJpegLayout::isIccProfile(bytes, segment) ||
                          KPJpegLayout::isAdobe(bytes, segment);
        // Right after SOI, or after a JFIF segment that comes first.
        if (orientation && !orientationPlaced && !(jfif && pieces.size() == 1)) {
            pieces.append(Piece{orientation->bytes, -1, 0});
            orientationPlaced = true;
        }
        if (kept)
            addRange(pieces, segment.at, segment.length);
        else
            removed = true;
    }
    if (orientation && !orientationPlaced)
        pieces.append(Piece{orientation->bytes, -1, 0});
    addRange(pieces, layout.scanAt, layout.end - layout.scanAt);
    if (!removed) {
        pieces.clear();
        return KPMetadataReply::Copy::Unchanged;
    }
    return KPMetadataReply::Copy::Rewritten;
}

// Whether exiv2 read all the header holds: further Exif or XMP segments, extended XMP, or
// a segment it found nothing in may hold a position as well.
bool headerFullyRead(const QByteArray& bytes, const KPJpegLayout& layout, const Metadata& metadata)
{
    int exifSegments = 0;
    int xmpSegments = 0;
    for (const KPJpegLayout::Segment& segment : layout.header) {
        if (KPJpegLayout::isExtendedXmp(bytes, segment))
            return false;
        exifSegments += KPJpegLayout::isExif(bytes, segment) ? 1 : 0;
        xmpSegments += KPJpegLayout::isXmp(bytes, segment) ? 1 : 0;
    }
    return exifSegments <= 1 && xmpSegments <= 1 && (exifSegments == 0 || !metadata.exif.empty()) &&
           (xmpSegments == 0 || !metadata.xmp.empty());
}

// The Photoshop resources of the header's APP13 segments, joined as exiv2 reads them.
QByteArray photoshopResources(const QByteArray& bytes, const KPJpegLayout& layout, int& segments)
{
    QByteArray resources;
    segments = 0;
    for (const KPJpegLayout::Segment& segment : layout.header) {
        if (!KPJpegLayout::isPhotoshop(bytes, segment))
            continue;
        const qsizetype payload = 4 + KPJpegLayout::IptcSignatureSize;
        resources.append(bytes.constData() + segment.at + payload, segment.length - payload);
        ++segments;
    }
    return resources;
}

// The APP13 segment of a copy without the location: the source's Photoshop resources
// with the IPTC kept, without EXIF and XMP of their own; empty when none are left. Nothing
// when the source's segments stay as they are; `failure` Unavailable when they cannot be
// rewritten.
std::optional<QByteArray> photoshopSegment(const QByteArray& bytes, const KPJpegLayout& layout,
                                           const Metadata& metadata, const Metadata& kept,
                                           KPMetadataReply::Copy& failure)
{
    int segments = 0;
    const QByteArray resources = photoshopResources(bytes, layout, segments);
    const bool changes =
        segments > 0 && (kept.iptc.count() != metadata.iptc.count() || segments > 1 ||
                         KPLocationTags::holdsExifOrXmp(resources) ||
                         (metadata.iptc.empty() && KPLocationTags::holdsIptc(resources)));
    if (!changes)
        return std::nullopt;
    const std::optional<QByteArray> rewritten =
        KPLocationTags::photoshopResources(resources, kept.iptc);
    if (!rewritten ||
        rewritten->size() > KPJpegLayout::MaxPayload - KPJpegLayout::IptcSignatureSize) {
        failure = KPMetadataReply::Copy::Unavailable;
        return std::nullopt;
    }
    if (rewritten->isEmpty())
        return QByteArray();
    return segmentOf(0xed, KPJpegLayout::IptcSignature, KPJpegLayout::IptcSignatureSize,
                     rewritten->constData(), rewritten->size());
}

// The copy without its location: the first Exif, XMP and APP13 segments replaced by their
// data without location, maker notes and serial numbers, extended XMP and further copies
// of each left out, the other segments and the thumbnail as they were. Only the first
// picture is copied: the further pictures of a multi-picture file hold positions of their
// own, and nothing reads what else may follow the picture. The index of the pictures and
// what XMP says of those that are gone go with them.
KPMetadataReply::Copy copyWithoutLocation(const QByteArray& bytes, const KPJpegLayout& layout,
                                          const Metadata& metadata, QList<Piece>& pieces)
{
    Metadata kept = metadata;
    const bool changed = dropLocation(kept);
    const bool trailer = qsizetype(bytes.size()) > layout.end;
    if (trailer) {
        for (auto it = kept.xmp.begin(); it != kept.xmp.end();)
            it = describesWhatIsDropped(*it) ? kept.xmp.erase(it) : std::next(it);
    }
    KPMetadataReply::Copy failure = KPMetadataReply::Copy::Rewritten;
    const std::optional<QByteArray> photoshop =
        photoshopSegment(bytes, layout, metadata, kept, failure);
    if (failure != KPMetadataReply::Copy::Rewritten)
        return failure;
    if (!changed && !trailer && !photoshop && headerFullyRead(bytes, layout, metadata))
        return KPMetadataReply::Copy::Unchanged;
    pieces = {Piece{QByteArray("\xff\xd8", 2), -1, 0}};
    // Each kind's first segment is replaced, its further ones left out.
    bool exifDone = false;
    bool xmpDone = false;
    bool photoshopDone = false;
    auto replaceOnce = [&pieces](bool& done, const auto& make) {
        if (!done) {
            const std::optional<QByteArray> segment = make();
            if (segment && !segment->isEmpty())
                pieces.append(Piece{*segment, -1, 0});
        }
        done = true;
    };
    auto bytesOf = [](const std::optional<Segment>& segment) {
        return segment ? std::optional<QByteArray>(segment->bytes) : std::nullopt;
    };
    for (const KPJpegLayout::Segment& segment : layout.header) {
        if (KPJpegLayout::isExif(bytes, segment))
            replaceOnce(exifDone,
                        [&] { return bytesOf(exifSegment(kept.exif, kept.byteOrder, false)); });
        else if (KPJpegLayout::isXmp(bytes, segment))
            replaceOnce(xmpDone, [&] { return bytesOf(xmpSegment(kept.xmp)); });
        else if (photoshop && KPJpegLayout::isPhotoshop(bytes, segment))
            replaceOnce(photoshopDone, [&] { return photoshop; });
        else if (!KPJpegLayout::isExtendedXmp(bytes, segment) &&
                 !(trailer && KPJpegLayout::isMultiPicture(bytes, segment)))
            addRange(pieces, segment.at, segment.length);
    }
    addRange(pieces, layout.scanAt, layout.end - layout.scanAt);
    return KPMetadataReply::Copy::Rewritten;
}
} // namespace

void KPMetadataFilter::prepare()
{
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::error);
    Exiv2::LogMsg::setHandler(onExivMessage);
    Exiv2::XmpParser::initialize();
    Exiv2::enableBMFF(true);
}

KPMetadataReply KPMetadataFilter::read(const QByteArray& bytes, Source source,
                                       KPMetadataPolicy policy, bool copy)
{
    KPMetadataReply reply;
    // Removing everything from an encoding needs no reading of what there is; a copy
    // without any metadata still needs the orientation.
    std::optional<Metadata> metadata;
    if (policy != KPMetadataPolicy::RemoveAll || copy) {
        errorLogged = false;
        xmpErrorLogged = false;
        try {
            metadata = source == Source::Heif ? readHeif(bytes) : readWithExiv2(bytes);
        } catch (const Exiv2::AnyError&) {
            metadata.reset();
        } catch (const std::exception&) {
            metadata.reset();
        }
        if (errorLogged)
            metadata.reset();
        else if (xmpErrorLogged && metadata)
            metadata->xmp.clear();
    }
    // A copy without the location must know every place the location may be in: with an
    // unreadable XMP packet the picture is encoded instead.
    const bool xmpUnreadable = xmpErrorLogged && !errorLogged;
    reply.readable = metadata.has_value();
    try {
        if (metadata && policy != KPMetadataPolicy::RemoveAll) {
            Metadata forEncoding = *metadata;
            if (policy == KPMetadataPolicy::KeepAllButLocation)
                dropLocation(forEncoding);
            prepareForEncoding(forEncoding);
            for (const std::optional<Segment>& segment :
                 {exifSegment(forEncoding.exif, forEncoding.byteOrder, true),
                  xmpSegment(forEncoding.xmp), iptcSegment(forEncoding.iptc)}) {
                if (segment)
                    reply.segments.append(*segment);
            }
        }
        if (copy) {
            const std::optional<KPJpegLayout> layout = KPJpegLayout::of(bytes);
            if (policy == KPMetadataPolicy::KeepAll)
                reply.copy = KPMetadataReply::Copy::Unchanged;
            else if (!layout || !metadata ||
                     (xmpUnreadable && policy != KPMetadataPolicy::RemoveAll))
                reply.copy = KPMetadataReply::Copy::Unavailable;
            else if (policy == KPMetadataPolicy::RemoveAll)
                reply.copy = strippedCopy(bytes, *layout, *metadata, reply.pieces);
            else
                reply.copy = copyWithoutLocation(bytes, *layout, *metadata, reply.pieces);
        }
    } catch (const std::exception&) {
        // exiv2's errors derive from std::exception as well.
        reply.segments.clear();
        reply.pieces.clear();
        reply.copy = copy ? KPMetadataReply::Copy::Unavailable : KPMetadataReply::Copy::NotAsked;
    }
    if (reply.copy != KPMetadataReply::Copy::Rewritten)
        reply.pieces.clear();
    if (reply.pieces.size() > KPMetadataReply::MaxPieces) {
        reply.pieces.clear();
        reply.copy = KPMetadataReply::Copy::Unavailable;
    }
    return reply;
}
