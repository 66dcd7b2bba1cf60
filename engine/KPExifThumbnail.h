#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QSize>

// The small JPEG a camera stores in a photo's EXIF block (its second directory), read for
// the table's thumbnails: decoding it costs a fraction of even a 1/8 decode of the photo,
// whose every coefficient still has to be read. It is taken only when it shows the whole
// photo, in its proportions (an edited photo may carry the camera's frame still, or a
// thumbnail padded to 4:3 with bars), and holds enough pixels for what is asked.
class KPExifThumbnail
{
public:
    KPExifThumbnail() = delete;

    // The thumbnail of `jpeg`, a photo of `upright` pixels, turned upright by the photo's
    // orientation and scaled to fit `box`; a null image when it has none, or none that
    // shows the whole photo with at least the pixels of the photo scaled into `box`.
    static QImage read(QByteArrayView jpeg, QSize upright, QSize box);
    // The thumbnail's own bytes, a JPEG, and the photo's orientation (1 to 8); empty bytes
    // when the EXIF block holds no JPEG thumbnail.
    struct Found
    {
        QByteArrayView bytes;
        int orientation = 1;
    };
    static Found find(QByteArrayView jpeg);
};
