#include "engine/formats/KPPsdDecoder.h"

#include "engine/formats/KPMagickColour.h"
#include "engine/formats/KPMagickDecoder.h"
#include "engine/formats/KPPsdLayout.h"

#include <Magick++.h>

#include <QColorSpace>

#include <algorithm>

namespace {
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

// Reads the merged picture into `picture`, which has the layout's size; false when
// ImageMagick fails or reads another size. `transparent` and `colorSpace` say how to
// take its pixels.
bool readMerged(const QByteArray& bytes, const KPPsdLayout& layout, bool indexedAsGrey,
                QImage& picture, bool& transparent, QColorSpace& colorSpace)
{
    Magick::Image source;
    source.quiet(true); // warnings are no reason to give up a picture
    // The first scene alone is the merged picture; asking for no more keeps the layers
    // undecoded whenever the document has one.
    source.subImage(0);
    source.subRange(1);
    source.magick(layout.isLargeDocument() ? "PSB" : "PSD");
    source.defineValue("psd", "alpha-unblend", "off");
    source.read(Magick::Blob(bytes.constData(), size_t(bytes.size())));
    const QSize size = layout.size();
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
    return true;
}
} // namespace

void KPPsdDecoder::prepare(qint64 memoryLimit)
{
    // ImageMagick keeps 16 bits a channel: twice the bytes of the picture it gives.
    KPMagickDecoder::prepare(2 * memoryLimit);
    // A ping of a few bytes that are no document loads the coder's module (PSB is the
    // same module's).
    const char nothing[16] = {};
    try {
        Magick::Image picture;
        picture.quiet(true);
        picture.magick("PSD");
        picture.ping(Magick::Blob(nothing, sizeof nothing));
    } catch (const std::exception&) {
        // Expected: the bytes are no document.
    }
}

KPDecodeReply KPPsdDecoder::decode(QByteArray bytes, bool sizeOnly)
{
    const std::optional<KPPsdLayout> layout = KPPsdLayout::read(bytes);
    if (!layout)
        return KPDecodeReply::failed(KPFailure::Damaged);
    const QSize size = layout->size();
    if (sizeOnly)
        return KPDecodeReply{KPFailure::None, size, {}};
    QImage picture(size, QImage::Format_ARGB32);
    if (picture.isNull())
        return KPDecodeReply::failed(KPFailure::TooLargeToDecode);

    // ImageMagick 6.9.11 asks indexed documents for three channels and turns away the
    // single one they have. Read as greyscale, the index values still go through the
    // document's colour table, which gives the same colours.
    const bool indexedAsGrey =
        layout->colorMode() == KPPsdLayout::ColorMode::Indexed && layout->channels() < 3;
    if (indexedAsGrey)
        bytes[KPPsdLayout::ColorModeOffset + 1] = char(KPPsdLayout::ColorMode::Greyscale);
    QColorSpace colorSpace;
    bool transparent = false;
    try {
        if (!readMerged(bytes, *layout, indexedAsGrey, picture, transparent, colorSpace))
            return KPDecodeReply::failed(KPFailure::Damaged);
    } catch (const Magick::Exception& error) {
        return KPDecodeReply::failed(KPMagickDecoder::reasonFor(error));
    } catch (const std::exception&) {
        return KPDecodeReply::failed(KPFailure::TooLargeToDecode);
    }
    if (transparent) {
        if (layout->colorMode() == KPPsdLayout::ColorMode::Rgb)
            unmatteFromWhite(picture);
    } else {
        picture.reinterpretAsFormat(QImage::Format_RGB32);
    }
    if (colorSpace.isValid())
        picture.setColorSpace(colorSpace);
    return KPDecodeReply{KPFailure::None, size, picture};
}
