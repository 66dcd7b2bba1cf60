#pragma once

#include "engine/KPCodecStats.h"
#include "engine/KPFitter.h"
#include "engine/KPNotification.h"

#include <QObject>
#include <QStringList>
#include <QTextStream>

#include <memory>
#include <optional>

class KPBatchRun;
class KPListView;

// `pictaro --batch`: lists the given files and folders as the window's Add File and
// Add Folder do, runs the same batch run over them and reports each picture on the
// terminal. Exit status 0 when every picture converted, 1 when any failed, a named path
// was not taken or nothing was converted, 2 for bad arguments.
class KPBatchFrontEnd : public QObject
{
    Q_OBJECT
public:
    enum ExitCode
    {
        AllConverted = 0,
        SomeFailed = 1,
        BadArguments = 2
    };

    struct Options
    {
        quint64 limitBytes = 0;
        QString exportFolder; // absolute, checked
        KPFitOptions fit;
        QStringList paths;
        bool stats = false;
    };

    KPBatchFrontEnd(Options options, QTextStream& out, QTextStream& err, QObject* parent = nullptr);
    ~KPBatchFrontEnd() override;

    // Lists the paths and starts the run; `finished` follows with the exit code.
    void start();
    // Stops the run (Ctrl+C, SIGTERM): the picture in progress is cut short and fails.
    void stop();

Q_SIGNALS:
    void finished(int exitCode);

private:
    void onLog(const KPNotification& notification);
    void onJobFinished(const KPImageDataPtr& job);
    void onRunEnded();
    void printJob(const KPImageDataPtr& job);
    // Says, on a line of its own, how many originals lie under their outputs' names and
    // are kept, their outputs written beside them.
    void tellOriginalsKept();
    void clearProgressLine();
    // The codec's counts and times, for --stats.
    void printStats();

    Options m_options;
    QTextStream& m_out;
    QTextStream& m_err;
    // Before the run, so that it goes after it: attached for --stats alone.
    KPCodecStats m_stats;
    std::unique_ptr<KPListView> m_list;
    std::unique_ptr<KPBatchRun> m_run;
    bool m_tty = false;
    bool m_progressShown = false;
    qsizetype m_done = 0;
    qsizetype m_failed = 0;
    qsizetype m_refused = 0; // named paths not taken
    bool m_stopped = false;
    bool m_ended = false; // the summary is printed once, however the run ended
    // A run under one limit for the whole set: its total, told once the set is done.
    std::optional<QString> m_setTotal;
};
