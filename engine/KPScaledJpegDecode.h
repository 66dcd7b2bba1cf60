#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <functional>

// Decodes a JPEG at M/8 of its size (M from 1 to 8) in the DCT domain with libjpeg-turbo:
// the coefficients a smaller picture cannot show are never turned into pixels, so a
// decode at 2/8 costs a fraction of a whole one. The picture comes out as the source
// decoder gives it: upright by its EXIF orientation, its embedded profile turned into
// sRGB, Format_RGB32.
class KPScaledJpegDecode
{
public:
    KPScaledJpegDecode() = delete;

    static constexpr int Whole = 8;

    // The stored (not upright) size libjpeg gives at M/8: each side rounded up.
    static QSize scaledSize(QSize stored, int eighths);
    // The M at which a picture of `whole` pixels decodes to `decoded`; Whole when none does.
    static int eighthsOf(QSize whole, QSize decoded);
    // The smallest M whose upright picture is at least `needed` both ways; Whole when
    // even 7/8 is too small.
    static int eighthsFor(QSize upright, QSize needed);

    // The picture at `eighths`/8; a null image when the data is no colour or grey JPEG,
    // the decode failed or `cancelled` answered true.
    static QImage decode(const QByteArray& jpeg, int eighths,
                         const std::function<bool()>& cancelled = {});
    // A quick look at 1/8: of a progressive JPEG, only the scans that hold the means of its
    // blocks are read (their last bits may be missing), a small part of its decoding.
    static QImage look(const QByteArray& jpeg, const std::function<bool()>& cancelled = {});

private:
    static QImage read(const QByteArray& jpeg, int eighths, bool meansOnly,
                       const std::function<bool()>& cancelled);
};
