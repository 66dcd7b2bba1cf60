#pragma once

#include "engine/formats/KPDecodeReply.h"

#include <QByteArray>

// The second reader: ImageMagick, for accepted files that Qt's readers turn away or
// read wrongly (BMPs with V2 or V3 headers or with more than 8 bits a channel, planar
// TIFFs, icons stored as JPEG 2000). It runs in pictaro-decode, and only ever with the
// coder of the file's own type: a file that is not what its name says fails rather
// than being read as whatever its bytes resemble.
class KPMagickDecoder
{
public:
    KPMagickDecoder() = delete;

    // Whether `coder` is one of the few this reader may use.
    static bool knowsCoder(const QByteArray& coder);

    // Sets ImageMagick up for this process, its memory held to `memoryLimit` bytes.
    static void prepare(qint64 memoryLimit);
    // Loads now what a decode with `coder` would load from files when first used (its
    // module and the libraries that one needs), so that the decode itself opens no file.
    static void load(const QByteArray& coder);

    // The first picture of the file (of an icon file, the largest), upright (its EXIF or TIFF
    // orientation applied when `orient`), in RGB; tagged with its profile's colour space when it
    // has one. With `sizeOnly`, only the size.
    static KPDecodeReply decode(const QByteArray& bytes, const QByteArray& coder, bool sizeOnly,
                                bool orient = true);
};
