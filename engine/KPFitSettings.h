#pragma once

#include "engine/KPFitOptions.h"
#include "engine/KPFitPreferences.h"
#include "engine/KPMetadataPolicy.h"

#include <QSize>

#include <optional>

// What one job's fitting reads of the run's options and, where they leave it open, of the
// preferences: each value at the moment of use, so a change in the preferences during a
// run applies from then on.
class KPFitSettings
{
public:
    explicit KPFitSettings(KPFitOptions options,
                           KPFitPreferences preferences = KPFitPreferences::stored());
    void setPreferences(KPFitPreferences preferences) { m_preferences = std::move(preferences); }

    bool scalingAllowed() const;
    bool bestQuality() const;
    // The quality floor, as a factor: 1.0 the best quality.
    float qualityFloor() const;
    KPMetadataPolicy metadataPolicy() const;
    KPOutputFormat outputFormat() const;

    struct Box
    {
        float width = 0.0f; // across a landscape picture, down a portrait one
        float height = 0.0f;
    };
    // The smallest box a picture may be scaled down to; height first, then width, as the
    // scaling reads them.
    Box smallestBox() const;
    // The largest box an output may have (sides as the smallest box's); none when off.
    std::optional<QSize> largestBox() const;
    bool keepFolders() const;
    bool keepDates() const;
    bool limitForSet() const;

private:
    KPFitOptions m_options;
    KPFitPreferences m_preferences;
};
