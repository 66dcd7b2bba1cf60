#pragma once

#include "engine/formats/KPRawReply.h"

#include <QByteArray>

#include <optional>

// LibRaw's part of reading a raw file. It runs in a process of its own, pictaro-raw:
// LibRaw 0.20 (Debian 12) crashes on some damaged files while still reading their
// header, and such a file must fail its job, not end Pictaro. The process also bounds
// the time and memory a file can take.
class KPRawDeveloper
{
public:
    KPRawDeveloper() = delete;

    // A file must hold at least one byte for this many of the pixels its header
    // claims. Real raw data, even compressed, takes more than a bit a pixel.
    static constexpr qint64 MaxPixelsPerByte = 64;

    // The upright size, from the header alone. Nothing when LibRaw does not take the
    // file, its header claims more pixels than the file can hold, or the raw data it
    // announces runs past the end of the file. `memoryLimit` (bytes, 0 for none) bounds
    // LibRaw's buffers.
    static std::optional<KPRawReply> size(const QByteArray& bytes, qint64 memoryLimit);
    // The developed picture: the camera's white balance, sRGB primaries and tone curve,
    // 8 bits a channel, upright. `half` develops at half the size without demosaicing,
    // for thumbnails.
    static std::optional<KPRawReply> develop(const QByteArray& bytes, qint64 memoryLimit,
                                             bool half);
};
