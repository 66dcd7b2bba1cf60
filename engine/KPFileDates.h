#pragma once

#include <QString>

#include <optional>

#include <time.h>

// A source's file dates, given to its output so that photo managers and file browsers sort
// the outputs as the originals. Read before the source is: reading it may move its access
// time on.
class KPFileDates
{
public:
    // The access and modification times of `path` (followed when a link); nothing when they
    // cannot be read.
    static std::optional<KPFileDates> of(const QString& path);
    // Gives `path` (never followed when a link) these times; false when they cannot be set.
    bool applyTo(const QString& path) const;

private:
    struct timespec m_accessed = {};
    struct timespec m_modified = {};
};
