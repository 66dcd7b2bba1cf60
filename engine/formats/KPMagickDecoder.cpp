#include "engine/formats/KPMagickDecoder.h"

#include "engine/formats/KPIcnsLayout.h"
#include "engine/formats/KPIcoLayout.h"
#include "engine/formats/KPMagickColour.h"

#include <Magick++.h>

#include <QColorSpace>

#include <algorithm>
#include <array>
#include <vector>

namespace {
// The coders of the accepted types Qt also reads, and JPEG 2000 for icons. ICNS is no
// ImageMagick coder: its largest encoded icon is read with the coder of its data.
constexpr std::array<const char*, 9> Coders = {"BMP", "ICO",  "TIFF", "GIF", "JPEG",
                                               "PNG", "WEBP", "ICNS", "JP2"};

// The memory limit prepare() was given.
qint64 memoryLimit = 0;

KPFailure reasonFor(const Magick::Exception& error)
{
    if (dynamic_cast<const Magick::ErrorResourceLimit*>(&error) ||
        dynamic_cast<const Magick::WarningResourceLimit*>(&error) ||
        dynamic_cast<const Magick::ErrorCache*>(&error))
        return KPFailure::TooLargeToDecode;
    if (dynamic_cast<const Magick::ErrorMissingDelegate*>(&error) ||
        dynamic_cast<const Magick::ErrorPolicy*>(&error))
        return KPFailure::Unsupported;
    return KPFailure::Damaged;
}

// Reads the first picture with the named coder. Warnings about the picture's
// data (a short file, a bad checksum) fail it, as the engine's other readers do: ImageMagick fills
// what is missing and carries on. Others (an unknown tag) do not.
KPFailure read(Magick::Image& picture, const Magick::Blob& blob, const char* coder, bool sizeOnly)
{
    try {
        picture.quiet(false);
        picture.subImage(0);
        picture.subRange(1);
        // Photoshop's layers inside a TIFF are no part of its picture.
        picture.defineValue("tiff", "ignore-layers", "true");
        picture.magick(coder);
        if (sizeOnly)
            picture.ping(blob);
        else
            picture.read(blob);
    } catch (const Magick::WarningCorruptImage&) {
        return KPFailure::Damaged;
    } catch (const Magick::Warning&) {
        // The picture was read; the warning was about something else.
    } catch (const Magick::Exception& error) {
        return reasonFor(error);
    } catch (const std::exception&) {
        return KPFailure::TooLargeToDecode; // std::bad_alloc under the address-space limit
    }
    if (picture.columns() < 1 || picture.rows() < 1 ||
        picture.columns() > size_t(KPDecodeReply::MaxSide) ||
        picture.rows() > size_t(KPDecodeReply::MaxSide))
        return KPFailure::Damaged;
    return KPFailure::None;
}
} // namespace

bool KPMagickDecoder::knowsCoder(const QByteArray& coder)
{
    return std::any_of(Coders.begin(), Coders.end(),
                       [&coder](const char* known) { return coder == known; });
}

void KPMagickDecoder::prepare(qint64 limit)
{
    memoryLimit = limit;
    Magick::InitializeMagick(nullptr);
    // Only ever lowered: the system policy may be stricter. Beyond its memory limit
    // ImageMagick would move the pixels to a file; this process keeps them in memory or
    // gives up. Its own time limit would end the process with no answer; the reader's
    // timeout covers that.
    using Limits = Magick::ResourceLimits;
    const auto memory = MagickCore::MagickSizeType(std::max<qint64>(memoryLimit, 64 << 20));
    Limits::memory(std::min(Limits::memory(), memory));
    Limits::map(std::min(Limits::map(), memory));
    Limits::disk(0);
    Limits::width(std::min(Limits::width(), MagickCore::MagickSizeType(KPDecodeReply::MaxSide)));
    Limits::height(std::min(Limits::height(), MagickCore::MagickSizeType(KPDecodeReply::MaxSide)));
    Limits::listLength(std::min(Limits::listLength(), MagickCore::MagickSizeType(10000)));
    Limits::thread(1);
}

void KPMagickDecoder::load(const QByteArray& coder)
{
    if (!knowsCoder(coder))
        return;
    // A ping of a few bytes that are no picture loads the coder's module, the libraries
    // it needs and the texts of ImageMagick's messages. An icon's pictures may be PNGs,
    // which ImageMagick's ICO coder hands to its PNG coder; an ICNS file's icons are read
    // with the coder of their data.
    const char nothing[16] = {};
    const Magick::Blob blob(nothing, sizeof nothing);
    std::vector<const char*> used{coder.constData()};
    if (coder == "ICO")
        used = {"ICO", "PNG"};
    else if (coder == "ICNS")
        used = {"PNG", "JP2", "J2K"};
    for (const char* each : used) {
        Magick::Image picture;
        read(picture, blob, each, true);
    }
}

KPDecodeReply KPMagickDecoder::decode(const QByteArray& bytes, const QByteArray& coder,
                                      bool sizeOnly, bool orient)
{
    if (!knowsCoder(coder) || bytes.isEmpty())
        return KPDecodeReply::failed(KPFailure::Unsupported);
    Magick::Blob blob;
    QByteArray dataCoder = coder;
    std::optional<QByteArray> single;
    if (coder == "ICO") {
        // The largest of an icon file's pictures, as from Qt's reader.
        if (const std::optional<int> largest = KPIcoLayout::largest(bytes))
            single = KPIcoLayout::alone(bytes, *largest);
        if (!single)
            return KPDecodeReply::failed(KPFailure::Damaged);
        blob = Magick::Blob(single->constData(), size_t(single->size()));
    } else if (coder == "ICNS") {
        const std::optional<KPIcnsLayout::Icon> icon = KPIcnsLayout::largest(bytes, true);
        if (!icon)
            return KPDecodeReply::failed(KPFailure::Damaged);
        dataCoder = icon->data == KPIcnsLayout::Data::Png ? "PNG" : "JP2";
        if (icon->data == KPIcnsLayout::Data::Jpeg2000 && uchar(bytes.at(icon->offset)) == 0xff)
            dataCoder = "J2K"; // a bare codestream
        blob = Magick::Blob(bytes.constData() + icon->offset, size_t(icon->length));
    } else {
        blob = Magick::Blob(bytes.constData(), size_t(bytes.size()));
    }

    Magick::Image picture;
    const KPFailure failure = read(picture, blob, dataCoder.constData(), sizeOnly);
    if (failure != KPFailure::None)
        return KPDecodeReply::failed(failure);

    QSize size(int(picture.columns()), int(picture.rows()));
    // ImageMagick keeps 16 bits a channel and four channels: a picture that cannot fit
    // fails from its header already, so that it is not kept as it is.
    if (memoryLimit > 0 && qint64(size.width()) * size.height() * 8 > memoryLimit)
        return KPDecodeReply::failed(KPFailure::TooLargeToDecode);
    const Magick::OrientationType orientation =
        orient ? picture.orientation() : Magick::UndefinedOrientation;
    const bool turned = orientation == Magick::LeftTopOrientation ||
                        orientation == Magick::RightTopOrientation ||
                        orientation == Magick::RightBottomOrientation ||
                        orientation == Magick::LeftBottomOrientation;
    if (sizeOnly)
        return KPDecodeReply{KPFailure::None, turned ? size.transposed() : size, {}};

    QColorSpace colorSpace;
    QImage out;
    try {
        if (orient)
            picture.autoOrient();
        size = QSize(int(picture.columns()), int(picture.rows()));
        colorSpace = KPMagickColour::toRgb(picture);
        const bool transparent = picture.matte();
        out = QImage(size, transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (out.isNull())
            return KPDecodeReply::failed(KPFailure::TooLargeToDecode);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        const char* order = "BGRA";
#else
        const char* order = "ARGB";
#endif
        picture.write(0, 0, size_t(size.width()), size_t(size.height()), order, Magick::CharPixel,
                      out.bits());
        if (!transparent) {
            // Some coders leave an unused alpha byte at 0; Qt's opaque format wants 255.
            for (int y = 0; y < out.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
                for (int x = 0; x < out.width(); ++x)
                    line[x] |= 0xff000000u;
            }
        }
    } catch (const Magick::Exception& error) {
        return KPDecodeReply::failed(reasonFor(error));
    } catch (const std::exception&) {
        return KPDecodeReply::failed(KPFailure::TooLargeToDecode);
    }
    if (colorSpace.isValid())
        out.setColorSpace(colorSpace);
    return KPDecodeReply{KPFailure::None, size, out};
}
