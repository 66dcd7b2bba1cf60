#include "engine/KPDngWriter.h"

#include "support/KPLittleEndian.h"

#include <QBuffer>

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

using KPTest::put16;
using KPTest::put32;

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

namespace {
QByteArray write(const QImage& source, KPDngWriter::Layout layout, int orientation,
                 quint16 compression, const QImage& preview);
} // namespace

QByteArray KPDngWriter::dng(const QImage& source, Layout layout, int orientation)
{
    return write(source, layout, orientation, 1, {});
}

QByteArray KPDngWriter::undevelopable(const QImage& preview, int orientation)
{
    return write(preview.scaled(64, 64), Layout::Bayer, orientation, 52546, preview);
}

namespace {
// One directory: its entries, then the values too long for them, from `at` on.
QByteArray directory(const std::map<quint16, Entry>& tags, quint32 at, quint32 next)
{
    const quint32 directoryBytes = 2 + quint32(tags.size()) * 12 + 4;
    QByteArray out;
    QByteArray extra;
    put16(out, quint16(tags.size()));
    for (const auto& [tag, entry] : tags) {
        put16(out, tag);
        put16(out, entry.type);
        put32(out, entry.count);
        if (entry.value.size() <= 4) {
            out.append(entry.value.leftJustified(4, '\0'));
        } else {
            put32(out, at + directoryBytes + quint32(extra.size()));
            extra.append(entry.value);
            if (entry.value.size() & 1)
                extra.append('\0');
        }
    }
    put32(out, next);
    return out + extra;
}

QByteArray write(const QImage& source, KPDngWriter::Layout layout, int orientation,
                 quint16 compression, const QImage& preview)
{
    using Layout = KPDngWriter::Layout;
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
        {259, shorts({compression})},                    // 1: uncompressed
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

    // Header, the directory, the values too long for their entries, then the pixels (and
    // the preview's directory and JPEG after them).
    tags[273] = longs({0});
    const quint32 dataOffset = 8 + quint32(directory(tags, 8, 0).size());
    tags[273] = longs({dataOffset});
    QByteArray jpeg;
    if (!preview.isNull()) {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        preview.save(&buffer, "JPEG", 90);
    }
    const quint32 previewDirectory = jpeg.isEmpty() ? 0 : dataOffset + dataBytes;

    QByteArray out("II\x2a\x00", 4);
    put32(out, 8);
    out.append(directory(tags, 8, previewDirectory));
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
    if (!jpeg.isEmpty()) {
        std::map<quint16, Entry> previewTags = {
            {254, longs({1})}, // a reduced picture
            {256, longs({quint32(preview.width())})},
            {257, longs({quint32(preview.height())})},
            {258, shorts({8, 8, 8})},
            {259, shorts({7})}, // JPEG
            {262, shorts({6})}, // YCbCr
            {273, longs({0})},
            {274, shorts({quint16(orientation)})},
            {277, shorts({3})},
            {278, longs({quint32(preview.height())})},
            {279, longs({quint32(jpeg.size())})},
        };
        const quint32 jpegOffset =
            previewDirectory + quint32(directory(previewTags, previewDirectory, 0).size());
        previewTags[273] = longs({jpegOffset});
        out.append(directory(previewTags, previewDirectory, 0));
        out.append(jpeg);
    }
    return out;
}
} // namespace
