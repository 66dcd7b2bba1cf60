#include "engine/formats/KPPsdHandler.h"

#include "engine/formats/KPDeviceBytes.h"
#include "engine/formats/KPMagickColour.h"
#include "engine/formats/KPPsdLayout.h"

#include <Magick++.h>

#include <QColorSpace>
#include <QImage>
#include <QVariant>

#include <algorithm>

namespace {
// Magick++ wants one set-up per process before the first image, and pictures are
// decoded on several worker threads at once: a function-local static settles the race.
void prepareMagick()
{
    static const bool ready = [] {
        Magick::InitializeMagick(nullptr);
        // Only ever lowered: the system policy may already be stricter. Beyond the memory
        // limits ImageMagick moves its pixels to a file, bounded by the disk limit. Its
        // time limit is left alone: it counts from the process's first image and ends
        // the whole process when it runs out.
        using Limits = Magick::ResourceLimits;
        const MagickCore::MagickSizeType gib = MagickCore::MagickSizeType(1) << 30;
        Limits::memory(std::min(Limits::memory(), gib));
        Limits::map(std::min(Limits::map(), 2 * gib));
        Limits::disk(std::min(Limits::disk(), 4 * gib));
        // Layers are only read when a document has no merged picture; a document
        // claiming more than Photoshop allows is not one.
        Limits::listLength(std::min(Limits::listLength(), MagickCore::MagickSizeType(10000)));
        return true;
    }();
    Q_UNUSED(ready);
}

// The merged picture of a document with transparency is stored matted with white, as
// Photoshop writes it. ImageMagick takes the white out again, but lets colours that
// were never matted wrap around; this does the same with the results kept in range.
void unmatteFromWhite(QImage& picture)
{
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const int alpha = qAlpha(line[x]);
            if (alpha == 0 || alpha == 255)
                continue;
            auto unmatte = [alpha](int value) {
                return std::clamp((value - (255 - alpha)) * 255 / alpha, 0, 255);
            };
            line[x] = qRgba(unmatte(qRed(line[x])), unmatte(qGreen(line[x])),
                            unmatte(qBlue(line[x])), alpha);
        }
    }
}

} // namespace

bool KPPsdHandler::canRead(QIODevice* device)
{
    return device && KPPsdLayout::readHeader(device->peek(KPPsdLayout::HeaderSize)).has_value();
}

bool KPPsdHandler::canRead() const
{
    // The whole layout, not only the header: the engine keeps a file under the size
    // limit without decoding it, and a document cut short must not pass for whole.
    if (!KPPsdLayout::read(KPDeviceBytes::peekAll(device(), MaxFileBytes)))
        return false;
    setFormat("psd");
    return true;
}

bool KPPsdHandler::supportsOption(ImageOption option) const
{
    return option == Size;
}

QVariant KPPsdHandler::option(ImageOption option) const
{
    if (option != Size || !device())
        return {};
    const std::optional<KPPsdLayout> layout =
        KPPsdLayout::readHeader(device()->peek(KPPsdLayout::HeaderSize));
    return layout ? QVariant(layout->size()) : QVariant();
}

bool KPPsdHandler::read(QImage* image)
{
    QByteArray bytes = KPDeviceBytes::peekAll(device(), MaxFileBytes);
    const std::optional<KPPsdLayout> layout = KPPsdLayout::read(bytes);
    if (!layout)
        return false;
    const QSize size = layout->size();
    QImage picture;
    if (!allocateImage(size, QImage::Format_ARGB32, &picture))
        return false;

    // ImageMagick 6.9.11 asks indexed documents for three channels and turns away the
    // single one they have. Read as greyscale, the index values still go through the
    // document's colour table, which gives the same colours.
    const bool indexedAsGrey =
        layout->colorMode() == KPPsdLayout::ColorMode::Indexed && layout->channels() < 3;
    if (indexedAsGrey)
        bytes[KPPsdLayout::ColorModeOffset + 1] = char(KPPsdLayout::ColorMode::Greyscale);

    prepareMagick();
    QColorSpace colorSpace;
    bool transparent = false;
    try {
        Magick::Image source;
        source.quiet(true); // warnings are no reason to give up a picture
        // The first scene alone is the merged picture; asking for no more keeps the
        // layers undecoded whenever the document has one.
        source.subImage(0);
        source.subRange(1);
        source.magick(layout->isLargeDocument() ? "PSB" : "PSD");
        source.defineValue("psd", "alpha-unblend", "off");
        source.read(Magick::Blob(bytes.constData(), size_t(bytes.size())));
        bytes = QByteArray();
        if (source.columns() != size_t(size.width()) || source.rows() != size_t(size.height()))
            return false;
        if (indexedAsGrey)
            source.colorspaceType(Magick::sRGBColorspace);
        colorSpace = KPMagickColour::toRgb(source);
        transparent = source.matte();
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        const char* order = "BGRA";
#else
        const char* order = "ARGB";
#endif
        source.write(0, 0, size_t(size.width()), size_t(size.height()), order, Magick::CharPixel,
                     picture.bits());
    } catch (const std::exception&) {
        return false;
    }

    if (transparent) {
        if (layout->colorMode() == KPPsdLayout::ColorMode::Rgb)
            unmatteFromWhite(picture);
    } else {
        picture.reinterpretAsFormat(QImage::Format_RGB32);
    }
    if (colorSpace.isValid())
        picture.setColorSpace(colorSpace);
    *image = picture;
    device()->seek(device()->size());
    return true;
}
