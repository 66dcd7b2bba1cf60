#include "engine/formats/KPHelperSession.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include <algorithm>
#include <vector>

KPHelperSession::KPHelperSession() : m_reader(KPHelperRequest::requestBounds())
{
    if (!m_out.open(stdout, QIODevice::WriteOnly))
        std::_Exit(BadRequestExit);
}

// Reads exactly up to the end of the next frame, which must be of `type`: what follows
// it stays unread until asked for.
std::optional<KPHelperWire::Frame> KPHelperSession::readFrame(KPHelperWire::FrameType type)
{
    std::vector<char> buffer(size_t(1) << 20);
    for (;;) {
        if (std::optional<KPHelperWire::Frame> frame = m_reader.takeFrame()) {
            if (frame->type != type)
                return std::nullopt;
            return frame;
        }
        const auto wanted = size_t(std::min<qint64>(m_reader.wanted(), qint64(buffer.size())));
        const ssize_t got = ::read(STDIN_FILENO, buffer.data(), wanted);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || !m_reader.feed(QByteArrayView(buffer.data(), got)))
            return std::nullopt;
    }
}

std::optional<KPHelperRequest> KPHelperSession::readRequest()
{
    const std::optional<KPHelperWire::Frame> frame = readFrame(KPHelperWire::FrameType::Request);
    if (!frame)
        return std::nullopt;
    return KPHelperRequest::decode(frame->payload);
}

std::optional<QByteArray> KPHelperSession::readInput()
{
    std::optional<KPHelperWire::Frame> frame = readFrame(KPHelperWire::FrameType::Input);
    if (!frame)
        return std::nullopt;
    return std::move(frame->payload);
}

void KPHelperSession::finish(bool written)
{
    std::_Exit(written && m_out.flush() ? 0 : 1);
}
