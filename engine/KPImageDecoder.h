#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

// Opens source pictures of any type Qt's image readers know. Pictures come out
// upright (EXIF orientation applied), in sRGB, and opaque: transparent areas are laid
// on white, since JPEG has no transparency.
class KPImageDecoder
{
public:
    KPImageDecoder() = delete;

    // Raises Qt's per-image allocation limit so a 100-megapixel photo decodes, while a
    // header that claims absurd dimensions still fails instead of exhausting memory.
    static void applyAllocationLimit();
    static constexpr int AllocationLimitMB = 1024;

    // The type a source's name gives, for `probe` and `decodeForFitting`: its suffix in
    // lower case ("raw" for "P1000042.RAW").
    static QByteArray formatHint(const QString& path);

    // Reads only the header: the picture's pixel size, or an invalid size when the bytes
    // are no picture a reader accepts. The reader is chosen by content, except for a
    // "raw" hint: raw files are TIFF inside more often than not, and the TIFF reader
    // would show only the small preview they carry.
    static QSize probe(const QByteArray& bytes, const QByteArray& formatHint = {});
    static QSize probeFile(const QString& path);

    // Whether the file's structure is whole: a JPEG whose last scan is followed by its
    // end marker, a PNG with its end chunk, a GIF with its trailer, a BMP holding all
    // the pixel rows its header announces, an ICO holding every image its directory
    // lists, an ICNS as long as its header says. (The PSD and raw readers check their
    // own files.) Readers fill a truncated picture with grey
    // rather than fail, so a cut-off download would otherwise pass for a picture.
    // Other types are left to their readers.
    static bool looksComplete(const QByteArray& bytes);

    // Decodes a whole picture for fitting, as Format_RGB32; a null image on failure. The
    // hint is taken as by `probe`. Once `cancelled` answers true the reader is given no
    // more bytes, so a long decode ends early (and fails).
    static QImage decodeForFitting(const QByteArray& bytes, const QByteArray& formatHint = {},
                                   const std::function<bool()>& cancelled = {});

    // Makes a picture drawn with partial opacity opaque for JPEG: the colours are
    // un-premultiplied and the alpha dropped, so the picture neither darkens nor lightens.
    static QImage flattenForJpeg(const QImage& image);
};
