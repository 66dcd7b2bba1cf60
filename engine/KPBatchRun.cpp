#include "engine/KPBatchRun.h"

#include "engine/KPBudgetRun.h"
#include "engine/KPFitSettings.h"
#include "engine/KPImageDecoder.h"
#include "settings/KPSettings.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <chrono>

#include <unistd.h>

void KPBatchRun::Completion::finish()
{
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    condition.notify_all();
}

bool KPBatchRun::Completion::waitFor(int milliseconds)
{
    std::unique_lock lock(mutex);
    return condition.wait_for(lock, std::chrono::milliseconds(milliseconds),
                              [this] { return done; });
}

KPBatchRun::KPBatchRun(QObject* parent) : QObject(parent) {}

KPBatchRun::~KPBatchRun()
{
    m_shuttingDown = true;
    if (m_run)
        m_run->flag = false;
    endAlertDismissed();
    std::vector<Thread> threads;
    {
        std::lock_guard lock(m_threadsMutex);
        threads.swap(m_threads);
    }
    // A thread may be waiting for a hand-off that the GUI thread will no longer run.
    // Dropping the queued call releases it; the shutting-down flag keeps it from
    // queueing another.
    for (Thread& entry : threads) {
        while (!entry.completion->waitFor(20))
            QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
        entry.thread.join();
    }
}

void KPBatchRun::endAlertDismissed()
{
    {
        std::lock_guard lock(m_alertMutex);
        m_alertOpen = false;
    }
    m_alertCondition.notify_all();
}

void KPBatchRun::setLimitSizeSource(LimitSizeSource source)
{
    m_limitSource = std::move(source);
}

void KPBatchRun::setExportPathSource(ExportPathSource source)
{
    m_exportSource = std::move(source);
}

void KPBatchRun::setFitOptions(const KPFitOptions& options)
{
    m_options = options;
}

void KPBatchRun::setFitPreferences(KPFitPreferences preferences)
{
    m_preferences = std::move(preferences);
}

bool KPBatchRun::resizeFlag() const
{
    return m_run && m_run->flag.load();
}

KPImageDataList KPBatchRun::okImgMAr() const
{
    std::lock_guard lock(m_resultMutex);
    return m_okImgMAr;
}

KPImageDataList KPBatchRun::errorImgMAr() const
{
    std::lock_guard lock(m_resultMutex);
    return m_errorImgMAr;
}

bool KPBatchRun::isIdle() const
{
    std::lock_guard lock(m_threadsMutex);
    for (const Thread& entry : m_threads) {
        std::lock_guard done(entry.completion->mutex);
        if (!entry.completion->done)
            return false;
    }
    return true;
}

void KPBatchRun::resize(const KPImageDataList& jobs)
{
    if (jobs.isEmpty())
        return;
    if (resizeFlag()) {
        stop();
        return;
    }
    m_run = std::make_shared<Run>();
    Q_EMIT controllerState(true);
    Q_EMIT saveConfig();
    reapFinishedThreads();

    RunSetup setup;
    setup.run = m_run;
    setup.jobs = jobs;
    setup.limitSource = m_limitSource;
    setup.exportSource = m_exportSource;
    setup.options = m_options;
    setup.preferences = m_preferences;
    setup.redrawList = m_redrawsList;
    setup.keepPreviews = m_keepsPreviews;
    setup.parallelJobs = std::clamp(m_options.parallelJobs.value_or(m_preferences.parallelJobs()),
                                    1, KPSettings::MaxParallelJobs);
    startThread([this, setup] { resizeThreadFunc(setup); });
}

void KPBatchRun::stop()
{
    if (!resizeFlag())
        return;
    m_run->flag = false;
    Q_EMIT controllerState(false);
}

std::shared_ptr<KPBatchRun::Completion> KPBatchRun::startThread(std::function<void()> body)
{
    auto completion = std::make_shared<Completion>();
    std::lock_guard lock(m_threadsMutex);
    m_threads.push_back(Thread{std::thread([body = std::move(body), completion] {
                                   body();
                                   completion->finish();
                               }),
                               completion});
    return completion;
}

void KPBatchRun::reapFinishedThreads()
{
    std::vector<Thread> finished;
    {
        std::lock_guard lock(m_threadsMutex);
        for (auto it = m_threads.begin(); it != m_threads.end();) {
            bool done = false;
            {
                std::lock_guard doneLock(it->completion->mutex);
                done = it->completion->done;
            }
            if (done) {
                finished.push_back(std::move(*it));
                it = m_threads.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (Thread& entry : finished)
        entry.thread.join();
}

void KPBatchRun::handOff(const std::function<void()>& call)
{
    if (m_shuttingDown)
        return;
    if (QThread::currentThread() == thread()) {
        call();
        return;
    }
    QMetaObject::invokeMethod(this, call, Qt::BlockingQueuedConnection);
}

void KPBatchRun::resizeThreadFunc(const RunSetup& setup)
{
    const quint64 limit = setup.limitSource ? setup.limitSource() : 0;
    m_curLimitSize = limit;
    if (limit == 0)
        return; // the run stays in its running form until the user stops it
    if (!resetResults(setup))
        return;
    const bool forSet = KPFitSettings(setup.options, setup.preferences).limitForSet();
    if (forSet ? runForSet(setup, limit) : startEveryJob(setup, limit))
        endRun(setup);
}

bool KPBatchRun::resetResults(const RunSetup& setup)
{
    {
        // Waits for the workers of an earlier, stopped run before its lists are emptied.
        std::unique_lock jobLock(m_jobMutex);
        // A run stopped while it waited here (Resize pressed again and again) must not
        // empty the lists of the run that came before or after it.
        if (!setup.run->flag)
            return false;
        std::lock_guard lock(m_resultMutex);
        m_okImgMAr.clear();
        m_errorImgMAr.clear();
        // Every row starts the run waiting: a job the run does not reach (Stop) must not
        // show an earlier run's result beside counts of this one.
        for (const KPImageDataPtr& job : setup.jobs)
            job->clearResult();
    }
    if (!m_shuttingDown)
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT jobsReset(); }, Qt::QueuedConnection);
    return true;
}

bool KPBatchRun::startEveryJob(const RunSetup& setup, quint64 limit)
{
    QStringList sources;
    sources.reserve(setup.jobs.size());
    for (const KPImageDataPtr& job : setup.jobs)
        sources.append(job->path());
    const auto placement =
        std::make_shared<KPExportPlacement>(sources, setup.options.replaceOriginals);

    const auto progress = std::make_shared<Progress>();
    const int parallel = setup.parallelJobs;
    const qint64 budget = parallel > 1 ? memoryBudget() : 0;
    for (int index = 0; index < int(setup.jobs.size()); ++index) {
        const KPImageDataPtr& job = setup.jobs.at(index);
        if (!setup.run->flag)
            return false; // stopped between two jobs
        // Each ended worker keeps its stack mapped until it is joined; joining them as
        // the run goes keeps a long run's memory flat.
        reapFinishedThreads();
        // Room for the job: fewer jobs in progress than the run may have, and together
        // with theirs its picture within the memory budget (one job may always run).
        const qint64 memory = parallel > 1 ? memoryFor(job) : 0;
        if (!waitFor(setup, *progress, [&progress, parallel, budget, memory] {
                return progress->inFlight == 0 || (progress->inFlight < parallel &&
                                                   progress->memoryInFlight + memory <= budget);
            }))
            return false; // the workers finish their jobs on their own
        {
            std::lock_guard lock(progress->mutex);
            ++progress->inFlight;
            progress->memoryInFlight += memory;
        }
        startThread([this, setup, job, index, placement, limit, progress, memory] {
            resizeOneThread(setup, job, index, placement, limit, progress, memory);
        });
        // Outputs are named in list order: the next job starts once this one has its name.
        if (!waitFor(setup, *progress, [&progress, index] { return progress->placed >= index; }))
            return false;
    }
    return waitFor(setup, *progress, [&progress] { return progress->inFlight == 0; });
}

bool KPBatchRun::runForSet(const RunSetup& setup, quint64 limit)
{
    std::shared_lock jobLock(m_jobMutex);
    QStringList sources;
    for (const KPImageDataPtr& job : setup.jobs)
        sources.append(job->path());
    KPExportPlacement placement(sources, setup.options.replaceOriginals);
    const auto progress = std::make_shared<Progress>();
    const int count = int(setup.jobs.size());
    // Each picture is fitted at the best quality under its share: one DCT and the
    // encodings it points to, never a loss encoded twice.
    RunSetup fitting = setup;
    fitting.options.bestQuality = true;
    fitting.parallelJobs = 1;

    KPBudgetRun::Hooks hooks;
    hooks.cancelled = [this, run = setup.run] {
        return !run->flag.load() || m_shuttingDown.load();
    };
    hooks.log = logHandOffFor(progress, 0);
    hooks.started = [this, progress, count](const KPImageDataPtr& job, int index) {
        progress->reporting = index;
        if (!m_shuttingDown)
            QMetaObject::invokeMethod(
                this, [this, job, index, count] { Q_EMIT jobStarted(job, index, count); },
                Qt::QueuedConnection);
    };
    hooks.fit = [this, &fitting, &placement, progress](const KPImageDataPtr& job, quint64 own) {
        fitOne(fitting, job, placement, own, logHandOffFor(progress, progress->reporting), {});
    };
    hooks.finished = [this, &setup, progress, count](const KPImageDataPtr& job, int index) {
        progress->reporting = index;
        fileAndReport(job, index, count);
        logHandOffFor(progress, index)(job);
        if (setup.redrawList)
            std::this_thread::sleep_for(std::chrono::milliseconds(RedrawPauseMs));
        if (!m_shuttingDown)
            QMetaObject::invokeMethod(
                this, [this] { Q_EMIT listRefresh(); }, Qt::QueuedConnection);
    };
    KPBudgetRun budget(setup.options, setup.preferences, std::move(hooks));
    const KPBudgetRun::Outcome outcome = budget.run(setup.jobs, limit);
    handOff([this, outcome] { Q_EMIT setTotal(outcome.limit, outcome.written, outcome.over); });
    return bool(setup.run->flag);
}

void KPBatchRun::endRun(const RunSetup& setup)
{
    // Stop pressed while the last job ran leaves the run stopped, not ended: the same
    // flag decides, taken in one step, so only one of the two can win.
    bool running = true;
    if (!setup.run->flag.compare_exchange_strong(running, false))
        return;
    const bool waitForAlert = m_waitsForEndAlert;
    bool announced = false;
    // Runs start on the GUI thread; one started since this run was claimed owns the
    // toolbar, the limit and the end message from now on.
    handOff([this, &announced, waitForAlert, run = setup.run] {
        if (m_run != run)
            return;
        m_curLimitSize = 0;
        if (waitForAlert) {
            std::lock_guard lock(m_alertMutex);
            m_alertOpen = true;
        }
        announced = true;
        Q_EMIT controllerState(false);
        Q_EMIT runEnded();
    });
    if (waitForAlert && announced) {
        std::unique_lock lock(m_alertMutex);
        m_alertCondition.wait(lock, [this] { return !m_alertOpen || m_shuttingDown; });
    }
}

bool KPBatchRun::waitFor(const RunSetup& setup, Progress& progress,
                         const std::function<bool()>& ready)
{
    std::unique_lock lock(progress.mutex);
    // Wakes as soon as a worker moves on; Stop is seen within one poll.
    while (!progress.condition.wait_for(lock, std::chrono::milliseconds(PollMs), ready)) {
        if (!setup.run->flag)
            return false;
    }
    return bool(setup.run->flag);
}

qint64 KPBatchRun::memoryFor(const KPImageDataPtr& job)
{
    // A file too large for any reader fails at once; it needs no room.
    const QSize pixels = KPImageDecoder::probeFile(job->path());
    return pixels.isValid() ? qint64(pixels.width()) * pixels.height() * BytesPerPixel : 0;
}

qint64 KPBatchRun::memoryBudget()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0; // unknown: one job at a time
    return qint64(pages) * pageSize / 4;
}

void KPBatchRun::Progress::markPlaced(int index)
{
    {
        std::lock_guard lock(mutex);
        placed = std::max(placed, index);
    }
    condition.notify_all();
}

void KPBatchRun::Progress::waitForTurn(int index)
{
    std::unique_lock lock(mutex);
    condition.wait(lock, [this, index] { return reporting >= index; });
}

void KPBatchRun::Progress::passTurn(int index)
{
    {
        std::lock_guard lock(mutex);
        reporting = index + 1;
    }
    condition.notify_all();
}

void KPBatchRun::Progress::leave(int index, qint64 memory)
{
    markPlaced(index);
    {
        std::lock_guard lock(mutex);
        --inFlight;
        memoryInFlight -= memory;
    }
    condition.notify_all();
}

void KPBatchRun::resizeOneThread(const RunSetup& setup, const KPImageDataPtr& job, int index,
                                 const std::shared_ptr<KPExportPlacement>& placement, quint64 limit,
                                 const std::shared_ptr<Progress>& progress, qint64 memory)
{
    // However the job ends, the jobs after it must not wait for it: it counts as placed,
    // passes the turn to report once it has had it, and leaves the jobs in progress.
    struct Leave
    {
        std::shared_ptr<Progress> progress;
        int index;
        qint64 memory;
        ~Leave() { progress->leave(index, memory); }
    } leave{progress, index, memory};

    std::shared_lock jobLock(m_jobMutex);
    // Stopped while it waited for a worker of another run: the job has not begun, so
    // it does not begin (it would be filed into the next run's lists and run twice).
    if (!setup.run->flag) {
        progress->markPlaced(index);
        progress->waitForTurn(index);
        progress->passTurn(index);
        return;
    }
    const int count = int(setup.jobs.size());
    if (!m_shuttingDown)
        QMetaObject::invokeMethod(
            this, [this, job, index, count] { Q_EMIT jobStarted(job, index, count); },
            Qt::QueuedConnection);

    const KPFitter::LogHandOff logHandOff = logHandOffFor(progress, index);
    fitOne(setup, job, *placement, limit, logHandOff,
           [progress, index] { progress->markPlaced(index); });
    progress->markPlaced(index);
    progress->waitForTurn(index);
    fileAndReport(job, index, count);
    logHandOff(job);
    progress->passTurn(index);

    // The pause lets the table catch up with the redraw; without a table there is
    // nothing to redraw and no reason to wait.
    if (setup.redrawList)
        std::this_thread::sleep_for(std::chrono::milliseconds(RedrawPauseMs));
    if (!m_shuttingDown)
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT listRefresh(); }, Qt::QueuedConnection);
}

KPFitter::LogHandOff KPBatchRun::logHandOffFor(const std::shared_ptr<Progress>& progress, int index)
{
    // Of the jobs in progress, only the earliest in list order shows its steps.
    return [this, progress, index](const KPImageDataPtr& current) {
        if (progress->reporting != index)
            return;
        QVariantMap info;
        info.insert(KPMessage::CurrentImage, QVariant::fromValue(current));
        const KPNotification note{KPMessage::ImageLogRefresh, this, info};
        handOff([this, note] { Q_EMIT imageLogRefresh(note); });
    };
}

void KPBatchRun::fitOne(const RunSetup& setup, const KPImageDataPtr& job,
                        KPExportPlacement& placement, quint64 limit,
                        const KPFitter::LogHandOff& logHandOff, std::function<void()> placed)
{
    KPFitter fitter(limit, setup.options, setup.exportSource, logHandOff, placement);
    // Stop, and closing the application, cut the job short: it ends failed within a
    // band of rows of the codec, and its working file is removed.
    fitter.setCancelled(
        [this, run = setup.run] { return !run->flag.load() || m_shuttingDown.load(); });
    fitter.setPreferences(setup.preferences);
    fitter.setKeepsPreview(setup.keepPreviews);
    fitter.setPlaced(std::move(placed));
    fitter.setThreads(std::max(1, QThread::idealThreadCount() / setup.parallelJobs));
    fitter.fitJob(job);
}

void KPBatchRun::fileAndReport(const KPImageDataPtr& job, int index, int count)
{
    QVariantMap report;
    {
        std::lock_guard lock(m_resultMutex);
        if (job->is(KPProgress::Failed))
            m_errorImgMAr.append(job);
        else if (job->is(KPProgress::Converted))
            m_okImgMAr.append(job);
        report.insert(KPMessage::ReportOK, QVariant::fromValue(m_okImgMAr));
        report.insert(KPMessage::ReportError, QVariant::fromValue(m_errorImgMAr));
    }
    const KPNotification reportNote{KPMessage::ImageReportRefresh, this, report};
    handOff([this, reportNote, job, index, count] {
        Q_EMIT imageReportRefresh(reportNote);
        Q_EMIT jobFinished(job, index, count);
    });
}
