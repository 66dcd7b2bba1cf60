#include "engine/KPCodecStats.h"

#include <cmath>
#include <cstdlib>

namespace {
std::atomic<KPCodecStats*> observer{nullptr};
} // namespace

KPCodecStats::~KPCodecStats()
{
    KPCodecStats* self = this;
    observer.compare_exchange_strong(self, nullptr, std::memory_order_acq_rel);
}

void KPCodecStats::attach()
{
    observer.store(this, std::memory_order_release);
}

KPCodecStats* KPCodecStats::attached()
{
    return observer.load(std::memory_order_acquire);
}

void KPCodecStats::add(Work work, qint64 nanoseconds)
{
    m_counts[work].fetch_add(1, std::memory_order_relaxed);
    m_ns[work].fetch_add(nanoseconds, std::memory_order_relaxed);
}

void KPCodecStats::addChosen(qint64 estimate, qint64 real)
{
    if (KPCodecStats* stats = attached())
        stats->chosen(estimate, real);
}

void KPCodecStats::chosen(qint64 estimate, qint64 real)
{
    if (real <= 0)
        return;
    const auto error = qint64(std::llround(std::abs(double(estimate - real)) * 1e6 / double(real)));
    m_chosenCount.fetch_add(1, std::memory_order_relaxed);
    m_chosenErrorSum.fetch_add(error, std::memory_order_relaxed);
    qint64 largest = m_chosenErrorMax.load(std::memory_order_relaxed);
    while (error > largest &&
           !m_chosenErrorMax.compare_exchange_weak(largest, error, std::memory_order_relaxed)) {
    }
}

double KPCodecStats::chosenErrorMean() const
{
    const qint64 count = chosenCount();
    return count > 0
               ? double(m_chosenErrorSum.load(std::memory_order_relaxed)) / double(count) / 1e4
               : 0.0;
}

double KPCodecStats::chosenErrorLargest() const
{
    return double(m_chosenErrorMax.load(std::memory_order_relaxed)) / 1e4;
}
