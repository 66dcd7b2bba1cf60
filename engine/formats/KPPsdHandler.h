#pragma once

#include <QImageIOHandler>

// Reads the merged picture of a Photoshop document (PSD, and PSB of the same layout)
// through ImageMagick's Magick++: 1-, 8-, 16- and 32-bit documents in greyscale,
// indexed, RGB, CMYK, Lab, duotone and bitmap modes. The picture comes out as 8 bits a
// channel in sRGB (CMYK through its embedded profile when it has one), or tagged with
// its embedded RGB profile for the caller to convert.
class KPPsdHandler : public QImageIOHandler
{
public:
    bool canRead() const override;
    bool read(QImage* image) override;
    bool supportsOption(ImageOption option) const override;
    QVariant option(ImageOption option) const override;

    // Whether the device starts like a Photoshop document.
    static bool canRead(QIODevice* device);

    // The largest file the handler takes into memory.
    static constexpr qint64 MaxFileBytes = qint64(4) << 30;
};
