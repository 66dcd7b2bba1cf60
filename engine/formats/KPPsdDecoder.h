#pragma once

#include "engine/formats/KPDecodeReply.h"

#include <QByteArray>

// Reads the merged picture of a Photoshop document (PSD, and PSB of the same layout)
// through ImageMagick's Magick++, in pictaro-decode: 1-, 8-, 16- and 32-bit documents in
// greyscale, indexed, RGB, CMYK, Lab, duotone and bitmap modes. The picture comes out as
// 8 bits a channel in sRGB (CMYK through its embedded profile when it has one), or
// tagged with its embedded RGB profile for the helper to convert. Pictaro checks the
// document's layout (KPPsdLayout) before it hands it over; it is checked here again.
class KPPsdDecoder
{
public:
    KPPsdDecoder() = delete;

    // Sets ImageMagick up for a document whose picture may take `memoryLimit` bytes at
    // 8 bits a channel, and loads its Photoshop coder, before the sandbox.
    static void prepare(qint64 memoryLimit);

    // The picture, or only its size, from the layout.
    static KPDecodeReply decode(QByteArray bytes, bool sizeOnly);
};
