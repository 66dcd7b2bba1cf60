#pragma once

#include "engine/KPFailure.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

// Opens source pictures, for the fitting, the table's thumbnails and the preview alike.
// Each type goes to its reader by the name of the file: camera raw files to LibRaw and
// HEIC, HEIF and AVIF to libheif, both in the pictaro-decode process; the others to
// Qt's readers, by content, and, when Qt turns a file away or would read it wrongly, to
// ImageMagick in pictaro-decode with the coder of the file's own type. Pictures come
// out upright (EXIF orientation applied), in sRGB; a picture that cannot be read comes
// with the reason.
class KPImageDecoder
{
public:
    KPImageDecoder() = delete;

    struct Probed
    {
        QSize size; // upright; invalid on failure
        KPFailure failure = KPFailure::None;
        bool isValid() const { return failure == KPFailure::None && size.isValid(); }
    };
    struct Decoded
    {
        QImage image; // null on failure
        KPFailure failure = KPFailure::None;
        QSize size; // the whole picture's upright size, also when `image` is scaled down
    };

    // Raises Qt's per-image allocation limit so a 100-megapixel photo decodes, while a
    // header that claims absurd dimensions still fails instead of exhausting memory.
    static void applyAllocationLimit();
    static constexpr int AllocationLimitMB = 1024;

    // The type a source's name gives, for the readers below: its suffix in lower case
    // ("raw" for "P1000042.RAW").
    static QByteArray formatHint(const QString& path);
    // Whether the type goes to LibRaw, or to libheif.
    static bool isRawType(const QByteArray& formatHint);
    static bool isHeifType(const QByteArray& formatHint);

    // Reads only the header: the picture's pixel size, or why the bytes are no picture a
    // reader accepts. Qt's readers choose by content; raw and HEIF files go by their name
    // (raw files are TIFF inside more often than not, and the TIFF reader would show
    // only the small preview they carry).
    // `cancelled`, asked while a reader in pictaro-decode works, ends it: the failure is
    // then Stopped.
    static Probed probeSource(const QByteArray& bytes, const QByteArray& formatHint = {},
                              const std::function<bool()>& cancelled = {});
    static QSize probe(const QByteArray& bytes, const QByteArray& formatHint = {})
    {
        return probeSource(bytes, formatHint).size;
    }
    // The pixel size from the header of a file; invalid for a file larger than any
    // reader takes, which is not opened.
    static QSize probeFile(const QString& path);

    // Whether the file's structure is whole: a JPEG whose last scan is followed by its
    // end marker, a PNG with its end chunk, a GIF with its trailer, a BMP holding all
    // the pixel rows its header announces, an ICO holding every image its directory
    // lists, an ICNS, WebP, HEIF or AVIF file as long as its header or boxes say. (The
    // PSD and raw readers check their own files.) Readers fill a truncated picture with
    // grey rather than fail, so a cut-off download would otherwise pass for a picture.
    // Other types are left to their readers.
    static bool looksComplete(const QByteArray& bytes);

    // Decodes a whole picture for fitting, opaque (transparent areas laid on white, since
    // JPEG has none), as Format_RGB32; a null image and the reason on failure. The hint
    // is taken as by `probeSource`.
    // `cancelled`, asked while a reader in pictaro-decode works, ends it: the failure is
    // then Stopped. `probed`, when valid, is the size `probeSource` gave: a reader in
    // pictaro-decode that probed the file may not answer with more pixels than that.
    static Decoded decodeSource(const QByteArray& bytes, const QByteArray& formatHint = {},
                                const std::function<bool()>& cancelled = {}, QSize probed = {});
    static QImage decodeForFitting(const QByteArray& bytes, const QByteArray& formatHint = {})
    {
        return decodeSource(bytes, formatHint).image;
    }

    // Reads a picture file for showing it: scaled down to fit `box` (decoded straight at
    // a smaller size where the type allows), upright, transparency kept. The size in the
    // answer is the whole picture's.
    static Decoded readFile(const QString& path, QSize box);

    // Makes a picture drawn with partial opacity opaque for JPEG: the colours are
    // un-premultiplied and the alpha dropped, so the picture neither darkens nor lightens.
    static QImage flattenForJpeg(const QImage& image);
};
