#include "support/KPFitSupport.h"

#include "engine/KPAtomicFile.h"
#include "engine/KPExportPlacement.h"

namespace {
QString described(const KPJobSummary& summary)
{
    return QStringLiteral("ending %1, %2 -> %3 bytes, %4x%5, quality %6, %7, %8")
        .arg(int(summary.ending))
        .arg(summary.sourceBytes)
        .arg(summary.outputBytes)
        .arg(summary.outputPixels.width())
        .arg(summary.outputPixels.height())
        .arg(summary.quality ? summary.quality->percent() : -1)
        .arg(summary.outputPath, KPOutputFormats::name(summary.format));
}
} // namespace

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

QString summaryMismatch(const KPImageData& job, quint64 sourceBytes, QSize pixels,
                        KPJobSummary::Ending ending)
{
    const std::optional<KPJobSummary> summary = job.summary();
    if (!summary)
        return QStringLiteral("no summary");
    KPJobSummary expected;
    expected.ending = ending;
    expected.sourceBytes = sourceBytes;
    expected.outputBytes = KPAtomicFile::fileSize(job.exportPath()).value_or(0);
    expected.outputPixels = pixels;
    if (ending == KPJobSummary::Ending::Encoded)
        expected.quality = KPQuality::nearest(job.exportQuality().value_or(-1.0f));
    expected.outputPath = job.exportPath();
    // What the output holds.
    expected.format =
        KPOutputFormats::ofBytes(KPAtomicFile::readAll(job.exportPath()).value_or(QByteArray()))
            .value_or(KPOutputFormat::Jpeg);
    if (*summary == expected)
        return {};
    return described(*summary) + QStringLiteral(" instead of ") + described(expected);
}
} // namespace KPTest
