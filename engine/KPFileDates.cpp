#include "engine/KPFileDates.h"

#include "engine/KPPath.h"

#include <fcntl.h>
#include <sys/stat.h>

bool KPFileDates::copy(const QString& source, const QString& target)
{
    struct stat info
    {
    };
    if (::stat(KPPath::toNative(source).constData(), &info) != 0)
        return false;
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    return ::utimensat(AT_FDCWD, KPPath::toNative(target).constData(), times,
                       AT_SYMLINK_NOFOLLOW) == 0;
}
