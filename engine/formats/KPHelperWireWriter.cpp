#include "engine/formats/KPHelperWireWriter.h"

#include <QIODevice>
#include <QtEndian>

bool KPHelperWireWriter::header(KPHelperWire::FrameType type, qint64 length)
{
    QByteArray bytes;
    if (!m_started)
        bytes.append(KPHelperWire::Magic, KPHelperWire::MagicBytes);
    m_started = true;
    put32(bytes, quint32(type));
    put64(bytes, quint64(length));
    return part(bytes);
}

bool KPHelperWireWriter::part(QByteArrayView bytes)
{
    return m_device.write(bytes.data(), bytes.size()) == bytes.size();
}

bool KPHelperWireWriter::frame(KPHelperWire::FrameType type, QByteArrayView payload)
{
    return header(type, payload.size()) && part(payload);
}

bool KPHelperWireWriter::refuse(KPFailure reason)
{
    QByteArray payload;
    put32(payload, quint32(reason));
    return frame(KPHelperWire::FrameType::Failure, payload);
}

void KPHelperWireWriter::put32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void KPHelperWireWriter::put64(QByteArray& out, quint64 value)
{
    char bytes[8];
    qToLittleEndian(value, bytes);
    out.append(bytes, 8);
}
