#pragma once

#include "engine/KPCodecStats.h"

// Adds the time from its making to its end to the attached observer's total of one kind
// of work; without an observer it does nothing, not even read the clock.
class KPCodecTimer
{
public:
    explicit KPCodecTimer(KPCodecStats::Work work);
    ~KPCodecTimer();
    KPCodecTimer(const KPCodecTimer&) = delete;
    KPCodecTimer& operator=(const KPCodecTimer&) = delete;

private:
    KPCodecStats* m_stats;
    KPCodecStats::Work m_work;
    qint64 m_start = 0;
};
