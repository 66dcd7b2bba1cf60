#include "engine/formats/KPRawPlugin.h"

#include "engine/formats/KPRawHandler.h"

QImageIOPlugin::Capabilities KPRawPlugin::capabilities(QIODevice* device,
                                                       const QByteArray& format) const
{
    // Asked by name, the handler takes the bytes as they are: a DNG or a raw file of a
    // TIFF-based kind would otherwise go to the TIFF reader, which shows its preview.
    if (KPRawHandler::isRawFormat(format))
        return CanRead;
    if (!format.isEmpty() || !device || !device->isOpen())
        return {};
    return device->isReadable() && KPRawHandler::startsLikeRaw(device) ? CanRead : Capabilities();
}

QImageIOHandler* KPRawPlugin::create(QIODevice* device, const QByteArray& format) const
{
    auto* handler = new KPRawHandler;
    handler->setDevice(device);
    handler->setFormat(format.isEmpty() ? QByteArray("raw") : format);
    return handler;
}
