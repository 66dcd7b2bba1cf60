#pragma once

#include "engine/KPOutputFormat.h"
#include "engine/KPQuality.h"

#include <QSize>
#include <QString>

#include <optional>

// What a job that ended converted made, as the fitting knew it when the job ended: the
// table, the log view and the terminal all show a finished job from this one value.
struct KPJobSummary
{
    enum class Ending
    {
        Encoded,               // a new encoding of the picture
        CopiedUnchanged,       // the source's own bytes (already under the limit, in the format)
        CopiedWithoutMetadata, // the source's picture data, without what the policy removes
    };

    Ending ending = Ending::Encoded;
    quint64 sourceBytes = 0; // the source as it was read
    quint64 outputBytes = 0;
    QSize outputPixels;               // upright
    std::optional<KPQuality> quality; // of an encoding; none for a copy
    QString outputPath;
    KPOutputFormat format = KPOutputFormat::Jpeg; // what the output holds

    bool isCopy() const { return ending != Ending::Encoded; }

    friend bool operator==(const KPJobSummary&, const KPJobSummary&) = default;
};
