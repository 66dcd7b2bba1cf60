#pragma once

#include "engine/KPFitOptions.h"
#include "engine/KPFitPreferences.h"
#include "engine/KPImageData.h"
#include "engine/KPSizeCurve.h"

#include <functional>
#include <optional>

// A run whose limit holds for all its pictures together. Every picture is analysed before
// any is written: read, brought inside the largest box, and its size curve taken (only the
// curve is kept, never the picture). KPSetBudget then gives each picture a limit of its
// own; when even the floor and the smallest box cannot fit the set, nothing is written and
// every picture fails, the run telling by how much the set is over. Otherwise the pictures
// are fitted one after the other at the best quality under their limits, and what one
// leaves unused goes to the pictures after it, so the files written add up to less than
// the limit. A picture that fails drops out of the set: its share goes to the ones after
// it. Stop during the analysis writes nothing; during the writing, the pictures written so
// far stay as they are and the one in progress leaves nothing. Used on the batch thread.
class KPBudgetRun
{
public:
    struct Hooks
    {
        std::function<bool()> cancelled;
        // A job is about to be written (`index` in list order).
        std::function<void(const KPImageDataPtr&, int index)> started;
        // A job has ended, converted or failed: it is filed and reported.
        std::function<void(const KPImageDataPtr&, int index)> finished;
        // Fits one job under its own limit, placing its output.
        std::function<void(const KPImageDataPtr&, quint64 limit)> fit;
        // Shows the job being analysed in the log view.
        std::function<void(const KPImageDataPtr&)> log;
    };
    struct Outcome
    {
        quint64 limit = 0;
        quint64 written = 0; // the outputs' sizes together
        quint64 over = 0;    // when the set could not fit: by how much, at the least
    };

    KPBudgetRun(KPFitOptions options, KPFitPreferences preferences, Hooks hooks);

    Outcome run(const KPImageDataList& jobs, quint64 limit);

private:
    // The job's size curve; nothing, with the job failed, when it cannot be read.
    std::optional<KPSizeCurve> analyse(const KPImageDataPtr& job, quint64 limit);
    bool cancelled() const { return m_hooks.cancelled && m_hooks.cancelled(); }

    KPFitOptions m_options;
    KPFitPreferences m_preferences;
    Hooks m_hooks;
};
