#include "engine/formats/KPIcoLayout.h"

#include <QtEndian>

#include <cstring>

namespace {
constexpr qsizetype HeaderSize = 6;
constexpr qsizetype EntrySize = 16;

struct Picture
{
    qint64 pixels = 0;
    int depth = 0; // bits a pixel; 0 when unknown
};

// What a PNG's header says: its size, and its bits a pixel from its sample depth and
// colour type.
std::optional<Picture> pngPicture(QByteArrayView data)
{
    if (data.size() < 33 || std::memcmp(data.data(), "\x89PNG\r\n\x1a\n", 8) != 0 ||
        std::memcmp(data.data() + 12, "IHDR", 4) != 0)
        return std::nullopt;
    const qint64 width = qFromBigEndian<quint32>(data.data() + 16);
    const qint64 height = qFromBigEndian<quint32>(data.data() + 20);
    const int bits = uchar(data[24]);
    const int colourType = uchar(data[25]);
    const int samples = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
    return Picture{width * height, bits * samples};
}

// An entry of the directory: the picture's own header where it can be read (a PNG's,
// or the bit count of a bitmap's), else the directory's sizes, where 0 means 256.
Picture pictureAt(QByteArrayView bytes, qsizetype entry, bool cursor)
{
    const char* at = bytes.data() + entry;
    const int width = uchar(at[0]) ? uchar(at[0]) : 256;
    const int height = uchar(at[1]) ? uchar(at[1]) : 256;
    // A cursor's directory holds its hot spot where an icon's holds planes and bit count.
    int depth = cursor ? 0 : qFromLittleEndian<quint16>(at + 6);
    const qint64 length = qFromLittleEndian<quint32>(at + 8);
    const qint64 offset = qFromLittleEndian<quint32>(at + 12);
    if (offset > 0 && offset < bytes.size() && length > 0) {
        const QByteArrayView data = bytes.sliced(offset, std::min(length, bytes.size() - offset));
        if (const std::optional<Picture> png = pngPicture(data))
            return *png;
        if (data.size() >= 16 && qFromLittleEndian<quint32>(data.data()) >= 40)
            depth = qFromLittleEndian<quint16>(data.data() + 14);
    }
    return Picture{qint64(width) * height, depth};
}
} // namespace

std::optional<int> KPIcoLayout::largest(QByteArrayView bytes)
{
    if (bytes.size() < HeaderSize || qFromLittleEndian<quint16>(bytes.data()) != 0)
        return std::nullopt;
    const quint16 type = qFromLittleEndian<quint16>(bytes.data() + 2);
    const int count = qFromLittleEndian<quint16>(bytes.data() + 4);
    if ((type != 1 && type != 2) || count == 0)
        return std::nullopt;
    std::optional<int> best;
    Picture bestPicture;
    for (int i = 0; i < count && HeaderSize + (i + 1) * EntrySize <= bytes.size(); ++i) {
        const Picture picture = pictureAt(bytes, HeaderSize + i * EntrySize, type == 2);
        if (!best || picture.pixels > bestPicture.pixels ||
            (picture.pixels == bestPicture.pixels && picture.depth > bestPicture.depth)) {
            best = i;
            bestPicture = picture;
        }
    }
    return best;
}

std::optional<QByteArray> KPIcoLayout::alone(QByteArrayView bytes, int index)
{
    const qsizetype entry = HeaderSize + qsizetype(index) * EntrySize;
    if (index < 0 || !largest(bytes) || index >= qFromLittleEndian<quint16>(bytes.data() + 4) ||
        entry + EntrySize > bytes.size())
        return std::nullopt;
    const qint64 length = qFromLittleEndian<quint32>(bytes.data() + entry + 8);
    const qint64 offset = qFromLittleEndian<quint32>(bytes.data() + entry + 12);
    if (length <= 0 || offset < HeaderSize || offset > bytes.size() - length)
        return std::nullopt;
    QByteArray out(bytes.data(), 4);
    out.append(char(1)).append('\0');
    out.append(bytes.data() + entry, EntrySize);
    qToLittleEndian(quint32(HeaderSize + EntrySize), out.data() + HeaderSize + 12);
    out.append(bytes.data() + offset, qsizetype(length));
    return out;
}
