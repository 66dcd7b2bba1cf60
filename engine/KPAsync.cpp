#include "engine/KPAsync.h"

#include <vector>

namespace {
// Enough for every task of the most pictures a run converts at once (each has a decode,
// a metadata read and a search's helpers): more than this wait in the queue, or are run
// by whoever waits for them.
constexpr int PoolThreads = 64;
} // namespace

QThreadPool& KPAsync::pool()
{
    static QThreadPool* const threads = [] {
        // Never destroyed: its threads may still be leaving when static objects go.
        auto* made = new QThreadPool;
        made->setObjectName(QStringLiteral("KPAsync"));
        made->setMaxThreadCount(PoolThreads);
        return made;
    }();
    return *threads;
}

void KPAsync::parallel(int count, const std::function<void(int part)>& part)
{
    std::vector<Task<void>> others;
    others.reserve(size_t(std::max(0, count - 1)));
    const auto* body = &part;
    for (int index = 1; index < count; ++index)
        others.push_back(Task<void>::start([body, index] { (*body)(index); }));
    part(0);
    // First whatever no thread took, then the parts still running elsewhere.
    for (Task<void>& other : others)
        other.runIfQueued();
    for (Task<void>& other : others)
        other.wait();
}
