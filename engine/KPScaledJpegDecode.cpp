#include "engine/KPScaledJpegDecode.h"

#include "engine/KPImageDecoder.h"
#include "engine/KPJpegError.h"
#include "engine/KPJpegPixels.h"
#include "engine/KPPngOrientation.h"

#include <QColorSpace>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace {

// What the markers before the picture say about showing it.
struct Markers
{
    int orientation = 1;
    unsigned char* icc = nullptr; // malloc'ed by libjpeg; the caller frees it
    unsigned iccLength = 0;
};

int orientationOf(j_decompress_ptr info)
{
    for (jpeg_saved_marker_ptr marker = info->marker_list; marker; marker = marker->next) {
        const QByteArrayView data(reinterpret_cast<const char*>(marker->data),
                                  qsizetype(marker->data_length));
        if (marker->marker == JPEG_APP0 + 1 && data.startsWith(QByteArrayView("Exif\0\0", 6))) {
            const int orientation = KPPngOrientation::fromExif(data.sliced(6));
            return orientation >= 1 && orientation <= 8 ? orientation : 1;
        }
    }
    return 1;
}

// A progressive JPEG holds the means of its blocks in its first scans, and the rest of its
// coefficients, at much greater cost, in the scans after them.
void absorbTheMeans(j_decompress_ptr info)
{
    for (;;) {
        bool whole = true;
        for (int component = 0; component < info->num_components; ++component)
            whole = whole && info->coef_bits[component][0] >= 0;
        if (whole)
            return;
        const int status = jpeg_consume_input(info);
        if (status == JPEG_REACHED_EOI || status == JPEG_SUSPENDED)
            return;
    }
}

// Plain C state only between setjmp and longjmp: nothing here has a destructor. `image`
// is made once the output size is known.
bool decodeInto(const QByteArray& jpeg, int eighths, bool meansOnly,
                const std::function<bool()>& cancelled, QImage* image, Markers* markers)
{
    jpeg_decompress_struct info{};
    KPJpegError error{};
    info.err = error.manager();
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    KPJpegPixels::readFrom(&info, jpeg);
    jpeg_save_markers(&info, JPEG_APP0 + 1, 0xffff);
    jpeg_save_markers(&info, JPEG_APP0 + 2, 0xffff);
    jpeg_read_header(&info, TRUE);
    if (!KPJpegPixels::rgbReadable(info)) {
        jpeg_destroy_decompress(&info);
        return false; // CMYK and the like: the source decoder's
    }
    markers->orientation = orientationOf(&info);
    jpeg_read_icc_profile(&info, &markers->icc, &markers->iccLength);
    info.scale_num = unsigned(eighths);
    info.scale_denom = 8;
    info.out_color_space = KPJpegPixels::Rgb32;
    info.dct_method = JDCT_ISLOW;
    jpeg_calc_output_dimensions(&info);
    if (qint64(info.output_width) * info.output_height * 4 >
        qint64(KPImageDecoder::AllocationLimitMB) * 1024 * 1024) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    *image = QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB32);
    if (image->isNull()) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    uchar* bits = image->bits();
    const qsizetype stride = image->bytesPerLine();
    // Only a progressive JPEG keeps the progress of each coefficient (coef_bits).
    info.buffered_image = meansOnly && eighths == 1 && info.progressive_mode;
    jpeg_start_decompress(&info);
    if (info.buffered_image) {
        absorbTheMeans(&info);
        jpeg_start_output(&info, info.input_scan_number);
    }
    while (info.output_scanline < info.output_height) {
        if (cancelled && cancelled()) {
            jpeg_destroy_decompress(&info);
            return false;
        }
        KPJpegPixels::readRows(&info, bits, stride);
    }
    if (info.buffered_image) {
        jpeg_finish_output(&info); // the scans after those shown are never read
        jpeg_abort_decompress(&info);
    } else {
        jpeg_finish_decompress(&info);
    }
    jpeg_destroy_decompress(&info);
    return true;
}
} // namespace

QSize KPScaledJpegDecode::scaledSize(QSize stored, int eighths)
{
    const auto side = [eighths](int length) { return (qint64(length) * eighths + 7) / 8; };
    return {int(side(stored.width())), int(side(stored.height()))};
}

int KPScaledJpegDecode::eighthsOf(QSize whole, QSize decoded)
{
    for (int eighths = 1; eighths < Whole; ++eighths) {
        if (scaledSize(whole, eighths) == decoded)
            return eighths;
    }
    return Whole;
}

int KPScaledJpegDecode::eighthsFor(QSize upright, QSize needed)
{
    for (int eighths = 1; eighths < Whole; ++eighths) {
        const QSize scaled = scaledSize(upright, eighths);
        if (scaled.width() >= needed.width() && scaled.height() >= needed.height())
            return eighths;
    }
    return Whole;
}

QImage KPScaledJpegDecode::decode(const QByteArray& jpeg, int eighths,
                                  const std::function<bool()>& cancelled)
{
    return read(jpeg, eighths, false, cancelled);
}

QImage KPScaledJpegDecode::look(const QByteArray& jpeg, const std::function<bool()>& cancelled)
{
    return read(jpeg, 1, true, cancelled);
}

QImage KPScaledJpegDecode::read(const QByteArray& jpeg, int eighths, bool meansOnly,
                                const std::function<bool()>& cancelled)
{
    if (jpeg.isEmpty() || eighths < 1 || eighths > Whole)
        return {};
    QImage image;
    Markers markers;
    const bool ok = decodeInto(jpeg, eighths, meansOnly, cancelled, &image, &markers);
    QColorSpace profile;
    if (markers.icc) {
        profile = QColorSpace::fromIccProfile(
            QByteArray(reinterpret_cast<const char*>(markers.icc), qsizetype(markers.iccLength)));
        std::free(markers.icc);
    }
    if (!ok)
        return {};
    // As the source decoder does: pixels in sRGB, no profile carried.
    if (profile.isValid() && profile != QColorSpace(QColorSpace::SRgb)) {
        image.setColorSpace(profile);
        image.convertToColorSpace(QColorSpace(QColorSpace::SRgb));
        image.setColorSpace(QColorSpace());
    }
    return KPPngOrientation::applied(image, markers.orientation);
}
