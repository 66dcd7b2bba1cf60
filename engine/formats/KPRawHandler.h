#pragma once

#include "engine/formats/KPHelperHandler.h"

#include <QByteArray>

class QIODevice;

// Develops camera raw files (Panasonic and Leica RAW, DNG and the other kinds LibRaw
// knows) into 8-bit sRGB pictures: the camera's white balance, LibRaw's default
// demosaicing and brightness, the sRGB tone curve, turned upright. LibRaw runs in
// pictaro-decode (see KPRawDeveloper.h), so a file that crashes it, or takes too long,
// only fails.
//
// Many raw files are TIFF inside, so the handler only claims content on its own when
// the start of the file can be nothing but raw; asked by one of the raw kinds' names,
// it takes any bytes, which it then either develops or turns away.
class KPRawHandler : public KPHelperHandler
{
public:
    KPRawHandler() : KPHelperHandler(KPDecodeHelper::Kind::Raw) {}

    // Whether the device starts with the signature of a raw kind that no other
    // picture type shares.
    static bool startsLikeRaw(QIODevice* device);
    // Whether the format name (a file's suffix in lower case) is one of the raw kinds'.
    static bool isRawFormat(const QByteArray& format);
};
