#include "engine/KPSsim.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace {
constexpr int Window = KPSsim::Window;

struct Plane
{
    int width = 0;
    int height = 0;
    // Luma less 128: squares stay below 2^14, so float sums of them keep the precision
    // that the variances, small differences of large sums, need.
    std::vector<float> values;
};

Plane lumaOf(const QImage& picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
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

std::array<float, Window> gaussianWindow()
{
    std::array<float, Window> weights{};
    double sum = 0.0;
    for (int i = 0; i < Window; ++i) {
        const double d = i - Window / 2;
        sum += std::exp(-d * d / (2.0 * 1.5 * 1.5));
    }
    for (int i = 0; i < Window; ++i) {
        const double d = i - Window / 2;
        weights[size_t(i)] = float(std::exp(-d * d / (2.0 * 1.5 * 1.5)) / sum);
    }
    return weights;
}

// out[i] = sum over k of weights[k] * in[i + k], for the `count` positions where the window
// fits. The tap loop sits outside so that the compiler vectorizes along the row.
void filterRow(const std::array<float, Window>& weights, const float* in, float* out, int count)
{
    std::fill(out, out + count, 0.0f);
    for (int k = 0; k < Window; ++k) {
        const float w = weights[size_t(k)];
        const float* shifted = in + k;
        for (int i = 0; i < count; ++i)
            out[i] += w * shifted[i];
    }
}

// The SSIM of each position of one output row, from the five window sums of that row.
double rowTotal(const float* down, int columns)
{
    constexpr float c1 = (0.01f * 255.0f) * (0.01f * 255.0f);
    constexpr float c2 = (0.03f * 255.0f) * (0.03f * 255.0f);
    const float* m1 = down;
    const float* m2 = m1 + columns;
    const float* e11 = m2 + columns;
    const float* e22 = e11 + columns;
    const float* e12 = e22 + columns;
    double total = 0.0;
    for (int i = 0; i < columns; ++i) {
        // The moments are of luma less 128: the variances and the covariance come out the
        // same, the means get their 128 back.
        const float mu1 = m1[i] + 128.0f;
        const float mu2 = m2[i] + 128.0f;
        const float var1 = e11[i] - m1[i] * m1[i];
        const float var2 = e22[i] - m2[i] * m2[i];
        const float cov = e12[i] - m1[i] * m2[i];
        total += double(((2.0f * mu1 * mu2 + c1) * (2.0f * cov + c2)) /
                        ((mu1 * mu1 + mu2 * mu2 + c1) * (var1 + var2 + c2)));
    }
    return total;
}

// The Gaussian is separable: each source row is filtered across once into a ring of the
// last 11 rows, and each output row sums that ring down. Five sums a position: the two
// means, the two second moments and the cross moment.
double meanSsim(const Plane& a, const Plane& b)
{
    const int width = a.width;
    const int columns = width - Window + 1;
    const int rows = a.height - Window + 1;
    const auto weights = gaussianWindow();
    constexpr int Sums = 5;

    std::vector<float> ring(size_t(Window) * Sums * size_t(columns));
    std::vector<float> products(size_t(width) * 3);
    std::vector<float> down(size_t(Sums) * size_t(columns));
    const auto ringRow = [&](int row, int sum) {
        return ring.data() + (size_t(row % Window) * Sums + size_t(sum)) * size_t(columns);
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
        const std::array<const float*, Sums> inputs{x1, x2, squares1, squares2, cross};
        for (int sum = 0; sum < Sums; ++sum)
            filterRow(weights, inputs[size_t(sum)], ringRow(y, sum), columns);

        const int top = y - Window + 1;
        if (top < 0)
            continue;
        for (int sum = 0; sum < Sums; ++sum) {
            float* out = down.data() + size_t(sum) * size_t(columns);
            std::fill(out, out + columns, 0.0f);
            for (int k = 0; k < Window; ++k) {
                const float w = weights[size_t(k)];
                const float* in = ringRow(top + k, sum);
                for (int i = 0; i < columns; ++i)
                    out[i] += w * in[i];
            }
        }
        total += rowTotal(down.data(), columns);
    }
    return total / (double(columns) * double(rows));
}
} // namespace

double KPSsim::mean(const QImage& a, const QImage& b)
{
    if (a.isNull() || a.size() != b.size() || a.width() < Window || a.height() < Window)
        return std::numeric_limits<double>::quiet_NaN();
    return meanSsim(lumaOf(a), lumaOf(b));
}

QImage KPSsim::atOutputSize(const QImage& source, QSize outputSize)
{
    if (source.size() == outputSize)
        return source.convertToFormat(QImage::Format_RGB32);
    return source.scaled(outputSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}
