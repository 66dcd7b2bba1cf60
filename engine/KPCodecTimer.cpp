#include "engine/KPCodecTimer.h"

#include <chrono>

namespace {
qint64 nowNs()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

KPCodecTimer::KPCodecTimer(KPCodecStats::Work work)
    : m_stats(KPCodecStats::attached()), m_work(work)
{
    if (m_stats)
        m_start = nowNs();
}

KPCodecTimer::~KPCodecTimer()
{
    if (m_stats)
        m_stats->add(m_work, nowNs() - m_start);
}
