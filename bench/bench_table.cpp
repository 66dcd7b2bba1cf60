// The list in the real window, on the offscreen platform: the picture table of a
// KPMainWindow with a folder tree listed through it.
//
//   bench_table remove FOLDER [REMOVE [contiguous|alternate]]
//       selects REMOVE rows (10,000) through the table's selection model, one block or
//       every other row, times a ctrl-click that deselects one of them, and times the
//       Delete command with the repaint that follows
//   bench_table run FOLDER EXPORT_FOLDER
//       presses Resize with a limit of 200 KB and reports the peak resident memory once
//       the run has ended
//   bench_table scroll FOLDER
//       with a timer step every 16 ms: first three rows a step for 600 steps (a mouse
//       wheel, slow enough for thumbnails to arrive), then a page a step down to the end
//       (a flick), then 300 jumps to random places (dragging the scroll bar); a 5 ms
//       timer meanwhile records how long the GUI thread kept it waiting
//
//   bench_table thumbnails FOLDER
//       from the moment the folder is added, shows the table a page at a time, each page
//       once every thumbnail on it has arrived, down to the last row: the time until the
//       last thumbnail is shown (a folder of a few hundred camera photos, say)
//
// All first time the listing (Add Folder through the window) and print name=value
// lines; every time is wall time on the GUI thread.

#include "KPBenchSupport.h"

#include "engine/KPBatchRun.h"
#include "list/KPListView.h"
#include "list/KPPicTableModel.h"
#include "list/KPPicTableView.h"
#include "list/KPThumbnailCache.h"
#include "ui/KPLocalization.h"
#include "ui/KPMainWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QItemSelectionModel>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {

void spin(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

double msSince(const QElapsedTimer& clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

// CPU time of the calling thread: a step whose wall time is far above it waited for a
// core or a lock rather than working.
double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// How often the calling thread gave up its core of its own accord: waits for a lock,
// a page or a file.
long threadSleeps()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

// How long the calling thread has waited on a run queue (ready, with no core free),
// from the scheduler's statistics; 0 where the kernel does not keep them.
double runQueueMs()
{
    QFile file(QStringLiteral("/proc/thread-self/schedstat"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readLine().split(' ').value(1).toDouble() / 1e6;
}

// Ticks every 5 ms on the GUI thread and keeps how late each tick came: the time the
// thread was busy with something else.
class BlockWatch : public QObject
{
public:
    explicit BlockWatch(QObject* parent = nullptr) : QObject(parent)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(TickMs);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const double now = msSince(m_clock);
            m_blocks.push_back(std::max(0.0, now - m_last - TickMs));
            m_last = now;
        });
    }
    void start()
    {
        m_blocks.clear();
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    std::vector<double> stop()
    {
        m_timer.stop();
        return m_blocks;
    }

    static constexpr int TickMs = 5;

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    double m_last = 0;
    std::vector<double> m_blocks;
};

void report(const char* prefix, const std::vector<double>& values)
{
    const QByteArray name(prefix);
    KPBench::figure((name + "_max_ms").constData(), KPBench::percentile(values, 1.0));
    KPBench::figure((name + "_p99_ms").constData(), KPBench::percentile(values, 0.99));
    KPBench::figure((name + "_median_ms").constData(), KPBench::percentile(values, 0.5));
}

int removeRows(KPMainWindow& window, int remove, bool alternate)
{
    QTableView* table = window.picTableView()->picTV();
    QAbstractItemModel* model = table->model();
    const int rows = model->rowCount();
    const int columns = model->columnCount();
    if (remove <= 0 || remove > rows || (alternate && 2 * (remove - 1) >= rows)) {
        std::fprintf(stderr, "bench_table: cannot select %d rows of %d\n", remove, rows);
        return 1;
    }
    const int first = alternate ? 0 : (rows - remove) / 2;
    QItemSelection selection;
    if (alternate) {
        for (int i = 0; i < remove; ++i)
            selection.append(
                QItemSelectionRange(model->index(2 * i, 0), model->index(2 * i, columns - 1)));
    } else {
        selection.select(model->index(first, 0), model->index(first + remove - 1, columns - 1));
    }
    const int last = alternate ? 2 * (remove - 1) : first + remove - 1;
    QItemSelectionModel* selectionModel = table->selectionModel();

    QElapsedTimer clock;
    clock.start();
    // As a shift-click or a run of ctrl-clicks leaves it: the last row clicked is current.
    selectionModel->select(selection,
                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    selectionModel->setCurrentIndex(model->index(last, 0), QItemSelectionModel::NoUpdate);
    KPBench::figure("select_ms", msSince(clock));
    spin(200);

    // A ctrl-click on the current row takes it out of the selection, a second one puts it
    // back: the window then looks for another selected row to show.
    const QModelIndex lastIndex = model->index(last, 0);
    clock.restart();
    selectionModel->setCurrentIndex(lastIndex,
                                    QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
    KPBench::figure("deselect_click_ms", msSince(clock));
    spin(50);
    selectionModel->setCurrentIndex(lastIndex,
                                    QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
    spin(200);

    clock.restart();
    window.deleteAction()->trigger();
    KPBench::figure("remove_ms", msSince(clock));
    table->viewport()->repaint();
    KPBench::figure("remove_paint_ms", msSince(clock));
    KPBench::figure("rows_after_remove", qint64(model->rowCount()));

    const int left = rows - remove;
    if (model->rowCount() != left || window.picLV()->memberMAr().size() != left) {
        std::fprintf(stderr, "bench_table: %d rows and %lld jobs left, expected %d\n",
                     model->rowCount(), static_cast<long long>(window.picLV()->memberMAr().size()),
                     left);
        return 1;
    }
    return 0;
}

int scroll(KPMainWindow& window)
{
    QTableView* table = window.picTableView()->picTV();
    KPThumbnailCache* thumbnails = window.picTableView()->thumbnails();
    QScrollBar* bar = table->verticalScrollBar();
    const KPImageDataList& jobs = window.picLV()->memberMAr();
    if (jobs.isEmpty())
        return 1;

    // The first page's thumbnails, so the idle figure below is quiet.
    QElapsedTimer clock;
    clock.start();
    while (!thumbnails->pixelSize(jobs.first()->path()).isValid() && clock.elapsed() < 5000)
        spin(10);
    KPBench::figure("first_thumbnail_ms", msSince(clock));
    spin(500);

    BlockWatch watch;
    watch.start();
    spin(1000);
    report("idle_block", watch.stop());

    std::vector<double> paints;
    std::vector<double> paintCpu;    // what the thread itself spent: the rest is waiting
    std::vector<double> paintQueued; // ready to run, but every core was taken
    int wheelSteps = 0;
    constexpr int WheelSteps = 600;
    int pageSteps = 0;
    int jumps = 0;
    bool paging = true; // down to the end first, then the jumps
    constexpr int Jumps = 300;
    QRandomGenerator random(7);
    QTimer stepper;
    stepper.setTimerType(Qt::PreciseTimer);
    stepper.setInterval(16);
    QEventLoop loop;
    QObject::connect(&stepper, &QTimer::timeout, &loop, [&] {
        QElapsedTimer paint;
        paint.start();
        const double cpuStart = threadCpuMs();
        const double queuedStart = runQueueMs();
        const long sleepsStart = threadSleeps();
        if (wheelSteps < WheelSteps && bar->value() < bar->maximum()) {
            bar->setValue(bar->value() + 3 * table->rowHeight(0));
            ++wheelSteps;
        } else if (paging && bar->value() < bar->maximum()) {
            bar->setValue(bar->value() + bar->pageStep());
            ++pageSteps;
        } else if (paging = false; jumps < Jumps) {
            bar->setValue(int(random.bounded(bar->maximum() + 1)));
            ++jumps;
        } else {
            loop.quit();
            return;
        }
        table->viewport()->repaint();
        paints.push_back(msSince(paint));
        paintCpu.push_back(threadCpuMs() - cpuStart);
        paintQueued.push_back(runQueueMs() - queuedStart);
        if (qEnvironmentVariableIsSet("BENCH_TRACE") && paints.back() > 15)
            std::fprintf(stderr,
                         "step %zu: value %d of %d, %.1f ms: %.1f ms on the CPU, %.1f ms waiting "
                         "for one, %ld sleeps\n",
                         paints.size(), bar->value(), bar->maximum(), paints.back(),
                         paintCpu.back(), paintQueued.back(), threadSleeps() - sleepsStart);
    });
    qint64 read = 0;
    const QMetaObject::Connection counting =
        QObject::connect(thumbnails, &KPThumbnailCache::thumbnailReady, &loop, [&read] { ++read; });
    watch.start();
    clock.restart();
    stepper.start();
    loop.exec();
    stepper.stop();
    const std::vector<double> blocks = watch.stop();
    QObject::disconnect(counting);
    KPBench::figure("thumbnails_read", read);
    KPBench::figure("scroll_s", msSince(clock) / 1000.0);
    KPBench::figure("wheel_steps", qint64(wheelSteps));
    KPBench::figure("page_steps", qint64(pageSteps));
    KPBench::figure("jumps", qint64(jumps));
    KPBench::figure("rows_per_page", double(bar->pageStep()) / table->rowHeight(0));
    report("scroll_block", blocks);
    report("scroll_paint", paints);
    report("scroll_paint_cpu", paintCpu);
    report("scroll_paint_queued", paintQueued);

    // Lets the last requested thumbnails arrive, then counts what the cache holds.
    spin(2000);
    qint64 cached = 0;
    QString cachedPath;
    for (const KPImageDataPtr& job : jobs) {
        if (thumbnails->pixelSize(job->path()).isValid()) {
            ++cached;
            cachedPath = job->path();
        }
    }
    const QImage sample = cachedPath.isEmpty() ? QImage() : thumbnails->thumbnail(cachedPath);
    KPBench::figure("thumbnails_cached", cached);
    KPBench::figure("thumbnail_bytes", qint64(sample.sizeInBytes()));
    KPBench::figure("cache_bound_mb", double(KPThumbnailCache::CacheBytes) / (1024.0 * 1024.0));
    KPBench::figure("hwm_end_kb", KPBench::memory().hwmKb);
    return 0;
}

// Every row's thumbnail, a page at a time as someone reading down the list sees them;
// `sinceAdd` was started as the folder was added.
int thumbnailsAll(KPMainWindow& window, const QElapsedTimer& sinceAdd)
{
    QTableView* table = window.picTableView()->picTV();
    const auto* model = qobject_cast<const KPPicTableModel*>(table->model());
    KPThumbnailCache* thumbnails = window.picTableView()->thumbnails();
    QScrollBar* bar = table->verticalScrollBar();
    const int rows = model ? model->rowCount() : 0;
    if (rows == 0)
        return 1;
    auto pageShown = [&] {
        const int first = std::max(0, table->rowAt(0));
        int last = table->rowAt(table->viewport()->height() - 1);
        if (last < 0)
            last = rows - 1;
        for (int row = first; row <= last; ++row) {
            if (!thumbnails->pixelSize(model->job(row)->path()).isValid())
                return -1;
        }
        return last;
    };
    int pages = 1;
    for (;;) {
        table->viewport()->repaint(); // asks for the page's thumbnails
        const int last = pageShown();
        if (last == rows - 1)
            break;
        if (last >= 0) {
            bar->setValue(bar->value() + bar->pageStep());
            ++pages;
            continue;
        }
        if (sinceAdd.elapsed() > 600 * 1000) {
            std::fprintf(stderr, "bench_table: the thumbnails did not all arrive\n");
            return 1;
        }
        spin(2);
    }
    KPBench::figure("last_thumbnail_ms", msSince(sinceAdd));
    KPBench::figure("pages", qint64(pages));
    qint64 read = 0;
    for (int row = 0; row < rows; ++row)
        read += thumbnails->pixelSize(model->job(row)->path()).isValid() ? 1 : 0;
    KPBench::figure("thumbnails_cached", read);
    KPBench::figure("hwm_end_kb", KPBench::memory().hwmKb);
    return 0;
}

// Resize over the whole list, 200 KB a picture, as a user would press it; the end alert
// is answered as soon as it shows.
int runAll(KPMainWindow& window, const QString& exportFolder)
{
    window.exportFolder().setText(exportFolder);
    window.sizeLimit().setNumber(QStringLiteral("200"));
    window.sizeLimit().setSegment(KPSizeLimit::KB);
    QElapsedTimer clock;
    clock.start();
    window.resizeAction()->trigger();
    while (!window.endAlert()) {
        spin(100);
        if (clock.elapsed() > 4 * 3600 * 1000) {
            std::fprintf(stderr, "bench_table: the run did not end\n");
            return 1;
        }
    }
    KPBench::figure("run_s", msSince(clock) / 1000.0);
    window.endAlert()->buttons().value(0)->click();
    while (!window.run()->isIdle())
        spin(50);
    KPBench::figure("converted", qint64(window.run()->okImgMAr().size()));
    KPBench::figure("failed", qint64(window.run()->errorImgMAr().size()));
    KPBench::figure("hwm_end_kb", KPBench::memory().hwmKb);
    return window.run()->errorImgMAr().isEmpty() ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    KPBench::PrivateSettings settings;
    KPLocalization::install(app);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const QString mode = args.value(0);
    const bool run = mode == QStringLiteral("run");
    const bool allThumbnails = mode == QStringLiteral("thumbnails");
    if (args.size() < 2 || (mode != QStringLiteral("remove") && mode != QStringLiteral("scroll") &&
                            !allThumbnails && !(run && args.size() >= 3))) {
        std::fprintf(stderr, "usage: bench_table remove FOLDER [REMOVE [contiguous|alternate]]\n"
                             "       bench_table scroll FOLDER\n"
                             "       bench_table thumbnails FOLDER\n"
                             "       bench_table run FOLDER EXPORT_FOLDER\n");
        return 2;
    }
    const QString folder = QDir(args.at(1)).absolutePath();

    KPMainWindow window;
    window.awakeFromNib();
    window.resize(1280, 900);
    window.show();
    spin(300);

    const KPBench::Memory before = KPBench::memory();
    QElapsedTimer clock;
    clock.start();
    window.addPaths({folder});
    KPBench::figure("window_list_ms", msSince(clock));
    window.picTableView()->picTV()->viewport()->repaint();
    KPBench::figure("window_list_paint_ms", msSince(clock));
    KPBench::figure("jobs", static_cast<qint64>(window.picLV()->memberMAr().size()));
    KPBench::figure("rss_before_kb", before.rssKb);
    KPBench::figure("hwm_after_list_kb", KPBench::memory().hwmKb);
    if (allThumbnails)
        return thumbnailsAll(window, clock);
    spin(200);

    if (run)
        return runAll(window, QDir(args.at(2)).absolutePath());
    if (mode == QStringLiteral("remove")) {
        const int remove = args.size() > 2 ? args.at(2).toInt() : 10000;
        return removeRows(window, remove, args.value(3) == QStringLiteral("alternate"));
    }
    return scroll(window);
}
