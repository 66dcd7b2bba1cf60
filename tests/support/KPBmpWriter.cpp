#include "support/KPBmpWriter.h"

#include "support/KPLittleEndian.h"

#include <QHash>

namespace {
using KPTest::put16;
using KPTest::put32;

// The 40 bytes every header from Windows 3 on starts with.
QByteArray infoHeader(quint32 size, int width, int height, int bits, quint32 compression,
                      quint32 imageBytes, quint32 colours)
{
    QByteArray header;
    put32(header, size);
    put32(header, quint32(width));
    put32(header, quint32(height));
    put16(header, 1);
    put16(header, quint16(bits));
    put32(header, compression);
    put32(header, imageBytes);
    put32(header, 2835); // 72 dpi
    put32(header, 2835);
    put32(header, colours);
    put32(header, 0);
    return header;
}

QByteArray rows24(const QImage& picture, bool topDown)
{
    QByteArray out;
    for (int i = 0; i < picture.height(); ++i) {
        const int y = topDown ? i : picture.height() - 1 - i;
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            out.append(char(qBlue(line[x])))
                .append(char(qGreen(line[x])))
                .append(char(qRed(line[x])));
        while (out.size() % 4)
            out.append('\0');
    }
    return out;
}

QByteArray rows101010(const QImage& picture)
{
    QByteArray out;
    for (int y = picture.height() - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            auto ten = [](int value) { return quint32(value * 1023 / 255); };
            put32(out, ten(qRed(line[x])) << 20 | ten(qGreen(line[x])) << 10 | ten(qBlue(line[x])));
        }
    }
    return out;
}

QByteArray rows32(const QImage& picture)
{
    QByteArray out;
    for (int y = picture.height() - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            put32(out, line[x] | 0xff000000u);
    }
    return out;
}
} // namespace

QByteArray KPBmpWriter::bmp(const QImage& source, Variant variant)
{
    const QImage picture = source.convertToFormat(QImage::Format_RGB32);
    const int width = picture.width();
    const int height = picture.height();
    QByteArray header;
    QByteArray palette;
    QByteArray pixels;
    switch (variant) {
    case Variant::TopDown:
        pixels = rows24(picture, true);
        header = infoHeader(40, width, -height, 24, 0, quint32(pixels.size()), 0);
        break;
    case Variant::TopDownRle8: {
        QHash<QRgb, int> indexes;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const QRgb colour = picture.pixel(x, y) | 0xff000000u;
                if (!indexes.contains(colour) && indexes.size() < 256) {
                    indexes.insert(colour, int(indexes.size()));
                    palette.append(char(qBlue(colour))).append(char(qGreen(colour)));
                    palette.append(char(qRed(colour))).append('\0');
                }
            }
        }
        for (int y = 0; y < height; ++y) {
            int x = 0;
            while (x < width) {
                const int index = indexes.value(picture.pixel(x, y) | 0xff000000u);
                int run = 1;
                while (x + run < width && run < 255 &&
                       indexes.value(picture.pixel(x + run, y) | 0xff000000u) == index)
                    ++run;
                pixels.append(char(run)).append(char(index));
                x += run;
            }
            pixels.append('\0').append('\0'); // end of row
        }
        pixels.append('\0').append('\1'); // end of picture
        header =
            infoHeader(40, width, -height, 8, 1, quint32(pixels.size()), quint32(indexes.size()));
        break;
    }
    case Variant::Os2V2:
        pixels = rows24(picture, false);
        header = infoHeader(64, width, height, 24, 0, quint32(pixels.size()), 0);
        header.append(QByteArray(24, '\0')); // units, rendering, colour encoding, ...
        break;
    case Variant::V2Header:
        pixels = rows32(picture);
        header = infoHeader(52, width, height, 32, 3, quint32(pixels.size()), 0);
        put32(header, 0x00ff0000);
        put32(header, 0x0000ff00);
        put32(header, 0x000000ff);
        break;
    case Variant::V3Header:
        pixels = rows32(picture);
        header = infoHeader(56, width, height, 32, 3, quint32(pixels.size()), 0);
        put32(header, 0x00ff0000);
        put32(header, 0x0000ff00);
        put32(header, 0x000000ff);
        put32(header, 0); // no alpha
        break;
    case Variant::Masks101010:
        pixels = rows101010(picture);
        header = infoHeader(40, width, height, 32, 3, quint32(pixels.size()), 0);
        palette.clear();
        put32(palette, 0x3ff00000);
        put32(palette, 0x000ffc00);
        put32(palette, 0x000003ff);
        break;
    }
    const auto offset = quint32(14 + header.size() + palette.size());
    QByteArray out("BM");
    put32(out, offset + quint32(pixels.size()));
    put32(out, 0);
    put32(out, offset);
    return out + header + palette + pixels;
}
