#pragma once

#include "engine/KPFailure.h"
#include "engine/KPImageData.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <optional>

// What every step of one job's fitting shares: the limit, Stop and the log hand-off, and
// the two rules all of them follow.
struct KPFitContext
{
    using LogHandOff = std::function<void(const KPImageDataPtr&)>;

    quint64 limit = 0;               // the size limit in bytes
    std::function<bool()> cancelled; // Stop: the job ends failed at once
    LogHandOff logHandOff;           // shows the job in the log view, and waits

    bool isCancelled() const { return cancelled && cancelled(); }
    // The limit as the searches count sizes, in qint64.
    qint64 searchLimit() const
    {
        return qint64(std::min<quint64>(limit, quint64(std::numeric_limits<qint64>::max())));
    }
    void handOffLog(const KPImageDataPtr& job) const
    {
        if (logHandOff)
            logHandOff(job);
    }
    // Fails the job; a step cut short by Stop fails as stopped, whatever broke off.
    void fail(const KPImageDataPtr& job, KPFailure reason) const
    {
        job->fail(isCancelled() ? KPFailure::Stopped : reason);
    }
    // The size check of an output file just measured (nothing: it could not be): its size
    // becomes the job's output size, and strictly under the limit the job is converted.
    bool checkSize(const KPImageDataPtr& job, std::optional<quint64> size) const
    {
        if (!size) {
            fail(job, KPFailure::WriteFailed);
            return false;
        }
        job->setExportSize(*size);
        if (*size < limit) {
            job->setProgress(KPProgress::Converted);
            return true;
        }
        return false;
    }
};
