#include "engine/formats/KPDeviceBytes.h"

#include <QBuffer>

QByteArray KPDeviceBytes::peekAll(QIODevice* device, qint64 maxBytes)
{
    if (!device || !device->isReadable() || device->isSequential())
        return {};
    const qint64 start = device->pos();
    const qint64 available = device->size() - start;
    if (available <= 0 || available > maxBytes)
        return {};
    if (auto* buffer = qobject_cast<QBuffer*>(device); buffer && start == 0)
        return buffer->data();
    QByteArray bytes = device->read(available);
    device->seek(start);
    return bytes.size() == available ? bytes : QByteArray();
}
