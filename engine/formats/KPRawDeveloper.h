#pragma once

#include "engine/formats/KPDecodeReply.h"

#include <QByteArray>

// LibRaw's part of reading a raw file. It runs in a process of its own, pictaro-decode:
// LibRaw 0.20 (Debian 12) crashes on some damaged files while still reading their
// header, and such a file must fail its job, not end Pictaro. The process also bounds
// the time and memory a file can take.
//
// LibRaw 0.20 knows no camera from after mid-2020 and no DNG compressed with JPEG XL.
// Such a file shows its largest embedded JPEG preview instead, when that is a picture
// of a useful size; otherwise it fails as a camera not supported.
class KPRawDeveloper
{
public:
    KPRawDeveloper() = delete;

    // A file must hold at least one byte for this many of the pixels its header
    // claims. Real raw data, even compressed, takes more than a bit a pixel.
    static constexpr qint64 MaxPixelsPerByte = 64;
    // The shortest long side an embedded preview must have to stand in for the picture.
    static constexpr int MinPreviewSide = 1000;

    // The upright size, from the header alone (the preview's, for a file only its
    // preview can show). Fails when LibRaw does not take the file, its header claims
    // more pixels than the file can hold, or the raw data it announces runs past the end
    // of the file. `memoryLimit` (bytes, 0 for none) bounds LibRaw's buffers.
    static KPDecodeReply size(const QByteArray& bytes, qint64 memoryLimit);
    // The developed picture: the camera's white balance, sRGB primaries and tone curve,
    // 8 bits a channel, upright. `half` develops at half the size without demosaicing,
    // for thumbnails.
    static KPDecodeReply develop(const QByteArray& bytes, qint64 memoryLimit, bool half);
};
