#include "engine/formats/KPPsdHandler.h"

#include "engine/formats/KPDecodeHelper.h"
#include "engine/formats/KPDeviceBytes.h"
#include "engine/formats/KPPsdLayout.h"

#include <QColorSpace>
#include <QImage>
#include <QImageReader>
#include <QVariant>

bool KPPsdHandler::canRead(QIODevice* device)
{
    return device && KPPsdLayout::readHeader(device->peek(KPPsdLayout::HeaderSize)).has_value();
}

bool KPPsdHandler::canRead() const
{
    // The whole layout, not only the header: the engine keeps a file under the size
    // limit without decoding it, and a document cut short must not pass for whole.
    if (!KPPsdLayout::read(KPDeviceBytes::peekAll(device(), KPDecodeHelper::MaxFileBytes)))
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
    const QByteArray bytes = KPDeviceBytes::peekAll(device(), KPDecodeHelper::MaxFileBytes);
    const std::optional<KPPsdLayout> layout = KPPsdLayout::read(bytes);
    // The picture is held to Qt's allocation limit, as one Qt decodes is.
    const qint64 limit = qint64(QImageReader::allocationLimit()) << 20;
    if (!layout ||
        (limit > 0 && qint64(layout->size().width()) * layout->size().height() * 4 > limit))
        return false;
    const KPDecodeReply decoded =
        KPDecodeHelper::decode(KPDecodeHelper::Kind::Psd, bytes, {}, {}, {}, layout->size());
    if (!decoded.ok() || decoded.picture.size() != layout->size())
        return false;
    *image = decoded.picture;
    image->setColorSpace(QColorSpace(QColorSpace::SRgb));
    device()->seek(device()->size());
    return true;
}
