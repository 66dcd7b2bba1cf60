#include "support/KPFitSupport.h"

#include "engine/KPExportPlacement.h"

namespace KPTest {
KPImageDataPtr job(const QString& source, KPProgress progress)
{
    auto record = std::make_shared<KPImageData>();
    record->setPath(source);
    record->setProgress(progress);
    return record;
}

void fitJobs(const QList<KPImageDataPtr>& jobs, quint64 limit, const KPFitOptions& options,
             const QString& folder, const KPFitter::LogHandOff& log)
{
    QStringList sources;
    for (const KPImageDataPtr& job : jobs)
        sources.append(job->path());
    KPExportPlacement placement(sources, options.replaceOriginals);
    for (const KPImageDataPtr& job : jobs) {
        KPFitter fitter(
            limit, options, [folder] { return std::optional<QString>(folder); }, log, placement);
        fitter.fitJob(job);
    }
}
} // namespace KPTest
