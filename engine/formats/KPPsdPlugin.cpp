#include "engine/formats/KPPsdPlugin.h"

#include "engine/formats/KPPsdHandler.h"

QImageIOPlugin::Capabilities KPPsdPlugin::capabilities(QIODevice* device,
                                                       const QByteArray& format) const
{
    // Asked by name for a file that is no Photoshop document, the reader declines, so
    // that a misnamed picture is still recognised by its content.
    if (format == "psd")
        return !device || !device->isOpen() || KPPsdHandler::canRead(device) ? CanRead
                                                                             : Capabilities();
    if (!format.isEmpty() || !device || !device->isOpen())
        return {};
    return device->isReadable() && KPPsdHandler::canRead(device) ? CanRead : Capabilities();
}

QImageIOHandler* KPPsdPlugin::create(QIODevice* device, const QByteArray& format) const
{
    auto* handler = new KPPsdHandler;
    handler->setDevice(device);
    handler->setFormat(format.isEmpty() ? QByteArray("psd") : format);
    return handler;
}
