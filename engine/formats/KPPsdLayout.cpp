#include "engine/formats/KPPsdLayout.h"

#include <QtEndian>

#include <cstring>

namespace {
quint16 big16(QByteArrayView bytes, qint64 at)
{
    return qFromBigEndian<quint16>(bytes.data() + at);
}

quint32 big32(QByteArrayView bytes, qint64 at)
{
    return qFromBigEndian<quint32>(bytes.data() + at);
}

quint64 big64(QByteArrayView bytes, qint64 at)
{
    return qFromBigEndian<quint64>(bytes.data() + at);
}

// Steps over a section that starts with its own length. False when the length field or
// the section runs past the end.
bool skipSection(QByteArrayView bytes, qint64& at, int lengthBytes)
{
    if (at + lengthBytes > bytes.size())
        return false;
    const quint64 length = lengthBytes == 8 ? big64(bytes, at) : big32(bytes, at);
    at += lengthBytes;
    if (length > quint64(bytes.size() - at))
        return false;
    at += qint64(length);
    return true;
}
} // namespace

std::optional<KPPsdLayout> KPPsdLayout::readHeader(QByteArrayView bytes)
{
    if (bytes.size() < HeaderSize || std::memcmp(bytes.data(), "8BPS", 4) != 0)
        return std::nullopt;
    KPPsdLayout layout;
    layout.m_version = big16(bytes, 4);
    if (layout.m_version != 1 && layout.m_version != 2)
        return std::nullopt;
    layout.m_channels = big16(bytes, 12);
    const quint32 height = big32(bytes, 14);
    const quint32 width = big32(bytes, 18);
    layout.m_depth = big16(bytes, 22);
    const quint16 mode = big16(bytes, ColorModeOffset);

    // The limits of the format itself: 30,000 pixels a side, 300,000 for PSB.
    const quint32 maxSide = layout.m_version == 1 ? 30000 : 300000;
    if (layout.m_channels < 1 || layout.m_channels > 56 || width < 1 || height < 1 ||
        width > maxSide || height > maxSide)
        return std::nullopt;
    if (layout.m_depth != 1 && layout.m_depth != 8 && layout.m_depth != 16 && layout.m_depth != 32)
        return std::nullopt;
    switch (ColorMode(mode)) {
    case ColorMode::Bitmap:
    case ColorMode::Greyscale:
    case ColorMode::Indexed:
    case ColorMode::Rgb:
    case ColorMode::Cmyk:
    case ColorMode::Multichannel:
    case ColorMode::Duotone:
    case ColorMode::Lab:
        break;
    default:
        return std::nullopt;
    }
    layout.m_colorMode = ColorMode(mode);
    layout.m_size = QSize(int(width), int(height));
    return layout;
}

std::optional<KPPsdLayout> KPPsdLayout::read(QByteArrayView bytes)
{
    std::optional<KPPsdLayout> layout = readHeader(bytes);
    if (!layout)
        return std::nullopt;
    qint64 at = HeaderSize;
    // Colour mode data, image resources, then layers and masks (a 64-bit length in PSB).
    if (!skipSection(bytes, at, 4) || !skipSection(bytes, at, 4) ||
        !skipSection(bytes, at, layout->isLargeDocument() ? 8 : 4))
        return std::nullopt;
    if (at + 2 > bytes.size())
        return std::nullopt;
    const quint16 compression = big16(bytes, at);
    if (compression > quint16(Compression::ZipPredicted))
        return std::nullopt;
    layout->m_compression = Compression(compression);
    if (!layout->mergedDataComplete(bytes, at + 2))
        return std::nullopt;
    return layout;
}

bool KPPsdLayout::mergedDataComplete(QByteArrayView bytes, qint64 at) const
{
    const qint64 remaining = bytes.size() - at;
    const qint64 rowBytes = (qint64(m_size.width()) * m_depth + 7) / 8;
    const qint64 rows = qint64(m_size.height()) * m_channels;
    switch (m_compression) {
    case Compression::Raw:
        return rows * rowBytes <= remaining;
    case Compression::Rle: {
        // A table of every row's packed length, then the rows. PackBits turns two bytes
        // into at most 128, so a row shorter than that bound cannot hold its pixels;
        // it is what keeps a tiny file from claiming a huge picture.
        const int countBytes = isLargeDocument() ? 4 : 2;
        if (rows * countBytes > remaining)
            return false;
        const qint64 shortest = 2 * ((rowBytes + 127) / 128);
        qint64 packed = 0;
        for (qint64 row = 0; row < rows; ++row) {
            const qint64 count = countBytes == 4 ? qint64(big32(bytes, at + row * 4))
                                                 : qint64(big16(bytes, at + row * 2));
            if (count < shortest)
                return false;
            packed += count;
        }
        return packed <= remaining - rows * countBytes;
    }
    case Compression::Zip:
    case Compression::ZipPredicted:
        // Deflate packs at most 1032 bytes into one.
        return remaining > 0 && rows * rowBytes <= remaining * 1032;
    }
    return false;
}
