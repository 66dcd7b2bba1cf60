#include "engine/KPFitPreferences.h"

#include "settings/KPSettings.h"

#include <algorithm>

KPFitPreferences KPFitPreferences::stored()
{
    return {
        [] { return KPSettings::boolForKey(KPSettingsKey::EnableConvertScale); },
        [] { return KPSettings::floatForKey(KPSettingsKey::CompressionFactor); },
        [] { return KPSettings::floatForKey(KPSettingsKey::LimitWidth); },
        [] { return KPSettings::floatForKey(KPSettingsKey::LimitHeight); },
        [] { return KPSettings::boolForKey(KPSettingsKey::BestQualityFit); },
        [] { return KPSettings::parallelJobs(); },
        [] { return KPSettings::metadataPolicy(); },
        [] { return KPSettings::largestBox(); },
        [] { return KPSettings::boolForKey(KPSettingsKey::KeepFolders); },
        [] { return KPSettings::boolForKey(KPSettingsKey::KeepDates); },
        [] { return KPSettings::integerForKey(KPSettingsKey::LimitAppliesTo) == 1; },
        [] { return KPSettings::outputFormat(); },
    };
}

QSize KPFitPreferences::smallestBox(const KPFitOptions& options,
                                    const KPFitPreferences& preferences)
{
    const float width = options.limitWidth.value_or(preferences.limitWidth());
    const float height = options.limitHeight.value_or(preferences.limitHeight());
    return {int(std::max(width, 0.0f)), int(std::max(height, 0.0f))};
}
