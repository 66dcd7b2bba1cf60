#include "engine/formats/KPMagickColour.h"

#include <Magick++.h>

#include <QByteArray>

QColorSpace KPMagickColour::toRgb(Magick::Image& picture)
{
    const Magick::Blob profile = picture.iccColorProfile();
    switch (picture.colorSpace()) {
    case Magick::sRGBColorspace:
    case Magick::RGBColorspace:
    case Magick::GRAYColorspace: {
        if (profile.length() == 0)
            return {};
        return QColorSpace::fromIccProfile(
            QByteArray(static_cast<const char*>(profile.data()), qsizetype(profile.length())));
    }
    case Magick::CMYKColorspace:
        if (profile.length() > 0) {
            const QByteArray srgb = QColorSpace(QColorSpace::SRgb).iccProfile();
            try {
                picture.profile("ICC", Magick::Blob(srgb.constData(), size_t(srgb.size())));
                if (picture.colorSpace() != Magick::CMYKColorspace)
                    return {};
            } catch (const Magick::Exception&) {
                // A profile lcms cannot use: fall back to the plain formulas below.
            }
        }
        picture.colorSpace(Magick::sRGBColorspace);
        return {};
    default:
        picture.colorSpace(Magick::sRGBColorspace);
        return {};
    }
}
