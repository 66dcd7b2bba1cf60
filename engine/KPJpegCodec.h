#pragma once

#include "engine/KPCodecTimer.h"

#include <QByteArray>
#include <QImage>

#include <functional>

// JPEG encoding and decoding of the working picture through libjpeg-turbo, straight
// from and into QImage's Format_RGB32 pixels without intermediate copies. One codec
// per thread.
class KPJpegCodec
{
public:
    KPJpegCodec() = default;
    KPJpegCodec(const KPJpegCodec&) = delete;
    KPJpegCodec& operator=(const KPJpegCodec&) = delete;

    // Asked between bands of rows while encoding or decoding: answering true abandons the
    // picture (the call fails), so Stop does not wait for a large picture to finish.
    void setCancelled(std::function<bool()> cancelled) { m_cancelled = std::move(cancelled); }

    // Encodes an opaque Format_RGB32 picture; empty data on failure. With a gate, rows
    // are read only once the gate lets them (the picture may still be being decoded).
    // `segments` (whole APPn marker segments, such as the metadata's) follow the header.
    QByteArray encode(const QImage& image, float factor,
                      const std::function<bool(int rows)>& gate = {},
                      const QByteArray& segments = {});
    // The same at a whole JPEG quality, 1 to 100. Optimized Huffman tables make the file
    // a few percent smaller for the same picture, for about a fifth more time.
    QByteArray encodeAtQuality(const QImage& image, int quality, bool optimizeCoding = false,
                               const std::function<bool(int rows)>& gate = {},
                               const QByteArray& segments = {});
    // Decodes JPEG data into Format_RGB32; a null image on failure or when the header
    // claims a picture larger than the decoder's allocation limit.
    QImage decode(const QByteArray& jpeg);

private:
    QByteArray encodeRows(const QImage& image, int quality, bool optimizeCoding,
                          const std::function<bool(int rows)>& gate,
                          const QByteArray& segments = {});

    std::function<bool()> m_cancelled;
};
