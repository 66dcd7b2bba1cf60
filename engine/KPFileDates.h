#pragma once

#include <QString>

// A source's file dates given to its output, so that photo managers and file browsers sort
// the outputs as the originals.
class KPFileDates
{
public:
    KPFileDates() = delete;

    // Gives `target` (never followed when a link) the access and modification times of
    // `source`; false when either cannot be read or set.
    static bool copy(const QString& source, const QString& target);
};
