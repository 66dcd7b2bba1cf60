#pragma once

#include <QByteArray>

class QIODevice;

// The bytes a picture reader works on. Both libraries behind the plugins here want the
// whole file in memory; the engine already holds it in a QBuffer, so that data is
// shared rather than copied.
class KPDeviceBytes
{
public:
    KPDeviceBytes() = delete;

    // Everything from the device's position to its end, leaving the position where it
    // was. Empty when the device cannot be read or holds more than `maxBytes`.
    static QByteArray peekAll(QIODevice* device, qint64 maxBytes);
};
