#pragma once

#include "engine/formats/KPDecodeReply.h"

#include <QByteArray>
#include <QSize>

// Reads HEIF pictures (HEIC from phones, AVIF) through libheif, in pictaro-decode: the
// HEVC and AV1 decoders behind it have a history of security faults. The primary
// picture comes out as libheif shows it, with its rotation, mirroring and crop applied
// (the EXIF orientation such files also carry describes the stored picture and is not
// applied again), reduced to 8 bits a channel, in sRGB from its ICC profile or its
// colour parameters.
class KPHeifDecoder
{
public:
    KPHeifDecoder() = delete;

    // The size alone, or the picture. `box`, when valid, is the size the caller will
    // show it at: a thumbnail stored in the file that still covers the box is read
    // instead of the picture. Pictures whose pixels would take more than `memoryLimit`
    // bytes fail as too large.
    static KPDecodeReply decode(const QByteArray& bytes, qint64 memoryLimit, bool sizeOnly,
                                QSize box = {});
};
