#pragma once

#include "engine/KPJpegError.h" // jpeglib.h, after the C headers it needs

#include <QByteArray>
#include <QtGlobal>

#include <algorithm>

// What every libjpeg reader and writer of Pictaro's pixels shares.
namespace KPJpegPixels {
// QImage::Format_RGB32 is 0xffRRGGBB in native byte order.
constexpr J_COLOR_SPACE Rgb32 = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;

// Reads `info` from `jpeg`, which must outlive the reading.
inline void readFrom(j_decompress_ptr info, const QByteArray& jpeg)
{
    jpeg_mem_src(info, reinterpret_cast<const unsigned char*>(jpeg.constData()),
                 static_cast<unsigned long>(jpeg.size()));
}

// Whether libjpeg gives the stored colours as RGB: CMYK and the like are left to the
// source decoder.
inline bool rgbReadable(const jpeg_decompress_struct& info)
{
    return info.jpeg_color_space == JCS_YCbCr || info.jpeg_color_space == JCS_GRAYSCALE ||
           info.jpeg_color_space == JCS_RGB;
}

// Decodes the next rows, up to 16, into the picture at `bits` whose lines are `stride`
// bytes apart.
inline void readRows(j_decompress_ptr info, uchar* bits, qsizetype stride)
{
    JSAMPROW lines[16];
    const int want = int(std::min<JDIMENSION>(16, info->output_height - info->output_scanline));
    for (int i = 0; i < want; ++i)
        lines[i] = bits + stride * qsizetype(info->output_scanline + JDIMENSION(i));
    jpeg_read_scanlines(info, lines, JDIMENSION(want));
}
} // namespace KPJpegPixels
