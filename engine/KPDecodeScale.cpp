#include "engine/KPDecodeScale.h"

#include "engine/KPJpegEstimate.h"
#include "engine/KPScaledJpegDecode.h"

#include <algorithm>
#include <cmath>

int KPDecodeScale::fromLook(const QImage& look, QSize upright, qint64 available, int floorQuality,
                            double smallestScale, const std::function<bool()>& cancelled)
{
    if (look.isNull() || upright.isEmpty() || available <= 0)
        return KPScaledJpegDecode::Whole;
    KPJpegEstimate estimate;
    if (!estimate.analyse(look, 1, cancelled))
        return KPScaledJpegDecode::Whole;
    const qint64 floorBytes = estimate.size(floorQuality);
    if (floorBytes <= 0)
        return KPScaledJpegDecode::Whole;
    // The look's scale, and the scale at which the floor is foreseen to fill the limit.
    const double lookScale = double(look.width()) / double(upright.width());
    const double foreseen =
        lookScale * std::pow(double(available) / double(floorBytes), 1.0 / GrowthPower);
    const double scale = std::max(foreseen, smallestScale) * ResampleMargin;
    if (scale >= 1.0)
        return KPScaledJpegDecode::Whole;
    const QSize needed(int(std::ceil(upright.width() * scale)),
                       int(std::ceil(upright.height() * scale)));
    return KPScaledJpegDecode::eighthsFor(upright, needed);
}

int KPDecodeScale::forOutput(QSize upright, QSize output)
{
    const QSize needed(int(std::ceil(output.width() * ResampleMargin)),
                       int(std::ceil(output.height() * ResampleMargin)));
    return KPScaledJpegDecode::eighthsFor(upright, needed);
}

bool KPDecodeScale::holds(QSize decoded, QSize output)
{
    return double(output.width()) * ResampleMargin <= double(decoded.width()) + 0.5 &&
           double(output.height()) * ResampleMargin <= double(decoded.height()) + 0.5;
}
