#pragma once

#include "engine/KPFitter.h"
#include "engine/KPImageData.h"
#include "engine/KPNotification.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <thread>
#include <vector>

// A run over a list of jobs: one batch thread walks the jobs in list order and, for
// each, starts one worker thread that fits the job, files it into a result list and
// hands the report and log messages to the GUI thread, waiting until each has been
// handled. Stop ends the run at once: every job in progress is cut short and ends failed
// (stopped), filed and reported like any other, and no further job starts.
//
// One job at a time unless the run is asked for more ("Pictures at once"): then up to
// that many convert together, as long as their pictures fit in a memory budget. Each
// job still places its output before the next starts, and files and reports after the
// job before it, so names, result lists and messages come in list order whatever the
// number; only the earliest job in progress shows its steps in the log view.
//
// The object lives on the GUI thread. Its signals are always emitted there: the run's
// threads hand each emission over and wait until every connected slot has returned,
// so the views can read the job records and result lists while the worker waits.
class KPBatchRun : public QObject
{
    Q_OBJECT
public:
    using LimitSizeSource = std::function<quint64()>;
    using ExportPathSource = KPFitter::ExportPathSource;

    explicit KPBatchRun(QObject* parent = nullptr);
    ~KPBatchRun() override;

    // Asked once per run, on the batch thread: the limit in bytes (0 starts nothing).
    void setLimitSizeSource(LimitSizeSource source);
    // Asked once per job, on the worker thread: the checked export folder, or nothing.
    void setExportPathSource(ExportPathSource source);
    void setFitOptions(const KPFitOptions& options);
    // Replaces the preferences store as the source of what the options leave open.
    void setFitPreferences(KPFitPreferences preferences);
    // Whether ended jobs keep a preview of their result for the views (the default); the
    // terminal shows none. Applies from the next run.
    void setKeepsPreviews(bool keep) { m_keepsPreviews = keep; }
    // Whether a table shows the jobs (off by default; the terminal shows none): after each
    // job the run then pauses a moment, so the table catches up with `listRefresh`.
    // Applies from the next run.
    void setRedrawsList(bool redraws) { m_redrawsList = redraws; }

    // Resize/Stop: starts a run over `jobs`, in their order, or stops the one going on.
    // Does nothing without jobs. The run keeps its own copy of the list, so the caller may
    // change its list once the run has ended.
    void resize(const KPImageDataList& jobs);
    // Stop alone: ends the run going on, if there is one.
    void stop();

    // Set while a run goes on (until Stop or the end of the list).
    bool resizeFlag() const;
    quint64 curLimitSize() const { return m_curLimitSize.load(); }
    KPImageDataList okImgMAr() const;
    KPImageDataList errorImgMAr() const;

    // True when no thread of any run, stopped or not, is still working.
    bool isIdle() const;

    // With this set, a run that reached the end of the list lasts until
    // `endAlertDismissed` is called: the window's end-of-run alert is open meanwhile.
    void setWaitsForEndAlert(bool waits) { m_waitsForEndAlert = waits; }
    void endAlertDismissed();

    static constexpr int PollMs = 500;
    static constexpr int RedrawPauseMs = 50;
    // What a job converting a picture of one pixel is reckoned to hold at once (the
    // decoded picture, its flattened or scaled copies, its DCT and the encodings), for the
    // memory budget of jobs that convert together: a quarter of the physical memory.
    static constexpr qint64 BytesPerPixel = 16;

Q_SIGNALS:
    // The toolbar form: running or idle.
    void controllerState(bool running);
    // Emitted when a run starts, before its batch thread: the window stores the limit
    // and the recent export folders here.
    void saveConfig();
    void imageReportRefresh(const KPNotification& notification);
    void imageLogRefresh(const KPNotification& notification);
    // A job of the run begins (`index` in list order, of `count` jobs). Queued to the GUI
    // thread; the worker does not wait for it.
    void jobStarted(const KPImageDataPtr& job, int index, int count);
    // A job has ended, converted or failed (with its reason), and has been filed. Emitted in
    // the report hand-off, right after `imageReportRefresh`.
    void jobFinished(const KPImageDataPtr& job, int index, int count);
    // A job's row has changed for good: the table redraws. Queued to the GUI thread after
    // the job's report; the worker does not wait for it.
    void listRefresh();
    // The run has set every job waiting, clearing what an earlier run left: the table
    // redraws. Queued to the GUI thread before the first job starts.
    void jobsReset();
    // The list ran to its end; the batch thread ends once every slot has returned (the
    // window's end-of-run alert).
    void runEnded();
    // A run whose limit holds for the whole set: what was written against the limit, and
    // when the set could not fit (nothing written), by how much it is over. Emitted in a
    // hand-off before `runEnded`.
    void setTotal(quint64 limit, quint64 written, quint64 over);

private:
    struct Run
    {
        std::atomic<bool> flag{true};
    };
    struct Completion
    {
        std::mutex mutex;
        std::condition_variable condition;
        bool done = false;
        void finish();
        bool waitFor(int milliseconds);
    };
    struct Thread
    {
        std::thread thread;
        std::shared_ptr<Completion> completion;
    };
    // The jobs of one run that are in progress, and whose turn it is.
    struct Progress
    {
        std::mutex mutex;
        std::condition_variable condition;
        int placed = -1;               // the last job, in list order, that has placed its output
        std::atomic<int> reporting{0}; // the job whose turn it is to file and report
        int inFlight = 0;
        qint64 memoryInFlight = 0;

        // The job at `index` has its output's name (or never will).
        void markPlaced(int index);
        // Waits until the job at `index` may file and report: the jobs before it have.
        void waitForTurn(int index);
        void passTurn(int index);
        // The job at `index` has ended: it is placed, and its memory free for another.
        void leave(int index, qint64 memory);
    };
    // What a run's threads need, copied when the run starts.
    struct RunSetup
    {
        std::shared_ptr<Run> run;
        KPImageDataList jobs;
        LimitSizeSource limitSource;
        ExportPathSource exportSource;
        KPFitOptions options;
        KPFitPreferences preferences;
        bool redrawList = false;
        bool keepPreviews = true; // somebody shows the jobs' pictures
        int parallelJobs = 1;
    };

    void resizeThreadFunc(const RunSetup& setup);
    // Empties the result lists and sets every job waiting; false when the run was stopped
    // while it waited for the workers of an earlier one.
    bool resetResults(const RunSetup& setup);
    // Starts a worker for each job in list order, as room allows, and waits for the last;
    // false when the run was stopped.
    bool startEveryJob(const RunSetup& setup, quint64 limit);
    // The run over the whole set under one limit (KPBudgetRun); false when it was stopped.
    bool runForSet(const RunSetup& setup, quint64 limit);
    // The list ran to its end: the idle form and the end-of-run message, unless Stop won.
    void endRun(const RunSetup& setup);
    void resizeOneThread(const RunSetup& setup, const KPImageDataPtr& job, int index,
                         const std::shared_ptr<KPExportPlacement>& placement, quint64 limit,
                         const std::shared_ptr<Progress>& progress, qint64 memory);
    // The log hand-off of the job at `index`.
    KPFitter::LogHandOff logHandOffFor(const std::shared_ptr<Progress>& progress, int index);
    void fitOne(const RunSetup& setup, const KPImageDataPtr& job, KPExportPlacement& placement,
                quint64 limit, const KPFitter::LogHandOff& logHandOff,
                std::function<void()> placed);
    // Files the job into its result list and hands the report over.
    void fileAndReport(const KPImageDataPtr& job, int index, int count);
    // Waits until `ready` holds, seeing Stop within a poll; false when the run stopped.
    static bool waitFor(const RunSetup& setup, Progress& progress,
                        const std::function<bool()>& ready);
    // What a job's picture is reckoned to need in memory, from its header.
    static qint64 memoryFor(const KPImageDataPtr& job);
    static qint64 memoryBudget();
    std::shared_ptr<Completion> startThread(std::function<void()> body);
    void reapFinishedThreads();
    // Runs `call` on the GUI thread and returns once it has run.
    void handOff(const std::function<void()>& call);

    LimitSizeSource m_limitSource;
    ExportPathSource m_exportSource;
    KPFitOptions m_options;
    KPFitPreferences m_preferences = KPFitPreferences::stored();
    bool m_keepsPreviews = true;
    bool m_redrawsList = false;

    std::shared_ptr<Run> m_run;
    std::atomic<quint64> m_curLimitSize{0};
    std::atomic<bool> m_shuttingDown{false};
    std::atomic<bool> m_waitsForEndAlert{false};
    std::mutex m_alertMutex;
    std::condition_variable m_alertCondition;
    bool m_alertOpen = false;

    // Held (shared) by each worker for its whole job, so no job of a new run starts, and
    // no result list is emptied, while a worker of a stopped run is still busy.
    std::shared_mutex m_jobMutex;
    mutable std::mutex m_resultMutex;
    KPImageDataList m_okImgMAr;
    KPImageDataList m_errorImgMAr;

    mutable std::mutex m_threadsMutex;
    std::vector<Thread> m_threads;
};
