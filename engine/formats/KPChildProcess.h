#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Runs a program with bytes on its standard input and collects its standard output, for
// the decoding helper. Started with posix_spawn: the child runs no code of this process
// before it executes the program (QProcess's child runs Qt's own code in this process's
// memory until then, which ThreadSanitizer cannot follow). Its standard error goes to
// /dev/null. The program leads a process group of its own, and whenever it is ended
// before its time, everything it started goes with it.
class KPChildProcess
{
public:
    KPChildProcess() = delete;

    struct Result
    {
        bool started = false;  // false: the program could not be started at all
        bool finished = false; // ran to its end, not killed for time, size or `cancelled`
        bool cancelled = false;
        bool overflowed = false; // killed for writing more than `maxOutput` bytes
        int exitCode = -1;       // -1 when it ended by a signal
        int signal = 0;          // the signal that ended it, if one did
        QByteArray output;
    };

    // Waits at most `timeoutMs` and reads at most `maxOutput` bytes (the program is
    // killed at either), asking `cancelled` every tenth of a second.
    static Result run(const QString& program, const QStringList& arguments, const QByteArray& input,
                      qint64 timeoutMs, qint64 maxOutput, const std::function<bool()>& cancelled);
};
