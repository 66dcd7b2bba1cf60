#pragma once

// Helpers of the fault suites: small file systems, snapshots of sources, and the checks
// every hostile run must pass. Header-only, so the suites need no change to the shared
// test library.

#include "engine/KPAtomicFile.h"
#include "engine/KPPath.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/mount.h>
#include <unistd.h>

namespace KPFault {

// A tmpfs mounted at `path` for as long as this lives, or a ramfs, which keeps no
// extended attributes. Only root may mount; elsewhere (or in a container that forbids it)
// `mounted()` is false and the caller falls back to the write-fault hook or skips.
class Tmpfs
{
public:
    Tmpfs(const QString& path, const QByteArray& size, const char* type = "tmpfs")
        : m_path(QFile::encodeName(path)), m_options("size=" + size)
    {
        m_mounted = ::geteuid() == 0 &&
                    ::mount(type, m_path.constData(), type, 0, m_options.constData()) == 0;
    }
    ~Tmpfs()
    {
        if (m_mounted)
            ::umount2(m_path.constData(), MNT_DETACH);
    }
    Tmpfs(const Tmpfs&) = delete;
    Tmpfs& operator=(const Tmpfs&) = delete;

    bool mounted() const { return m_mounted; }
    bool setReadOnly(bool readOnly)
    {
        const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
        return ::mount("tmpfs", m_path.constData(), "tmpfs", flags, m_options.constData()) == 0;
    }

private:
    QByteArray m_path;
    QByteArray m_options;
    bool m_mounted = false;
};

// Takes the free space of the file system holding `folder` until a write fails, then
// gives back `leave` bytes; the filler file is `folder/filler.bin`. Unbuffered, so what
// the file system took is exactly what the filler holds.
inline bool fill(const QString& folder, qint64 leave = 0)
{
    const QByteArray path = QFile::encodeName(QDir(folder).filePath(QStringLiteral("filler.bin")));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const QByteArray chunk(4096, 'f');
    qint64 size = 0;
    // What does not fit in a whole chunk still fits byte by byte.
    for (qsizetype length : {chunk.size(), qsizetype(1)}) {
        for (;;) {
            const ssize_t written = ::write(fd, chunk.constData(), size_t(length));
            if (written <= 0)
                break;
            size += written;
        }
    }
    const bool given = leave <= 0 || ::ftruncate(fd, std::max<qint64>(0, size - leave)) == 0;
    return ::close(fd) == 0 && given;
}

// The engine's working files in `folder`.
inline QStringList leftovers(const QString& folder)
{
    return QDir(folder).entryList(
        {QString::fromLatin1(KPAtomicFile::TempPrefix) + QLatin1Char('*')},
        QDir::Files | QDir::Hidden | QDir::System);
}

// Every regular file below `folder` (links not followed) with its bytes; names that are
// no UTF-8 too (kept as KPPath keeps them).
inline QHash<QString, QByteArray> snapshot(const QString& folder)
{
    namespace fs = std::filesystem;
    QHash<QString, QByteArray> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(KPPath::toNative(folder).toStdString(), error), end;
         !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error) || it->is_symlink(error))
            continue;
        const QString path = KPPath::fromNative(it->path().native());
        files.insert(path, KPAtomicFile::readAll(path).value_or(QByteArray()));
    }
    return files;
}

// A whole JPEG that decodes and is smaller than `limit` bytes.
inline bool isJpegUnder(const QString& path, quint64 limit)
{
    const std::optional<QByteArray> bytes = KPAtomicFile::readAll(path);
    return bytes && quint64(bytes->size()) < limit && bytes->startsWith("\xff\xd8") &&
           bytes->endsWith("\xff\xd9") && !QImage::fromData(*bytes, "JPEG").isNull();
}

} // namespace KPFault
