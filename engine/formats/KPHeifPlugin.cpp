#include "engine/formats/KPHeifPlugin.h"

#include "engine/formats/KPHelperHandler.h"

#include <QIODevice>

bool KPHeifPlugin::isHeifFormat(const QByteArray& format)
{
    return format == "heic" || format == "heif" || format == "avif";
}

bool KPHeifPlugin::canRead(QIODevice* device)
{
    if (!device)
        return false;
    const QByteArray head = device->peek(12);
    if (head.size() < 12 || head.mid(4, 4) != "ftyp")
        return false;
    const QByteArray brand = head.mid(8, 4);
    for (const char* known :
         {"heic", "heix", "hevc", "hevx", "heim", "heis", "mif1", "msf1", "avif", "avis"}) {
        if (brand == known)
            return true;
    }
    return false;
}

QImageIOPlugin::Capabilities KPHeifPlugin::capabilities(QIODevice* device,
                                                        const QByteArray& format) const
{
    // Asked by name for a file that is no HEIF, the reader declines, so that a misnamed
    // picture is still recognised by its content.
    if (isHeifFormat(format))
        return !device || !device->isOpen() || canRead(device) ? CanRead : Capabilities();
    if (!format.isEmpty() || !device || !device->isOpen())
        return {};
    return device->isReadable() && canRead(device) ? CanRead : Capabilities();
}

QImageIOHandler* KPHeifPlugin::create(QIODevice* device, const QByteArray& format) const
{
    auto* handler = new KPHelperHandler(KPDecodeHelper::Kind::Heif);
    handler->setDevice(device);
    handler->setFormat(format.isEmpty() ? QByteArray("heif") : format);
    return handler;
}
