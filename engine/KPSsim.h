#pragma once

#include <QImage>
#include <QSize>

// How alike an output is to its source: the mean SSIM (Wang, Bovik, Sheikh and Simoncelli,
// 2004) of the luma (Rec. 601 Y, 0..255) over every position of an 11x11 Gaussian window
// (sigma 1.5, K1 = 0.01, K2 = 0.03, L = 255) that fits whole: no downsampling first, so
// small flaws of a big output count too. 1 means identical.
class KPSsim
{
public:
    KPSsim() = delete;

    static constexpr int Window = 11;

    // Two opaque pictures of one size, each side at least `Window` pixels; NaN otherwise.
    static double mean(const QImage& a, const QImage& b);
    // The source as it is compared with an output: scaled to exactly the output's pixel
    // size (smoothly; an aspect that drifted by a pixel in rounding is followed), opaque.
    static QImage atOutputSize(const QImage& source, QSize outputSize);
};
