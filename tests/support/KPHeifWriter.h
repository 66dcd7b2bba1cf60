#pragma once

#include <QByteArray>
#include <QImage>

// Writes HEIC files the way phones do where heif-enc cannot: the picture stored as the
// sensor saw it, with the turn that shows it upright both in the file's own
// transformation boxes (irot, imir) and in its EXIF orientation. A reader that applies
// both shows it turned twice.
class KPHeifWriter
{
public:
    KPHeifWriter() = delete;

    // `orientation` is the EXIF orientation (1 to 8) of the stored picture; empty on
    // failure. `colourPrimaries`, when not 0, is written as the file's colour parameters
    // (an H.273 code, with the sRGB curve), as heif-enc 1.15 cannot.
    static QByteArray heic(const QImage& stored, int orientation, int quality = 90,
                           int colourPrimaries = 0);
};
