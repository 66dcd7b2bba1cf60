#include "engine/KPDngWriter.h"

#include <QtEndian>

#include <cmath>
#include <map>

namespace {
enum Type : quint16
{
    Byte = 1,
    Ascii = 2,
    Short = 3,
    Long = 4,
    Rational = 5,
    SRational = 10
};

struct Entry
{
    Type type;
    quint32 count;
    QByteArray value; // little-endian, as stored
};

void put16(QByteArray& out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void put32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

Entry shorts(std::initializer_list<quint16> values)
{
    Entry entry{Short, quint32(values.size()), {}};
    for (const quint16 v : values)
        put16(entry.value, v);
    return entry;
}

Entry longs(std::initializer_list<quint32> values)
{
    Entry entry{Long, quint32(values.size()), {}};
    for (const quint32 v : values)
        put32(entry.value, v);
    return entry;
}

Entry text(const char* value)
{
    const QByteArray bytes(value, qsizetype(qstrlen(value)) + 1);
    return Entry{Ascii, quint32(bytes.size()), bytes};
}

Entry rationals(Type type, std::initializer_list<double> values)
{
    Entry entry{type, quint32(values.size()), {}};
    for (const double v : values) {
        put32(entry.value, quint32(qint32(std::lround(v * 10000))));
        put32(entry.value, 10000);
    }
    return entry;
}

quint16 linear16(int srgb)
{
    const double v = srgb / 255.0;
    const double linear = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    return quint16(std::lround(linear * 65535));
}
} // namespace

QByteArray KPDngWriter::dng(const QImage& source, Layout layout, int orientation)
{
    const QImage picture = source.convertToFormat(QImage::Format_RGB32);
    const auto width = quint32(picture.width());
    const auto height = quint32(picture.height());
    const bool bayer = layout == Layout::Bayer;
    const quint16 samples = bayer ? 1 : 3;
    const quint32 dataBytes = width * height * samples * 2;

    // XYZ to linear sRGB: the inverse of the sRGB primaries LibRaw itself works with, so
    // the camera matrix it derives is the identity.
    std::map<quint16, Entry> tags = {
        {254, longs({0})}, // the main picture
        {256, longs({width})},
        {257, longs({height})},
        {258, bayer ? shorts({16}) : shorts({16, 16, 16})},
        {259, shorts({1})},                              // uncompressed
        {262, shorts({quint16(bayer ? 32803 : 34892)})}, // colour filter array, or LinearRaw
        {271, text("Pictaro")},
        {272, text("Test DNG")},
        {273, longs({0})}, // filled in below
        {274, shorts({quint16(orientation)})},
        {277, shorts({samples})},
        {278, longs({height})},
        {279, longs({dataBytes})},
        {284, shorts({1})},
        {50706, Entry{Byte, 4, QByteArray("\x01\x04\x00\x00", 4)}},
        {50707, Entry{Byte, 4, QByteArray("\x01\x01\x00\x00", 4)}},
        {50708, text("Pictaro Test DNG")},
        {50717, longs({65535})},
        {50721, rationals(SRational, {3.2404542, -1.5371385, -0.4985314, -0.9692660, 1.8760108,
                                      0.0415560, 0.0556434, -0.2040259, 1.0572252})},
        {50728, rationals(Rational, {1.0, 1.0, 1.0})},
        {50778, shorts({21})}, // D65
    };
    if (bayer) {
        tags.emplace(33421, shorts({2, 2}));                                    // pattern size
        tags.emplace(33422, Entry{Byte, 4, QByteArray("\x00\x01\x01\x02", 4)}); // R G / G B
    }

    // Header, the directory, the values too long for their entries, then the pixels.
    const quint32 directoryBytes = 2 + quint32(tags.size()) * 12 + 4;
    quint32 extraBytes = 0;
    for (const auto& [tag, entry] : tags)
        if (entry.value.size() > 4)
            extraBytes += quint32(entry.value.size() + (entry.value.size() & 1));
    const quint32 dataOffset = 8 + directoryBytes + extraBytes;

    QByteArray out("II\x2a\x00", 4);
    put32(out, 8);
    QByteArray extra;
    quint32 extraOffset = 8 + directoryBytes;
    put16(out, quint16(tags.size()));
    for (const auto& [tag, entry] : tags) {
        put16(out, tag);
        put16(out, entry.type);
        put32(out, entry.count);
        QByteArray value = tag == 273 ? QByteArray() : entry.value;
        if (tag == 273)
            put32(value, dataOffset);
        if (value.size() <= 4) {
            out.append(value.leftJustified(4, '\0'));
        } else {
            put32(out, extraOffset + quint32(extra.size()));
            extra.append(value);
            if (value.size() & 1)
                extra.append('\0');
        }
    }
    put32(out, 0); // no further directory
    out.append(extra);

    out.reserve(out.size() + qsizetype(dataBytes));
    for (int y = 0; y < picture.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            if (bayer) {
                const int channel = (y & 1) + (x & 1); // 0 red, 1 green, 2 blue
                const int value = channel == 0   ? qRed(line[x])
                                  : channel == 1 ? qGreen(line[x])
                                                 : qBlue(line[x]);
                put16(out, linear16(value));
                continue;
            }
            put16(out, linear16(qRed(line[x])));
            put16(out, linear16(qGreen(line[x])));
            put16(out, linear16(qBlue(line[x])));
        }
    }
    return out;
}
