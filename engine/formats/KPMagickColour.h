#pragma once

#include <QColorSpace>

namespace Magick {
class Image;
}

class KPMagickColour
{
public:
    KPMagickColour() = delete;

    // Brings a picture ImageMagick decoded to RGB: CMYK through its embedded profile
    // into sRGB when it has one, otherwise (CMYK without a profile, Lab, YCbCr) by
    // ImageMagick's formulas. Returns the RGB profile the picture still needs to be read
    // in, if any.
    static QColorSpace toRgb(Magick::Image& picture);
};
