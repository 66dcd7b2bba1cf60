#include "engine/KPBestQualityFit.h"

#include "engine/KPEncoder.h"
#include "engine/KPFitSettings.h"
#include "engine/KPFormatFit.h"
#include "engine/KPImageDecoder.h"
#include "engine/KPJpegCodec.h"
#include "engine/KPMetadata.h"
#include "engine/KPOutputWorkspace.h"
#include "engine/KPQuality.h"
#include "engine/KPSourcePicture.h"

#include <limits>

KPBestQualityFit::KPBestQualityFit(const KPFitContext& context, const KPFitSettings& settings,
                                   KPOutputWorkspace& workspace, KPSourcePicture& source,
                                   KPEncoder& encoder)
    : m_context(context), m_settings(settings), m_workspace(workspace), m_source(source),
      m_encoder(encoder)
{}

void KPBestQualityFit::fit(const KPImageDataPtr& job, bool scaling)
{
    // Every encoding is of the source's own picture, so no loss is encoded twice.
    const KPImageDecoder::Decoded decoded = m_source.takePicture();
    job->setExportImage(decoded.image);
    if (decoded.image.isNull()) {
        m_context.fail(job,
                       decoded.failure == KPFailure::None ? KPFailure::Damaged : decoded.failure);
        return;
    }
    QImage pristine = KPImageDecoder::flattenForJpeg(decoded.image);
    std::optional<KPBestFit::Box> box;
    if (scaling) {
        const KPFitSettings::Box smallest = m_settings.smallestBox();
        box = KPBestFit::Box{smallest.width, smallest.height};
    }
    // The metadata goes into the chosen encoding alone; every trial counts its bytes.
    const KPMetadata& carried = m_source.metadata();
    if (m_encoder.format() != QByteArrayLiteral("jpeg")) {
        fitFormat(job, pristine, box, carried);
        return;
    }
    const qint64 metadataBytes = m_encoder.metadataBytes(carried);
    // The log view follows each trial as it follows each step of a descent.
    auto trial = [this, job, metadataBytes](int quality, QSize pixels, qint64 size, bool) {
        job->setExportQuality(KPQuality::fromPercent(quality).factor());
        job->setExportPixelSize(pixels);
        job->setExportSize(quint64(size + metadataBytes));
        m_context.handOffLog(job);
    };
    const auto limit =
        qint64(std::min<quint64>(m_context.limit, quint64(std::numeric_limits<qint64>::max())));
    KPBestFit search(limit, m_settings.qualityFloor(), trial, m_context.cancelled, metadataBytes);
    search.setThreads(m_threads);
    const std::optional<KPBestFit::Choice> choice = search.fit(pristine, box);
    pristine = QImage();
    if (!choice) {
        if (search.failed())
            m_context.fail(job, KPFailure::WriteFailed);
        return; // nothing fits: the job ends failed, as a descent that found nothing does
    }
    write(job, *choice, carried);
}

void KPBestQualityFit::write(const KPImageDataPtr& job, const KPBestFit::Choice& choice,
                             const KPMetadata& carried)
{
    const KPFailure failure =
        m_workspace.replace(m_encoder.withMetadata(choice.data, carried, choice.pixels));
    if (failure != KPFailure::None) {
        m_context.fail(job, failure);
        return;
    }
    if (choice.estimate > 0)
        KPCodecStats::addChosen(choice.estimate, choice.data.size());
    job->setExportQuality(KPQuality::fromPercent(choice.quality).factor());
    job->setExportPixelSize(choice.pixels);
    job->setExportImage(m_workspace.previewOf(choice.data, choice.pixels, m_encoder.format()));
    m_context.checkSize(job, m_workspace.workingSize());
}

void KPBestQualityFit::fitFormat(const KPImageDataPtr& job, const QImage& pristine,
                                 std::optional<KPBestFit::Box> box, const KPMetadata& carried)
{
    auto trial = [this, job](int quality, QSize pixels, qint64 size) {
        job->setExportQuality(KPQuality::fromPercent(quality).factor());
        job->setExportPixelSize(pixels);
        job->setExportSize(quint64(size));
        m_context.handOffLog(job);
    };
    const auto limit =
        qint64(std::min<quint64>(m_context.limit, quint64(std::numeric_limits<qint64>::max())));
    // The floor on the format's own scale of 0 to 100.
    const int lowest = KPQuality::atLeast(m_settings.qualityFloor()).percent();
    KPFormatFit search(m_encoder, limit, lowest, carried, trial, m_context.cancelled);
    const std::optional<KPFormatFit::Choice> choice = search.fit(pristine, box);
    if (!choice) {
        if (search.failed())
            m_context.fail(job, KPFailure::WriteFailed);
        return; // nothing fits: the job ends failed, as a descent that found nothing does
    }
    // The encoding carries its metadata already.
    if (const KPFailure failure = m_workspace.replace(choice->data); failure != KPFailure::None) {
        m_context.fail(job, failure);
        return;
    }
    job->setExportQuality(KPQuality::fromPercent(choice->quality).factor());
    job->setExportPixelSize(choice->pixels);
    job->setExportImage(m_workspace.keepsPreview()
                            ? m_workspace.previewOf(m_encoder.decode(choice->data))
                            : QImage());
    m_context.checkSize(job, m_workspace.workingSize());
}
