#pragma once

#include "engine/KPFitter.h"
#include "engine/KPImageData.h"
#include "engine/KPJobSummary.h"

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
// What is wrong with the summary of a job that converted, or an empty text: it must tell
// how the output came about, the source's size, the output on disk (its size and path, and
// the quality of an encoding as the job's last step had it) and its upright pixel size.
QString summaryMismatch(const KPImageData& job, quint64 sourceBytes, QSize pixels,
                        KPJobSummary::Ending ending);
} // namespace KPTest
