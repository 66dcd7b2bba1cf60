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

    // Moves `from` over `to` in one step (both in one folder); `error` as above.
    static bool replace(const QString& from, const QString& to, int* error = nullptr);

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

    // Reads a whole plain file; nothing when it cannot be read or is no plain file.
    static std::optional<QByteArray> readAll(const QString& path);
};
