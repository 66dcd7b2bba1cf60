#pragma once

#include <QByteArray>
#include <QImage>

// The orientation a PNG file states: Qt's PNG reader applies none. It is taken from the
// file's EXIF chunk, or, when it has none, from its XMP packet (tiff:Orientation), as
// some photo editors and phones write it.
class KPPngOrientation
{
public:
    KPPngOrientation() = delete;

    // The EXIF orientation (1 to 8) the chunks before the picture data give; 1 when none
    // does, or the bytes are no PNG.
    static int of(const QByteArray& png);
    // The orientation of an EXIF block (a TIFF header and its first directory); 0 when
    // it holds none.
    static int fromExif(QByteArrayView exif);
    // The tiff:Orientation of an XMP packet, as an attribute or an element; 0 when it
    // holds none.
    static int fromXmp(QByteArrayView xmp);

    // The picture as shown with that orientation.
    static QImage applied(const QImage& stored, int orientation);
    // Whether the orientation turns the picture by a quarter, swapping its sides.
    static bool swapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }
};
