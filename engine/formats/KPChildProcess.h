#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Runs a program with bytes on its standard input, hands its standard output on as it
// comes and keeps the end of its standard error, for the helpers. Started with
// posix_spawn: the child runs no code of this process before it executes the program
// (QProcess's child runs Qt's own code in this process's memory until then, which
// ThreadSanitizer cannot follow). The program leads a process group of its own, and
// whenever it is ended before its time, everything it started goes with it.
class KPChildProcess
{
public:
    KPChildProcess() = delete;

    struct Job
    {
        QString program;
        QStringList arguments;
        // Written to standard input one after the other, which is then closed.
        QList<QByteArray> input;
        // How long the program may take, from its start to its end.
        qint64 deadlineMs = 0;
        // Takes each piece of standard output as it comes; false refuses the output and
        // ends the program.
        std::function<bool(QByteArrayView)> output;
        // Asked every tenth of a second; true ends the program.
        std::function<bool()> cancelled;
    };

    struct Result
    {
        bool started = false;  // false: the program could not be started at all
        bool finished = false; // ran to its end, not killed for time, output or `cancelled`
        bool cancelled = false;
        bool timedOut = false; // killed at the deadline
        bool refused = false;  // killed for output that `output` refused
        int exitCode = -1;     // -1 when it ended by a signal
        int signal = 0;        // the signal that ended it, if one did
        QByteArray errorTail;  // the last ErrorTailBytes of its standard error
    };

    static constexpr qsizetype ErrorTailBytes = 4096;

    static Result run(const Job& job);
};
