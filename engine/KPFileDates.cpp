#include "engine/KPFileDates.h"

#include "engine/KPPath.h"

#include <fcntl.h>
#include <sys/stat.h>

std::optional<KPFileDates> KPFileDates::of(const QString& path)
{
    struct stat info
    {
    };
    if (::stat(KPPath::toNative(path).constData(), &info) != 0)
        return std::nullopt;
    KPFileDates dates;
    dates.m_accessed = info.st_atim;
    dates.m_modified = info.st_mtim;
    return dates;
}

bool KPFileDates::applyTo(const QString& path) const
{
    const struct timespec times[2] = {m_accessed, m_modified};
    return ::utimensat(AT_FDCWD, KPPath::toNative(path).constData(), times, AT_SYMLINK_NOFOLLOW) ==
           0;
}
