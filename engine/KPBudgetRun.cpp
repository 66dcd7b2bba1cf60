#include "engine/KPBudgetRun.h"

#include "engine/KPBestFit.h"
#include "engine/KPFitSettings.h"
#include "engine/KPImageDecoder.h"
#include "engine/KPJpegEncoder.h"
#include "engine/KPSetBudget.h"
#include "engine/KPSourcePicture.h"

#include <QThread>

#include <algorithm>
#include <limits>

KPBudgetRun::KPBudgetRun(KPFitOptions options, KPFitPreferences preferences, Hooks hooks)
    : m_options(std::move(options)), m_preferences(std::move(preferences)),
      m_hooks(std::move(hooks))
{}

std::optional<KPSizeCurve> KPBudgetRun::analyse(const KPImageDataPtr& job, quint64 limit)
{
    const KPFitSettings settings(m_options, m_preferences);
    const std::function<bool()> cancelled = m_hooks.cancelled;
    job->setProgress(KPProgress::Converting);
    if (m_hooks.log)
        m_hooks.log(job);
    KPSourcePicture source;
    const KPFailure reading =
        job->path().isEmpty() ? KPFailure::SourceUnreadable : source.read(job->path(), cancelled);
    if (reading != KPFailure::None) {
        job->fail(reading);
        return std::nullopt;
    }
    source.setLargestBox(settings.largestBox());
    source.start(settings.metadataPolicy(), limit, cancelled);
    source.releaseBytes();
    const KPImageDecoder::Decoded decoded = source.takePicture();
    if (decoded.image.isNull()) {
        job->fail(cancelled()                          ? KPFailure::Stopped
                  : decoded.failure == KPFailure::None ? KPFailure::Damaged
                                                       : decoded.failure);
        return std::nullopt;
    }
    const QImage picture = KPImageDecoder::flattenForJpeg(decoded.image);
    double smallestScale = 1.0;
    if (settings.scalingAllowed()) {
        const KPFitSettings::Box box = settings.smallestBox();
        smallestScale =
            std::min(1.0, KPBestFit::minimumScale(picture.size(), {box.width, box.height}));
    }
    KPJpegEncoder encoder;
    encoder.setCancelled(cancelled);
    std::optional<KPSizeCurve> curve =
        KPSizeCurve::of(picture, KPBestFit::lowestQuality(settings.qualityFloor()), smallestScale,
                        encoder, source.metadata(), cancelled, QThread::idealThreadCount());
    source.release();
    if (!curve) {
        job->fail(cancelled() ? KPFailure::Stopped : KPFailure::WriteFailed);
        return std::nullopt;
    }
    if (source.isJpeg() && source.insideLargestBox())
        curve->keptBytes = qint64(source.size());
    job->setProgress(KPProgress::Waiting);
    return curve;
}

KPBudgetRun::Outcome KPBudgetRun::run(const KPImageDataList& jobs, quint64 limit)
{
    Outcome outcome;
    outcome.limit = limit;
    QList<KPSizeCurve> curves;
    QList<qsizetype> members; // the jobs in the set, by their place in the list
    for (qsizetype at = 0; at < jobs.size(); ++at) {
        if (cancelled())
            return outcome; // nothing written; the jobs analysed so far wait again
        if (std::optional<KPSizeCurve> curve = analyse(jobs[at], limit)) {
            curves.append(std::move(*curve));
            members.append(at);
        } else if (jobs[at]->failure() == KPFailure::Stopped && m_hooks.finished) {
            m_hooks.finished(jobs[at], int(at)); // the job Stop cut short is reported
        }
    }
    if (cancelled())
        return outcome;
    const auto budget =
        qint64(std::min<quint64>(limit, quint64(std::numeric_limits<qint64>::max())));
    KPSetBudget::Plan plan = KPSetBudget::plan(curves, budget);
    if (!plan.fits)
        outcome.over = quint64(plan.over);
    qsizetype member = 0;
    for (qsizetype at = 0; at < jobs.size(); ++at) {
        const KPImageDataPtr& job = jobs[at];
        if (cancelled())
            break;
        const bool inSet = member < members.size() && members[member] == at;
        if (inSet && !plan.fits)
            job->fail(KPFailure::OverBudget);
        if (inSet && plan.fits) {
            if (m_hooks.started)
                m_hooks.started(job, int(at));
            const auto own = quint64(std::max<qint64>(1, plan.limits[member]));
            m_hooks.fit(job, own);
            const quint64 size = job->is(KPProgress::Converted) ? job->exportSize().value_or(0) : 0;
            outcome.written += size;
            KPSetBudget::passOn(plan.limits, member, qint64(own) - qint64(size));
        }
        member += inSet ? 1 : 0;
        if (m_hooks.finished)
            m_hooks.finished(job, int(at));
    }
    return outcome;
}
