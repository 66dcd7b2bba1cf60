#include "engine/KPAtomicFile.h"

#include "engine/KPPath.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

const char* const KPAtomicFile::TempPrefix = ".pictaro-";
const char* const KPAtomicFile::TempSuffix = ".tmp";

namespace {
std::mutex injectorMutex;
KPAtomicFile::WriteFault writeFault;

// Asks the test hook, if any; false (errno ENOSPC) when it refuses the change.
bool faultAllows(const QByteArray& path, qint64 bytes)
{
    std::lock_guard lock(injectorMutex);
    if (writeFault && !writeFault(KPPath::fromNative(path), bytes)) {
        errno = ENOSPC;
        return false;
    }
    return true;
}

bool writeAll(int fd, const char* data, qint64 size, const QByteArray& path)
{
    if (!faultAllows(path, size))
        return false;
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            // No progress and no error: nothing more will fit.
            errno = ENOSPC;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// The umask, read without changing it (umask(2) would, for the whole process).
mode_t processUmask()
{
    static const mode_t mask = [] {
        QFile status(QStringLiteral("/proc/self/status"));
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : status.readAll().split('\n')) {
                if (line.startsWith("Umask:"))
                    return static_cast<mode_t>(line.mid(6).trimmed().toUInt(nullptr, 8));
            }
        }
        return static_cast<mode_t>(022);
    }();
    return mask;
}

// Each temporary file this process holds, with a handle on its folder: when the export
// folder is renamed or moved in the middle of a job, the file went with it and can only
// be removed through that handle.
std::mutex liveMutex;
std::map<QByteArray, int> liveFolders;

void track(const QByteArray& path, const QString& folder)
{
    const int dir = ::open(KPPath::toNative(folder).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return;
    std::lock_guard lock(liveMutex);
    if (const auto [it, added] = liveFolders.emplace(path, dir); !added)
        ::close(dir);
}

// Forgets `path`; its folder handle, or -1 when it is not one of ours.
int untrack(const QByteArray& path)
{
    std::lock_guard lock(liveMutex);
    const auto it = liveFolders.find(path);
    if (it == liveFolders.end())
        return -1;
    const int dir = it->second;
    liveFolders.erase(it);
    return dir;
}

bool unlinkTracked(const QByteArray& path)
{
    const int dir = untrack(path);
    bool removed = ::unlink(path.constData()) == 0;
    if (!removed && errno == ENOENT && dir >= 0)
        removed = ::unlinkat(dir, path.mid(path.lastIndexOf('/') + 1).constData(), 0) == 0;
    if (dir >= 0)
        ::close(dir);
    return removed;
}

// Opens a new temporary file in `folder`; returns its descriptor and fills `path`.
int openTemporary(const QString& folder, QByteArray& path)
{
    // The owner's process id is part of the name, so a later run can tell the leftovers
    // of a process that was killed from the files of one that is still working.
    path = KPPath::toNative(folder) + '/' + KPAtomicFile::TempPrefix +
           QByteArray::number(qint64(::getpid())) + "-XXXXXX" + KPAtomicFile::TempSuffix;
    const int fd = ::mkstemps(path.data(), static_cast<int>(qstrlen(KPAtomicFile::TempSuffix)));
    // mkstemps makes the file private; outputs get the modes of any new file.
    if (fd >= 0) {
        ::fchmod(fd, 0666 & ~processUmask());
        track(path, folder);
    }
    return fd;
}
} // namespace

std::optional<QString> KPAtomicFile::createTemporary(const QString& folder)
{
    QByteArray path;
    const int fd = openTemporary(folder, path);
    if (fd < 0)
        return std::nullopt;
    ::close(fd);
    return KPPath::fromNative(path);
}

std::optional<QString> KPAtomicFile::writeTemporary(const QString& folder, const QByteArray& data,
                                                    int* error)
{
    QByteArray path;
    const int fd = openTemporary(folder, path);
    if (fd < 0) {
        if (error)
            *error = errno;
        return std::nullopt;
    }
    bool written = writeAll(fd, data.constData(), data.size(), path);
    int why = written ? 0 : errno;
    if (written) {
        // Some file systems (network and FUSE ones) accept a write and keep less of it;
        // the size they report is what the measurement after this would see.
        struct stat info
        {
        };
        if (::fstat(fd, &info) != 0 || qint64(info.st_size) != qint64(data.size())) {
            written = false;
            why = EIO;
        }
    }
    // Delayed allocation may only find out at close that the disk is full.
    if (::close(fd) != 0 && written) {
        written = false;
        why = errno;
    }
    if (!written) {
        unlinkTracked(path);
        if (error)
            *error = why;
        return std::nullopt;
    }
    return KPPath::fromNative(path);
}

void KPAtomicFile::setWriteFault(WriteFault fault)
{
    std::lock_guard lock(injectorMutex);
    writeFault = std::move(fault);
}

int KPAtomicFile::removeStaleTemporaries(const QString& folder)
{
    const QByteArray prefix(TempPrefix);
    const QByteArray suffix(TempSuffix);
    const QByteArray native = KPPath::toNative(folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir)
        return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (!name.startsWith(prefix) || !name.endsWith(suffix) ||
            name.size() <= prefix.size() + suffix.size())
            continue;
        const QByteArray middle =
            name.mid(prefix.size(), name.size() - prefix.size() - suffix.size());
        bool ok = false;
        const qint64 owner = middle.left(middle.indexOf('-')).toLongLong(&ok);
        if (!ok || owner <= 0)
            continue;
        // Only files whose process is gone; another Pictaro may be writing into the same folder.
        if (owner == qint64(::getpid()) || ::kill(pid_t(owner), 0) == 0 || errno != ESRCH)
            continue;
        // Only plain files, as the temporaries are: a folder of that name is not ours.
        struct stat info
        {
        };
        if (::fstatat(::dirfd(dir), name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && ::unlinkat(::dirfd(dir), name.constData(), 0) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

bool KPAtomicFile::replace(const QString& from, const QString& to, int* error)
{
    const QByteArray local = KPPath::toNative(from);
    const QByteArray target = KPPath::toNative(to);
    if (!faultAllows(target, -1) || ::rename(local.constData(), target.constData()) != 0) {
        if (error)
            *error = errno;
        return false;
    }
    if (const int dir = untrack(local); dir >= 0)
        ::close(dir);
    return true;
}

bool KPAtomicFile::remove(const QString& path)
{
    return unlinkTracked(KPPath::toNative(path));
}

std::optional<quint64> KPAtomicFile::fileSize(const QString& path)
{
    struct stat info
    {
    };
    if (::stat(KPPath::toNative(path).constData(), &info) != 0)
        return std::nullopt;
    return static_cast<quint64>(info.st_size);
}

std::optional<QByteArray> KPAtomicFile::readAll(const QString& path)
{
    // Opened without waiting and only read when it is a plain file: a named pipe under a
    // picture's name would otherwise hold the job, Stop and closing the window for as
    // long as nothing writes into it.
    QFile file;
    if (!KPPath::openPlainFile(file, path))
        return std::nullopt;
    QByteArray data = file.readAll();
    if (file.error() != QFile::NoError)
        return std::nullopt;
    return data;
}
