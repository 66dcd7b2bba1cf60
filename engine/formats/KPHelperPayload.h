#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtEndian>

// Reads the fields of one frame's payload (see KPHelperWire.h) front to back: every read
// past the end fails, and so does the whole payload.
class KPHelperPayload
{
public:
    explicit KPHelperPayload(QByteArrayView bytes) : m_bytes(bytes) {}

    bool take32(quint32& value)
    {
        if (m_bytes.size() - m_at < 4)
            return false;
        value = qFromLittleEndian<quint32>(m_bytes.data() + m_at);
        m_at += 4;
        return true;
    }
    bool take64(quint64& value)
    {
        if (m_bytes.size() - m_at < 8)
            return false;
        value = qFromLittleEndian<quint64>(m_bytes.data() + m_at);
        m_at += 8;
        return true;
    }
    // `length` bytes, or what is left when it is negative.
    bool takeBytes(QByteArray& value, qsizetype length = -1)
    {
        if (length < 0)
            length = m_bytes.size() - m_at;
        if (m_bytes.size() - m_at < length)
            return false;
        value = m_bytes.sliced(m_at, length).toByteArray();
        m_at += length;
        return true;
    }
    qsizetype position() const { return m_at; }
    bool atEnd() const { return m_at == m_bytes.size(); }

private:
    QByteArrayView m_bytes;
    qsizetype m_at = 0;
};
