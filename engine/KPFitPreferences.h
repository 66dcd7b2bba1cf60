#pragma once

#include "engine/KPFitOptions.h"
#include "engine/KPMetadataPolicy.h"

#include <QSize>

#include <functional>

// Where the engine reads what a run's options leave open. Each is asked at the moment of
// use, as the preferences may change while a run goes on; `stored()` asks the preferences
// store.
struct KPFitPreferences
{
    std::function<bool()> enableConvertScale;
    std::function<float()> compressionFactor;
    std::function<float()> limitWidth;
    std::function<float()> limitHeight;
    std::function<bool()> bestQuality;
    std::function<int()> parallelJobs;
    std::function<KPMetadataPolicy()> metadataPolicy;
    // The upload rules; each may be left empty, read as off.
    std::function<QSize()> largestBox; // an empty size when it is off
    std::function<bool()> keepFolders;
    std::function<bool()> keepDates;
    std::function<bool()> limitForSet;
    // Absent: JPEG.
    std::function<KPOutputFormat()> outputFormat = [] { return KPOutputFormats::Default; };

    static KPFitPreferences stored();
    // The smallest box a picture may be scaled down to, in whole pixels: the options' sides
    // where they give them, else the preferences'.
    static QSize smallestBox(const KPFitOptions& options, const KPFitPreferences& preferences);
};
