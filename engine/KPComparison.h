#pragma once

#include "engine/KPFailure.h"

#include <QImage>
#include <QString>

#include <functional>
#include <limits>

// What the window's compare mode shows of a converted picture: its source and its output,
// each read through the run's own decoders (upright, sRGB, transparency on white), the
// source at the output's pixel size, and how alike the two are. Made on any thread.
struct KPComparison
{
    enum class Side
    {
        None,
        Source,
        Output
    };

    QImage before;                                          // the source at the output's pixel size
    QImage after;                                           // the output
    double ssim = std::numeric_limits<double>::quiet_NaN(); // NaN for a picture too small
    Side failedSide = Side::None;                           // which file could not be read, and why
    KPFailure failure = KPFailure::None;

    bool isValid() const { return failedSide == Side::None && !after.isNull(); }

    // Reads both files and compares them. `cancelled` is asked between the steps and by
    // the decoders; a comparison cancelled comes back empty.
    static KPComparison make(const QString& sourcePath, const QString& outputPath,
                             const std::function<bool()>& cancelled = {});
};
