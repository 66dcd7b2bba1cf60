#pragma once

#include "engine/KPMetadataPolicy.h"
#include "engine/KPOutputFormat.h"

#include <QSize>

#include <optional>

// Values that replace the stored preferences for one run (the terminal's options).
// Whatever is left empty is read from the preferences store at the moment of use.
struct KPFitOptions
{
    std::optional<bool> enableConvertScale;
    std::optional<float> compressionFactor; // the quality floor, 0.0 to 1.0
    std::optional<float> limitWidth;
    std::optional<float> limitHeight;
    std::optional<bool> bestQuality; // the best-quality fitting instead of the stepwise one
    std::optional<int> parallelJobs; // pictures converted at once by a run
    std::optional<KPMetadataPolicy> metadataPolicy;
    // The upload rules (a largest box, the folders and dates kept, the limit for the set).
    std::optional<QSize> largestBox; // an empty size: none
    std::optional<bool> keepFolders;
    std::optional<bool> keepDates;
    std::optional<bool> limitForSet; // the limit holds for all pictures together
    std::optional<KPOutputFormat> outputFormat;
    // A job whose output's name is its own source (the export folder holds the sources)
    // replaces it; without it the output goes beside the source. Only ever set because
    // the user asked for it in so many words.
    bool replaceOriginals = false;
};
