// Measures how close a shrunk picture stays to its source: the mean SSIM (Wang, Bovik,
// Sheikh and Simoncelli, 2004) of OUTPUT against SOURCE scaled to OUTPUT's pixel size.
//
//   bench_ssim SOURCE OUTPUT      prints one number with four decimals
//   bench_ssim --pairs FILE       FILE ("-": standard input) holds lines SOURCE<TAB>OUTPUT;
//                                 prints one number a line, "nan" for a pair it cannot read
//
// Both pictures are read upright (EXIF orientation), in sRGB, with transparent parts over
// white, which is what a viewer shows and what a JPEG output holds; an AVIF through
// libavif, every other type through Qt's readers. The comparison runs
// on the luma (Rec. 601 Y, 0..255) with the usual 11x11 Gaussian window of sigma 1.5,
// K1 = 0.01, K2 = 0.03, L = 255, averaged over every position where the window fits
// whole: no downsampling first, so small flaws of a big output count too.

#include "engine/KPAvifEncoder.h"
#include "engine/KPOutputFormat.h"
#include "engine/KPSsim.h"

#include <QColorSpace>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace {

constexpr int kWindow = KPSsim::Window;

// An AVIF output through libavif, which Qt's readers do not cover; a null picture for
// any other file.
QImage readAvif(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (KPOutputFormats::ofBytes(bytes) != KPOutputFormat::Avif)
        return {};
    return KPAvifEncoder().decode(bytes);
}

std::optional<QImage> readUpright(const QString& path, QString* error)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage image = readAvif(path);
    if (image.isNull())
        image = reader.read();
    if (image.isNull()) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, reader.errorString());
        return std::nullopt;
    }
    const QColorSpace srgb(QColorSpace::SRgb);
    if (image.colorSpace().isValid() && image.colorSpace() != srgb) {
        // The colour transform handles the plain 32 and 64-bit RGB formats; an indexed or
        // grey picture with a profile goes through one of them first.
        const bool deep = image.depth() > 32 || image.format() == QImage::Format_Grayscale16;
        const bool alpha = image.hasAlphaChannel();
        image.convertTo(deep ? (alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64)
                             : (alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32));
        image.convertToColorSpace(srgb);
    }
    if (image.hasAlphaChannel()) {
        // Over white, premultiplied: each channel gains what the alpha leaves uncovered.
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int uncovered = 255 - qAlpha(line[x]);
                line[x] = qRgb(qRed(line[x]) + uncovered, qGreen(line[x]) + uncovered,
                               qBlue(line[x]) + uncovered);
            }
        }
        image.reinterpretAsFormat(QImage::Format_RGB32);
    } else {
        image.convertTo(QImage::Format_RGB32);
    }
    return image;
}

std::optional<double> compare(const QString& sourcePath, const QString& outputPath, QString* error)
{
    const std::optional<QImage> output = readUpright(outputPath, error);
    if (!output)
        return std::nullopt;
    if (output->width() < kWindow || output->height() < kWindow) {
        *error = QStringLiteral("%1 is %2x%3, too small for an 11x11 window")
                     .arg(outputPath)
                     .arg(output->width())
                     .arg(output->height());
        return std::nullopt;
    }
    std::optional<QImage> source = readUpright(sourcePath, error);
    if (!source)
        return std::nullopt;
    // The same measure as the window's compare mode.
    return KPSsim::mean(KPSsim::atOutputSize(*source, output->size()), *output);
}

int usage(FILE* stream)
{
    std::fputs("usage: bench_ssim SOURCE OUTPUT\n"
               "       bench_ssim --pairs FILE   (lines SOURCE<TAB>OUTPUT; '-' reads stdin)\n"
               "Prints the mean SSIM of OUTPUT against SOURCE scaled to OUTPUT's size.\n",
               stream);
    return stream == stdout ? 0 : 2;
}

int comparePairs(const QString& listPath)
{
    QFile list;
    bool opened = false;
    if (listPath == QStringLiteral("-")) {
        opened = list.open(stdin, QIODevice::ReadOnly);
    } else {
        list.setFileName(listPath);
        opened = list.open(QIODevice::ReadOnly);
    }
    if (!opened) {
        std::fprintf(stderr, "bench_ssim: cannot read %s: %s\n", qPrintable(listPath),
                     qPrintable(list.errorString()));
        return 1;
    }
    int status = 0;
    int lineNumber = 0;
    while (!list.atEnd()) {
        QByteArray line = list.readLine();
        ++lineNumber;
        if (line.endsWith('\n'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const QList<QByteArray> fields = line.split('\t');
        QString error;
        std::optional<double> ssim;
        if (fields.size() != 2)
            error = QStringLiteral("line %1 is not SOURCE<TAB>OUTPUT").arg(lineNumber);
        else
            ssim = compare(QFile::decodeName(fields[0]), QFile::decodeName(fields[1]), &error);
        if (ssim) {
            std::printf("%.4f\n", *ssim);
        } else {
            // One line for every pair, so that a script can still zip the answers with
            // its list.
            std::printf("nan\n");
            std::fprintf(stderr, "bench_ssim: %s\n", qPrintable(error));
            status = 1;
        }
        std::fflush(stdout);
    }
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Qt refuses pictures above 256 MB of pixels by default; a panorama may pass that.
    QImageReader::setAllocationLimit(0);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.size() == 1 &&
        (arguments[0] == QStringLiteral("-h") || arguments[0] == QStringLiteral("--help")))
        return usage(stdout);
    if (arguments.size() == 2 && arguments[0] == QStringLiteral("--pairs"))
        return comparePairs(arguments[1]);
    if (arguments.size() != 2 || arguments[0].startsWith(QLatin1Char('-')))
        return usage(stderr);
    QString error;
    const std::optional<double> ssim = compare(arguments[0], arguments[1], &error);
    if (!ssim) {
        std::fprintf(stderr, "bench_ssim: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%.4f\n", *ssim);
    return 0;
}
