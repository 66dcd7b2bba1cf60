#pragma once

#include <QImageIOHandler>

// Reads the merged picture of a Photoshop document (PSD, and PSB of the same layout):
// its layout is checked here (KPPsdLayout), its pixels decoded by ImageMagick in
// pictaro-decode (see KPPsdDecoder). The picture comes out as 8 bits a channel in sRGB.
class KPPsdHandler : public QImageIOHandler
{
public:
    bool canRead() const override;
    bool read(QImage* image) override;
    bool supportsOption(ImageOption option) const override;
    QVariant option(ImageOption option) const override;

    // Whether the device starts like a Photoshop document.
    static bool canRead(QIODevice* device);
};
