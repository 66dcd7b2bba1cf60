// Measures how close a shrunk picture stays to its source: the mean SSIM (Wang, Bovik,
// Sheikh and Simoncelli, 2004) of OUTPUT against SOURCE scaled to OUTPUT's pixel size.
//
//   bench_ssim SOURCE OUTPUT      prints one number with four decimals
//   bench_ssim --pairs FILE       FILE ("-": standard input) holds lines SOURCE<TAB>OUTPUT;
//                                 prints one number a line, "nan" for a pair it cannot read
//
// Both pictures are read upright (EXIF orientation), in sRGB, with transparent parts over
// white, which is what a viewer shows and what a JPEG output holds. The comparison runs
// on the luma (Rec. 601 Y, 0..255) with the usual 11x11 Gaussian window of sigma 1.5,
// K1 = 0.01, K2 = 0.03, L = 255, averaged over every position where the window fits
// whole: no downsampling first, so small flaws of a big output count too.

#include <QColorSpace>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr int kWindow = 11;

struct Plane
{
    int width = 0;
    int height = 0;
    // Luma less 128: squares stay below 2^14, so float sums of them keep the precision
    // that the variances, small differences of large sums, need.
    std::vector<float> values;
};

std::optional<QImage> readUpright(const QString& path, QString* error)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage image = reader.read();
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

Plane lumaOf(const QImage& image)
{
    Plane plane;
    plane.width = image.width();
    plane.height = image.height();
    plane.values.resize(size_t(plane.width) * size_t(plane.height));
    float* out = plane.values.data();
    for (int y = 0; y < plane.height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < plane.width; ++x) {
            *out++ = 0.299f * float(qRed(line[x])) + 0.587f * float(qGreen(line[x])) +
                     0.114f * float(qBlue(line[x])) - 128.0f;
        }
    }
    return plane;
}

std::array<float, kWindow> gaussianWindow()
{
    std::array<float, kWindow> weights{};
    double sum = 0.0;
    for (int i = 0; i < kWindow; ++i) {
        const double d = i - kWindow / 2;
        sum += std::exp(-d * d / (2.0 * 1.5 * 1.5));
    }
    for (int i = 0; i < kWindow; ++i) {
        const double d = i - kWindow / 2;
        weights[size_t(i)] = float(std::exp(-d * d / (2.0 * 1.5 * 1.5)) / sum);
    }
    return weights;
}

// out[i] = sum over k of weights[k] * in[i + k], for the `count` positions where the window
// fits. The tap loop sits outside so that the compiler vectorizes along the row.
void filterRow(const std::array<float, kWindow>& weights, const float* in, float* out, int count)
{
    std::fill(out, out + count, 0.0f);
    for (int k = 0; k < kWindow; ++k) {
        const float w = weights[size_t(k)];
        const float* shifted = in + k;
        for (int i = 0; i < count; ++i)
            out[i] += w * shifted[i];
    }
}

// The Gaussian is separable: each source row is filtered across once into a ring of the
// last 11 rows, and each output row sums that ring down. Five sums a position: the two
// means, the two second moments and the cross moment.
double meanSsim(const Plane& a, const Plane& b)
{
    const int width = a.width;
    const int columns = width - kWindow + 1;
    const int rows = a.height - kWindow + 1;
    const auto weights = gaussianWindow();
    constexpr int kSums = 5;
    constexpr float c1 = (0.01f * 255.0f) * (0.01f * 255.0f);
    constexpr float c2 = (0.03f * 255.0f) * (0.03f * 255.0f);

    std::vector<float> ring(size_t(kWindow) * kSums * size_t(columns));
    std::vector<float> products(size_t(width) * 3);
    std::vector<float> down(size_t(kSums) * size_t(columns));
    const auto ringRow = [&](int row, int sum) {
        return ring.data() + (size_t(row % kWindow) * kSums + size_t(sum)) * size_t(columns);
    };

    double total = 0.0;
    for (int y = 0; y < a.height; ++y) {
        const float* x1 = a.values.data() + size_t(y) * size_t(width);
        const float* x2 = b.values.data() + size_t(y) * size_t(width);
        float* squares1 = products.data();
        float* squares2 = squares1 + width;
        float* cross = squares2 + width;
        for (int i = 0; i < width; ++i) {
            squares1[i] = x1[i] * x1[i];
            squares2[i] = x2[i] * x2[i];
            cross[i] = x1[i] * x2[i];
        }
        const std::array<const float*, kSums> inputs{x1, x2, squares1, squares2, cross};
        for (int sum = 0; sum < kSums; ++sum)
            filterRow(weights, inputs[size_t(sum)], ringRow(y, sum), columns);

        const int top = y - kWindow + 1;
        if (top < 0)
            continue;
        for (int sum = 0; sum < kSums; ++sum) {
            float* out = down.data() + size_t(sum) * size_t(columns);
            std::fill(out, out + columns, 0.0f);
            for (int k = 0; k < kWindow; ++k) {
                const float w = weights[size_t(k)];
                const float* in = ringRow(top + k, sum);
                for (int i = 0; i < columns; ++i)
                    out[i] += w * in[i];
            }
        }
        const float* m1 = down.data();
        const float* m2 = m1 + columns;
        const float* e11 = m2 + columns;
        const float* e22 = e11 + columns;
        const float* e12 = e22 + columns;
        double rowTotal = 0.0;
        for (int i = 0; i < columns; ++i) {
            // The moments are of luma less 128: the variances and the covariance come out
            // the same, the means get their 128 back.
            const float mu1 = m1[i] + 128.0f;
            const float mu2 = m2[i] + 128.0f;
            const float var1 = e11[i] - m1[i] * m1[i];
            const float var2 = e22[i] - m2[i] * m2[i];
            const float cov = e12[i] - m1[i] * m2[i];
            rowTotal += double(((2.0f * mu1 * mu2 + c1) * (2.0f * cov + c2)) /
                               ((mu1 * mu1 + mu2 * mu2 + c1) * (var1 + var2 + c2)));
        }
        total += rowTotal;
    }
    return total / (double(columns) * double(rows));
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
    if (source->size() != output->size()) {
        // Exactly the output's size: an output whose aspect drifted by a pixel in rounding
        // is compared with the source stretched the same way.
        *source = source->scaled(output->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        source->convertTo(QImage::Format_RGB32);
    }
    return meanSsim(lumaOf(*source), lumaOf(*output));
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
