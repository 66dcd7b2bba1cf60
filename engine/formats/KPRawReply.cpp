#include "engine/formats/KPRawReply.h"

#include <QtEndian>

#include <cstring>

namespace {
constexpr char Magic[4] = {'K', 'P', 'R', '1'};
constexpr qsizetype HeaderBytes = 12;
} // namespace

QByteArray KPRawReply::encode() const
{
    QByteArray out(HeaderBytes, Qt::Uninitialized);
    std::memcpy(out.data(), Magic, 4);
    qToLittleEndian(quint32(size.width()), out.data() + 4);
    qToLittleEndian(quint32(size.height()), out.data() + 8);
    return out + rgb;
}

std::optional<KPRawReply> KPRawReply::decode(const QByteArray& bytes, bool withPixels)
{
    if (bytes.size() < HeaderBytes || std::memcmp(bytes.constData(), Magic, 4) != 0)
        return std::nullopt;
    const quint32 width = qFromLittleEndian<quint32>(bytes.constData() + 4);
    const quint32 height = qFromLittleEndian<quint32>(bytes.constData() + 8);
    if (width < 1 || height < 1 || width > 1000000 || height > 1000000)
        return std::nullopt;
    const qint64 pixelBytes = withPixels ? qint64(width) * height * 3 : 0;
    if (bytes.size() - HeaderBytes != pixelBytes)
        return std::nullopt;
    return KPRawReply{QSize(int(width), int(height)), bytes.mid(HeaderBytes)};
}
