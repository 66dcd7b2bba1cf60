#include "engine/KPAtomicFile.h"

#include "engine/KPPath.h"

#include <QFile>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

const char* const KPAtomicFile::TempPrefix = ".pictaro-";
const char* const KPAtomicFile::TempSuffix = ".tmp";
const char* const KPAtomicFile::OutputMark = "user.pictaro.output";

namespace {
std::mutex injectorMutex;
KPAtomicFile::WriteFault writeFault;
std::atomic<bool> marksUnsupported{false};

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

bool KPAtomicFile::placeOutput(const QString& from, const QString& to, bool replaceAny, int* error)
{
    const QByteArray local = KPPath::toNative(from);
    const QByteArray target = KPPath::toNative(to);
    // Where the mark cannot be stored the output goes unmarked: a later run then takes it
    // for the user's file and writes beside it, which loses nothing.
    markAsOutput(from);
    bool moved = faultAllows(target, -1);
    if (moved) {
        // The name was chosen when the job began; a file put there since is left alone.
        moved = ::renameat2(AT_FDCWD, local.constData(), AT_FDCWD, target.constData(),
                            RENAME_NOREPLACE) == 0;
        if (!moved && (errno == EEXIST || errno == EINVAL || errno == ENOSYS)) {
            struct stat info
            {
            };
            const bool free = ::lstat(target.constData(), &info) != 0 && errno == ENOENT;
            if (free || replaceAny || isMarkedOutput(to))
                moved = ::rename(local.constData(), target.constData()) == 0;
            else
                errno = EEXIST;
        }
    }
    if (!moved) {
        if (error)
            *error = errno;
        return false;
    }
    if (const int dir = untrack(local); dir >= 0)
        ::close(dir);
    return true;
}

bool KPAtomicFile::markAsOutput(const QString& path)
{
    if (marksUnsupported) {
        errno = ENOTSUP;
        return false;
    }
    static const char value[] = "1";
    return ::setxattr(KPPath::toNative(path).constData(), OutputMark, value, sizeof value - 1, 0) ==
           0;
}

bool KPAtomicFile::isMarkedOutput(const QString& path)
{
    if (marksUnsupported)
        return false;
    const QByteArray local = KPPath::toNative(path);
    struct stat info
    {
    };
    if (::lstat(local.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    return ::lgetxattr(local.constData(), OutputMark, nullptr, 0) >= 0;
}

bool KPAtomicFile::removeOutput(const QString& path)
{
    return isMarkedOutput(path) && ::unlink(KPPath::toNative(path).constData()) == 0;
}

void KPAtomicFile::setMarksUnsupported(bool unsupported)
{
    marksUnsupported = unsupported;
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

std::optional<QByteArray> KPAtomicFile::readAll(const QString& path, qint64 maxBytes,
                                                bool* tooLarge)
{
    if (tooLarge)
        *tooLarge = false;
    // Opened without waiting and only read when it is a plain file: a named pipe under a
    // picture's name would otherwise hold the job, Stop and closing the window for as
    // long as nothing writes into it.
    const int fd = ::open(KPPath::toNative(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    if (qint64(info.st_size) > maxBytes) {
        ::close(fd);
        if (tooLarge)
            *tooLarge = true;
        return std::nullopt;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    QByteArray data = file.read(qint64(info.st_size));
    // A file that grows while it is read is read on, but never past the limit.
    while (file.error() == QFile::NoError && data.size() <= maxBytes) {
        const QByteArray more =
            file.read(std::min<qint64>(qint64(1) << 20, maxBytes + 1 - data.size()));
        if (more.isEmpty())
            break;
        data += more;
    }
    if (file.error() != QFile::NoError)
        return std::nullopt;
    if (data.size() > maxBytes) {
        if (tooLarge)
            *tooLarge = true;
        return std::nullopt;
    }
    return data;
}
