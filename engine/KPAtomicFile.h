#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// Files the engine writes in the export folder. Every temporary file it makes there is
// hidden and named ".pictaro-*.tmp", so it is never taken for an output or listed by a
// folder scan, and a later run can recognise one left by a killed process.
class KPAtomicFile
{
public:
    KPAtomicFile() = delete;

    static const char* const TempPrefix; // ".pictaro-"
    static const char* const TempSuffix; // ".tmp"

    // Creates a new, empty temporary file in `folder`; its path, or nothing.
    static std::optional<QString> createTemporary(const QString& folder);

    // Writes `data` into a new temporary file in `folder`; its path, or nothing (and no
    // file left) when it cannot be written completely. A file the file system reports
    // shorter or longer than `data` counts as not written. On failure `error` receives the
    // errno value that tells why (ENOSPC for a full disk).
    static std::optional<QString> writeTemporary(const QString& folder, const QByteArray& data,
                                                 int* error = nullptr);

    // Puts the finished file `from` in place as the output `to` (both in one folder), in
    // one step, marked as Pictaro's output first so that the mark arrives with the file.
    // Whatever lies at `to` is replaced only when it is Pictaro's own output, or when
    // `replaceAny` says the caller may replace it (a source the user asked to replace);
    // anything else there makes it fail with EEXIST. `error` as above.
    static bool placeOutput(const QString& from, const QString& to, bool replaceAny = false,
                            int* error = nullptr);

    // The extended attribute that marks every output Pictaro writes.
    static const char* const OutputMark; // "user.pictaro.output"
    // Marks a file as an output of Pictaro; false where the file system keeps no
    // extended attributes of users (vfat, some network file systems, tmpfs before Linux 6.6).
    static bool markAsOutput(const QString& path);
    // Whether `path` is a plain file (no link, folder or other kind) that carries the mark.
    // A file whose mark cannot be read is not Pictaro's: it is never replaced or removed.
    static bool isMarkedOutput(const QString& path);
    // Removes `path` only when it is Pictaro's own output; true when it removed it.
    static bool removeOutput(const QString& path);
    // For tests: marks can then be neither stored nor read, as on a file system without
    // extended attributes.
    static void setMarksUnsupported(bool unsupported);

    // Removes a file; a temporary file of this process is found even when its folder was
    // renamed since it was made.
    static bool remove(const QString& path);

    // Removes the temporary files that a process which no longer runs left in `folder`
    // (killed in the middle of a job); the number removed.
    static int removeStaleTemporaries(const QString& folder);

    // For tests: asked before every write into a file of the engine, with the file and
    // the number of bytes, and before the rename that puts an output in place (bytes -1,
    // the path is the output's); answering false makes it fail as on a full disk.
    using WriteFault = std::function<bool(const QString& path, qint64 bytes)>;
    static void setWriteFault(WriteFault fault);

    // The size of the file at `path` as the file system reports it, or nothing.
    static std::optional<quint64> fileSize(const QString& path);

    // The most a whole-file read takes: no reader accepts a larger picture file.
    static constexpr qint64 MaxReadBytes = qint64(1) << 30;

    // Reads a whole plain file; nothing when it cannot be read, is no plain file, or is
    // larger than `maxBytes`, which is told by `tooLarge` and found before anything is
    // read, so a file of a hundred gigabytes costs no memory.
    static std::optional<QByteArray> readAll(const QString& path, qint64 maxBytes = MaxReadBytes,
                                             bool* tooLarge = nullptr);
};
