#pragma once

#include <QByteArray>
#include <QImage>

// Writes the BMP variants real files come in and Qt's reader does not all take: the
// header kinds of every Windows and OS/2 version, rows stored top-down, run-length
// coding, and colour masks of more than 8 bits a channel.
class KPBmpWriter
{
public:
    KPBmpWriter() = delete;

    enum class Variant
    {
        TopDown,     // 24 bits, rows from the top (a negative height)
        TopDownRle8, // 8-bit palette, run-length coded, from the top
        Os2V2,       // OS/2 2.x's 64-byte header, 24 bits
        V2Header,    // Adobe's 52-byte header (colour masks inside it), 32 bits
        V3Header,    // Adobe's 56-byte header (with an alpha mask), 32 bits
        Masks101010, // 32 bits, 10 bits a channel in its colour masks
    };

    // The picture as a BMP of that variant. For the run-length coded one the picture
    // must have at most 256 colours.
    static QByteArray bmp(const QImage& picture, Variant variant);
};
