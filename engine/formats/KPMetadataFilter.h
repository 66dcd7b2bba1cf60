#pragma once

#include "engine/KPMetadataPolicy.h"
#include "engine/formats/KPMetadataReply.h"

#include <QByteArray>

// Reads a source's EXIF, XMP and IPTC with exiv2 (HEIF files' blocks through libheif),
// in pictaro-metadata: exiv2 has a history of security faults. It keeps what the policy
// keeps and makes the JPEG segments every encoding of the picture carries: orientation
// 1 (the pixels are upright), the pixel size left to be written per output, no
// thumbnail, no structure of the source's own file (strips, tiles, raw data, colour
// profile), nothing about gain maps or depth maps, which are not carried over.
//
// For a JPEG that may be kept as it is, it also says how to copy it without what the
// policy removes: unchanged when there is nothing to remove, else rewritten with new
// metadata segments around the source's own tables and compressed data.
class KPMetadataFilter
{
public:
    KPMetadataFilter() = delete;

    enum class Source
    {
        Heif,  // HEIC, HEIF, AVIF: Exif and XMP blocks read through libheif
        Other, // every type exiv2 reads (JPEG, TIFF, PNG, WebP, PSD, raw, CR3)
    };

    // Never throws: metadata that cannot be read gives a reply without segments, and a
    // copy that cannot be made without it, Unavailable.
    static KPMetadataReply read(const QByteArray& bytes, Source source, KPMetadataPolicy policy,
                                bool copy);

    // Done once in pictaro-metadata before anything is read: exiv2's XMP toolkit and its
    // BMFF reader (CR3), its messages kept off the terminal.
    static void prepare();
};
