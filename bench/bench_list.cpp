// The image list on its own, as the core has it (no widgets): lists a folder tree with
// Add Folder, then removes a selection of rows.
//
//   bench_list FOLDER [REMOVE [contiguous|alternate]]
//
// Prints name=value lines: the listing's wall time, the jobs listed, the resident
// memory before and the peak after (VmRSS, VmHWM), and the removal's wall time. The
// selection is REMOVE rows (10,000 unless told), one block in the middle of the list or
// every other row from the first.

#include "KPBenchSupport.h"

#include "list/KPListPresenter.h"
#include "list/KPListView.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <cstdio>

namespace {

// A table stand-in that keeps a set of selected rows.
class BenchPresenter final : public KPListPresenter
{
public:
    void setPicData(const KPImageDataList* jobs) override { m_jobs = jobs; }
    void refreshData() override {}
    KPImageDataList delData() override
    {
        KPImageDataList jobs;
        if (!m_jobs)
            return jobs;
        jobs.reserve(qsizetype(m_selected.size()));
        for (int row : m_selected) {
            if (row >= 0 && row < m_jobs->size())
                jobs.append(m_jobs->at(row));
        }
        m_selected.clear();
        return jobs;
    }
    int selectedRow() const override { return m_selected.empty() ? -1 : m_selected.back(); }
    void selectRow(int row) override { m_selected = {row}; }

    // Rows in ascending order.
    void selectRows(std::vector<int> rows) { m_selected = std::move(rows); }

private:
    const KPImageDataList* m_jobs = nullptr;
    std::vector<int> m_selected;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    KPBench::PrivateSettings settings;
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: bench_list FOLDER [REMOVE [contiguous|alternate]]\n");
        return 2;
    }
    const QString folder = QDir(args.at(0)).absolutePath();
    const int remove = args.size() > 1 ? args.at(1).toInt() : 10000;
    const bool alternate = args.value(2) == QStringLiteral("alternate");

    KPListView list;
    BenchPresenter presenter;
    list.setPresenter(&presenter);
    list.setListViewType(KPListView::PictureList);

    const KPBench::Memory before = KPBench::memory();
    QElapsedTimer clock;
    clock.start();
    list.addMemberByFolder({folder});
    const double listMs = double(clock.nsecsElapsed()) / 1e6;
    const KPBench::Memory after = KPBench::memory();
    const auto jobs = static_cast<qint64>(list.memberMAr().size());

    KPBench::figure("list_ms", listMs);
    KPBench::figure("jobs", jobs);
    KPBench::figure("rss_before_kb", before.rssKb);
    KPBench::figure("hwm_after_list_kb", after.hwmKb);
    KPBench::figure("rss_after_list_kb", after.rssKb);
    if (jobs > 0)
        KPBench::figure("bytes_per_job",
                        double(after.rssKb - before.rssKb) * 1024.0 / double(jobs));

    if (remove <= 0 || remove > jobs)
        return 0;
    std::vector<int> rows;
    rows.reserve(size_t(remove));
    const int first = alternate ? 0 : int((jobs - remove) / 2);
    for (int i = 0; i < remove; ++i)
        rows.push_back(alternate ? 2 * i : first + i);
    if (rows.back() >= jobs) {
        std::fprintf(stderr, "bench_list: %d rows cannot be every other row of %lld\n", remove,
                     static_cast<long long>(jobs));
        return 1;
    }
    QSet<QString> removedPaths;
    for (int row : rows)
        removedPaths.insert(list.memberMAr().at(row)->path());
    presenter.selectRows(rows);

    clock.restart();
    list.delMember();
    const double removeMs = double(clock.nsecsElapsed()) / 1e6;
    KPBench::figure("remove_ms", removeMs);
    KPBench::figure("jobs_after_remove", static_cast<qint64>(list.memberMAr().size()));

    for (const KPImageDataPtr& job : list.memberMAr()) {
        if (removedPaths.contains(job->path())) {
            std::fprintf(stderr, "bench_list: %s is still listed\n", qPrintable(job->path()));
            return 1;
        }
    }
    if (list.memberMAr().size() != jobs - remove) {
        std::fprintf(stderr, "bench_list: %lld jobs left, expected %lld\n",
                     static_cast<long long>(list.memberMAr().size()),
                     static_cast<long long>(jobs - remove));
        return 1;
    }
    KPBench::figure("hwm_end_kb", KPBench::memory().hwmKb);
    return 0;
}
