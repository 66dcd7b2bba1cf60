#include "engine/KPFitter.h"

#include "engine/KPAvifEncoder.h"
#include "engine/KPKeptFolder.h"
#include "engine/KPQuality.h"
#include "engine/KPWebpEncoder.h"

KPFitter::KPFitter(quint64 limitSize, KPFitOptions options, ExportPathSource exportPath,
                   LogHandOff logHandOff, KPExportPlacement& placement)
    : m_context{limitSize, {}, std::move(logHandOff)}, m_settings(options),
      m_workspace(placement, std::move(exportPath)),
      m_stepwise(m_context, m_settings, m_workspace, m_source, m_encoder),
      m_bestQuality(m_context, m_settings, m_workspace, m_source, m_encoder)
{}

void KPFitter::setCancelled(std::function<bool()> cancelled)
{
    m_context.cancelled = std::move(cancelled);
    m_encoder.setCancelled(m_context.cancelled);
}

void KPFitter::fitJob(const KPImageDataPtr& job)
{
    // Read before anything else of the job.
    const bool scaling = m_settings.scalingAllowed();
    const bool best = m_settings.bestQuality();
    m_scaling = scaling;
    m_format = m_settings.outputFormat();
    // The best-quality fitting of a JPEG decodes a JPEG source at the size its output is
    // foreseen to need.
    m_source.setScaleChoice(best && scaling && m_format == KPOutputFormat::Jpeg
                                ? m_bestQuality.scaleChoice()
                                : KPSourcePicture::ScaleChoice());
    startJob(job);
    if (job->is(KPProgress::Converting) && copyImageToExportPath(job)) {
        // Only a source of the output's format, inside the largest box, stays as it is: the
        // output is named after the format, and upload forms look at what the file holds.
        // Any other is encoded, even when it is small.
        const bool keepable = m_source.format() == m_format && m_source.insideLargestBox();
        if (m_format == KPOutputFormat::Jpeg && keepable && keepCopy(job)) {
            // Converted by the copy.
        } else if (m_format != KPOutputFormat::Jpeg && keepable && keepFormatCopy(job)) {
            // Converted by the copy.
        } else if (job->is(KPProgress::Converting) && m_format != KPOutputFormat::Jpeg) {
            KPBestQualityFit(m_context, m_settings, m_workspace, m_source, outputEncoder())
                .fit(job, scaling);
        } else if (job->is(KPProgress::Converting) && best) {
            m_bestQuality.fit(job, scaling);
        } else if (job->is(KPProgress::Converting)) {
            m_stepwise.fit(job, scaling);
        }
    }
    finishJob(job);
}

KPEncoder& KPFitter::outputEncoder()
{
    if (m_format == KPOutputFormat::Jpeg)
        return m_encoder;
    const QString extension =
        m_format == KPOutputFormat::WebP ? QStringLiteral("webp") : QStringLiteral("avif");
    if (!m_formatEncoder || m_formatEncoder->extension() != extension) {
        if (m_format == KPOutputFormat::WebP)
            m_formatEncoder = std::make_unique<KPWebpEncoder>();
        else
            m_formatEncoder = std::make_unique<KPAvifEncoder>();
        m_formatEncoder->setCancelled(m_context.cancelled);
    }
    return *m_formatEncoder;
}

void KPFitter::startJob(const KPImageDataPtr& job)
{
    job->setFailure(KPFailure::None);
    job->setSummary(std::nullopt);
    if (job->path().isEmpty()) {
        job->fail(KPFailure::SourceUnreadable);
        return;
    }
    job->setProgress(KPProgress::Converting);
    job->setExportQuality(std::nullopt);
    job->setExportPixelSize({});
}

bool KPFitter::copyImageToExportPath(const KPImageDataPtr& job)
{
    if (job->is(KPProgress::Failed))
        return false;
    const QString source = job->path();
    if (m_settings.keepFolders())
        m_workspace.setSubfolder(KPKeptFolder::relativeFolder(job->root(), source));
    m_workspace.setKeepsDates(m_settings.keepDates());
    const KPFailure naming = m_workspace.name(source, outputEncoder().extension());
    job->setExportPath(m_workspace.outputPath()); // none without a folder
    if (naming != KPFailure::None) {
        m_context.fail(job, naming);
        return false;
    }
    if (const KPFailure reading = m_source.read(source, m_context.cancelled);
        reading != KPFailure::None) {
        m_context.fail(job, reading);
        return false;
    }
    job->setExportImage(QImage());
    m_source.setLargestBox(m_settings.largestBox());
    // The metadata is read in pictaro-metadata, and the picture decoded, while the copy is
    // written.
    m_source.start(m_settings.metadataPolicy(), m_context.limit, m_context.cancelled, m_format);
    // The fitting works on a copy beside the output; the output itself is only replaced
    // once the job has converted.
    const KPFailure writing = m_workspace.begin(m_source.bytes());
    m_source.releaseBytes();
    if (writing != KPFailure::None) {
        m_context.fail(job, writing);
        return false;
    }
    return true;
}

bool KPFitter::keepCopy(const KPImageDataPtr& job)
{
    if (!m_source.copyMayChange()) {
        if (!m_stepwise.imageSizeCheck(job))
            return false;
        m_ending = KPJobSummary::Ending::CopiedUnchanged;
        return true;
    }
    // A copy that cannot be made without what is to be removed: the picture is encoded
    // instead, and carries no metadata, since none could be read.
    const std::optional<KPSourcePicture::Copy> copy = m_source.takeCopy();
    if (!copy)
        return false;
    if (copy->rewritten) {
        if (const KPFailure failure = m_workspace.replace(copy->bytes);
            failure != KPFailure::None) {
            m_context.fail(job, failure);
            return false;
        }
    }
    if (!m_stepwise.imageSizeCheck(job))
        return false;
    // Only the source's own bytes may stay where they are when the output is the source.
    m_ending = copy->rewritten ? KPJobSummary::Ending::CopiedWithoutMetadata
                               : KPJobSummary::Ending::CopiedUnchanged;
    return true;
}

bool KPFitter::keepFormatCopy(const KPImageDataPtr& job)
{
    if (m_source.size() >= m_context.limit)
        return false;
    const KPMetadataPolicy policy = m_settings.metadataPolicy();
    if (policy == KPMetadataPolicy::KeepAll) {
        if (!m_stepwise.imageSizeCheck(job))
            return false;
        m_ending = KPJobSummary::Ending::CopiedUnchanged;
        return true;
    }
    if (m_format != KPOutputFormat::WebP)
        return false;
    const std::optional<QByteArray> bytes = m_workspace.readWorking();
    const std::optional<bool> holds = bytes ? KPWebpEncoder::holdsMetadata(*bytes) : std::nullopt;
    if (!holds)
        return false; // the picture is encoded instead
    bool rewritten = false;
    if (*holds) {
        // The chunks the encodings would carry, for the picture as it is.
        const KPMetadata& metadata = m_source.metadata();
        const QByteArray copy =
            KPWebpEncoder::withChunks(*bytes, metadata.exifFor(m_source.pixels()), metadata.xmp());
        if (copy.isEmpty())
            return false;
        if (const KPFailure failure = m_workspace.replace(copy); failure != KPFailure::None) {
            m_context.fail(job, failure);
            return false;
        }
        rewritten = true;
    }
    if (!m_stepwise.imageSizeCheck(job))
        return false;
    m_ending = rewritten ? KPJobSummary::Ending::CopiedWithoutMetadata
                         : KPJobSummary::Ending::CopiedUnchanged;
    return true;
}

void KPFitter::finishJob(const KPImageDataPtr& job)
{
    m_stepwise.end();
    if (job->is(KPProgress::Converted)) {
        placeOutput(job);
    } else {
        // Every step was tried and the file is still too large.
        if (!job->is(KPProgress::Failed))
            m_context.fail(job, m_scaling ? KPFailure::NoFitScaled : KPFailure::NoFit);
        m_workspace.discard(job->failure() == KPFailure::Stopped);
    }
    m_source.release();
    job->setExportImage(m_workspace.previewOf(job->exportImage()));
}

void KPFitter::placeOutput(const KPImageDataPtr& job)
{
    const bool sourceIsResult =
        m_workspace.inPlace() && m_ending == KPJobSummary::Ending::CopiedUnchanged;
    const KPFailure placing = m_workspace.keep(sourceIsResult);
    if (placing != KPFailure::None) {
        // Not through the context: the picture was whole, only putting it in place failed.
        job->fail(placing);
        return;
    }
    job->setSummary(summaryOf(job));
}

KPJobSummary KPFitter::summaryOf(const KPImageDataPtr& job) const
{
    KPJobSummary summary;
    summary.ending = m_ending;
    summary.sourceBytes = m_source.size();
    summary.outputBytes = job->exportSize().value_or(0);
    summary.outputPath = job->exportPath();
    summary.format = m_format;
    if (summary.isCopy()) {
        summary.outputPixels = m_source.pixels(); // the copy's picture is the source's
    } else {
        summary.outputPixels = job->exportPixelSize();
        if (const std::optional<float> quality = job->exportQuality())
            summary.quality = KPQuality::nearest(*quality);
    }
    return summary;
}
