#pragma once

#include <QByteArray>
#include <QImage>

// Reads an AVIF (or any HEIF) file's primary picture with libheif, as another program
// than the one that wrote it would: a check that Pictaro's AVIF outputs decode.
class KPHeifReader
{
public:
    KPHeifReader() = delete;

    // The picture in Format_RGB32; a null picture when libheif cannot read it.
    static QImage read(const QByteArray& bytes);
};
