#pragma once

#include "engine/KPFitter.h"
#include "engine/KPImageData.h"

#include <QList>
#include <QString>

// Jobs through the fitting without a run around them.
namespace KPTest {
// A job for the picture at `source`, as the list makes one.
KPImageDataPtr job(const QString& source, KPProgress progress = KPProgress::Waiting);
// Fits the jobs one after the other into `folder`, as a run does: one placement for all
// of them, a fitter for each.
void fitJobs(const QList<KPImageDataPtr>& jobs, quint64 limit, const KPFitOptions& options,
             const QString& folder, const KPFitter::LogHandOff& log = {});
} // namespace KPTest
