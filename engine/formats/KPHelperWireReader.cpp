#include "engine/formats/KPHelperWireReader.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

using KPHelperWire::Frame;
using KPHelperWire::FrameType;

qint64 KPHelperWireReader::wanted() const
{
    switch (m_stage) {
    case Stage::Magic:
        return KPHelperWire::MagicBytes - m_got;
    case Stage::Header:
        return KPHelperWire::HeaderBytes - m_got;
    case Stage::Payload:
        return m_frame.payload.size() - m_got;
    }
    return 0;
}

bool KPHelperWireReader::atFrameEnd() const
{
    return !failed() && m_stage == Stage::Header && m_got == 0;
}

bool KPHelperWireReader::fail(const QString& why)
{
    if (m_error.isEmpty())
        m_error = why;
    m_frame = Frame();
    return false;
}

bool KPHelperWireReader::feed(QByteArrayView bytes)
{
    if (failed())
        return false;
    const char* at = bytes.data();
    qint64 left = bytes.size();
    while (left > 0) {
        const qint64 taken = std::min(left, wanted());
        char* target = m_stage == Stage::Payload  ? m_frame.payload.data()
                       : m_stage == Stage::Header ? m_head
                                                  : nullptr;
        if (target)
            std::memcpy(target + m_got, at, size_t(taken));
        else if (std::memcmp(KPHelperWire::Magic + m_got, at, size_t(taken)) != 0)
            return fail(QStringLiteral("the stream does not begin with the wire's magic"));
        m_got += taken;
        at += taken;
        left -= taken;
        if (wanted() > 0)
            continue;
        if (m_stage == Stage::Magic) {
            m_stage = Stage::Header;
            m_got = 0;
            m_total = KPHelperWire::MagicBytes;
        } else if (m_stage == Stage::Header) {
            if (!startFrame())
                return false;
        } else {
            endFrame();
        }
    }
    return true;
}

// The header is whole: the frame is held to its bounds before its payload is allocated.
bool KPHelperWireReader::startFrame()
{
    const auto type = qFromLittleEndian<quint32>(m_head);
    const auto length = qFromLittleEndian<quint64>(m_head + 4);
    const auto limit = std::find_if(
        m_bounds.limits.cbegin(), m_bounds.limits.cend(),
        [type](const KPHelperWire::Limit& each) { return quint32(each.type) == type; });
    if (limit == m_bounds.limits.cend())
        return fail(QStringLiteral("a frame of type %1, which this stream may not hold").arg(type));
    if (length > quint64(limit->maxLength))
        return fail(QStringLiteral("a frame of type %1 of %2 bytes, where at most %3 may come")
                        .arg(type)
                        .arg(length)
                        .arg(limit->maxLength));
    if (m_counts[type] >= limit->maxCount)
        return fail(
            QStringLiteral("more than %1 frames of type %2").arg(limit->maxCount).arg(type));
    if (m_total + KPHelperWire::HeaderBytes + qint64(length) > m_bounds.maxTotal)
        return fail(QStringLiteral("more than %1 bytes in all").arg(m_bounds.maxTotal));
    ++m_counts[type];
    m_total += KPHelperWire::HeaderBytes + qint64(length);
    m_frame.type = FrameType(type);
    m_frame.payload = QByteArray(qsizetype(length), Qt::Uninitialized);
    m_stage = Stage::Payload;
    m_got = 0;
    if (length == 0)
        endFrame();
    return true;
}

void KPHelperWireReader::endFrame()
{
    m_frames.append(std::move(m_frame));
    m_frame = Frame();
    m_stage = Stage::Header;
    m_got = 0;
}

std::optional<Frame> KPHelperWireReader::takeFrame()
{
    if (m_frames.isEmpty())
        return std::nullopt;
    return m_frames.takeFirst();
}

QList<Frame> KPHelperWireReader::takeFrames()
{
    return std::exchange(m_frames, {});
}
