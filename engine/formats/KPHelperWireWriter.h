#pragma once

#include "engine/formats/KPHelperWire.h"

#include <QByteArrayView>

class QIODevice;

// Writes one stream of the helpers' wire (see KPHelperWire.h) onto a device: the magic
// before the first frame, then each frame's header and payload.
class KPHelperWireWriter
{
public:
    explicit KPHelperWireWriter(QIODevice& device) : m_device(device) {}

    // A whole frame.
    bool frame(KPHelperWire::FrameType type, QByteArrayView payload);
    // A frame's header alone: exactly `length` bytes must follow through `part`, or
    // outside this writer (Pictaro hands a file's bytes to the helper as they are).
    bool header(KPHelperWire::FrameType type, qint64 length);
    bool part(QByteArrayView bytes);

    // The helper's refusal: a Failure frame with its reason.
    bool refuse(KPFailure reason);

    // A number as the wire writes it, appended to `out`.
    static void put32(QByteArray& out, quint32 value);
    static void put64(QByteArray& out, quint64 value);

private:
    QIODevice& m_device;
    bool m_started = false;
};
