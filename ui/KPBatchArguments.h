#pragma once

#include "ui/KPBatchFrontEnd.h"

#include <QString>
#include <QStringList>

#include <optional>

// The terminal's arguments: what they ask for, and for a run its options, each checked.
class KPBatchArguments
{
public:
    KPBatchArguments() = delete;

    struct Request
    {
        enum class Asks
        {
            Run,
            Help,
            Version
        };
        Asks asks = Asks::Run;
        KPBatchFrontEnd::Options options; // for a run
    };

    // Reads the arguments (after the program's name, each with its bytes kept, see
    // KPPath). "--" ends the options, "-" is a path; `--option=value` and `--option value`
    // are the same. `--help` and `--version` win over anything else given. On failure,
    // `error` says what is wrong and nothing is returned.
    static std::optional<Request> parse(const QStringList& arguments, QString& error);
    // Parses a limit such as "500KB", "2 MB" or "750kb"; 0 when it is not one.
    static quint64 parseLimit(const QString& text, QString& error);
    static QString usage();
};
