#include "engine/KPBestQualityFit.h"

#include "engine/KPDecodeScale.h"
#include "engine/KPEncoder.h"
#include "engine/KPFitSettings.h"
#include "engine/KPFormatFit.h"
#include "engine/KPImageDecoder.h"
#include "engine/KPJpegCodec.h"
#include "engine/KPLargestBox.h"
#include "engine/KPMetadata.h"
#include "engine/KPOutputWorkspace.h"
#include "engine/KPQuality.h"
#include "engine/KPScaledJpegDecode.h"
#include "engine/KPSourcePicture.h"

#include <algorithm>

KPBestQualityFit::KPBestQualityFit(const KPFitContext& context, const KPFitSettings& settings,
                                   KPOutputWorkspace& workspace, KPSourcePicture& source,
                                   KPEncoder& encoder)
    : m_context(context), m_settings(settings), m_workspace(workspace), m_source(source),
      m_encoder(encoder)
{}

KPSourcePicture::ScaleChoice KPBestQualityFit::scaleChoice() const
{
    // Read now, on the job's thread: the choice is made on another.
    const KPBestFit::Box box = smallestBox();
    const int floorQuality = KPBestFit::lowestQuality(m_settings.qualityFloor());
    const qint64 available = m_context.searchLimit();
    std::function<bool()> cancelled = m_context.cancelled;
    const std::optional<QSize> largest = m_settings.largestBox();
    return [box, floorQuality, available, cancelled, largest](const QImage& look, QSize upright) {
        const int foreseen =
            KPDecodeScale::fromLook(look, upright, available, floorQuality,
                                    KPBestFit::minimumScale(upright, box), cancelled);
        // No output is larger than the largest box, whatever the limit would allow.
        if (!largest)
            return foreseen;
        return std::min(foreseen, KPDecodeScale::forOutput(
                                      upright, KPLargestBox::fittedSize(upright, *largest)));
    };
}

KPBestFit::Box KPBestQualityFit::smallestBox() const
{
    const KPFitSettings::Box smallest = m_settings.smallestBox();
    return {smallest.width, smallest.height};
}

void KPBestQualityFit::fit(const KPImageDataPtr& job, bool scaling)
{
    std::optional<KPBestFit::Box> box;
    if (scaling)
        box = smallestBox();
    // The metadata goes into the chosen encoding alone; every trial counts its bytes.
    const KPMetadata& carried = m_source.metadata();
    // Every encoding is of the source's own picture, so no loss is encoded twice: of a
    // smaller decode of it when the output was foreseen to be smaller still.
    const KPImageDecoder::Decoded decoded = m_source.takePicture();
    if (decoded.image.isNull()) {
        m_context.fail(job,
                       decoded.failure == KPFailure::None ? KPFailure::Damaged : decoded.failure);
        return;
    }
    QImage pristine = KPImageDecoder::flattenForJpeg(decoded.image);
    if (m_encoder.format() != QByteArrayLiteral("jpeg")) {
        job->setExportImage(decoded.image);
        fitFormat(job, pristine, box, carried);
        return;
    }
    const qint64 metadataBytes = m_encoder.metadataBytes(carried);
    // A picture as large as the source inside the largest box is as large as a search can
    // use, whichever decode it came from (a pixel either way for the box's rounding).
    const QSize largest = m_source.largestSize();
    const auto wholeEnough = [largest](QSize searched) {
        return searched.width() + 1 >= largest.width() && searched.height() + 1 >= largest.height();
    };
    int eighths = wholeEnough(pristine.size())
                      ? KPScaledJpegDecode::Whole
                      : KPScaledJpegDecode::eighthsOf(decoded.size, pristine.size());
    std::optional<KPBestFit::Choice> choice;
    bool failed = false;
    for (;;) {
        job->setExportImage(pristine); // what the log view shows during the search
        choice = search(job, pristine, box, metadataBytes, failed);
        const QSize searched = pristine.size();
        pristine = QImage();
        job->setExportImage(QImage());
        // A decode too small for the output chosen from it is made again, larger: the
        // output may have fitted larger, or needs more pixels to be scaled from.
        if (eighths == KPScaledJpegDecode::Whole || !choice ||
            KPDecodeScale::holds(searched, choice->pixels))
            break;
        eighths =
            choice->pixels == searched
                ? KPScaledJpegDecode::Whole
                : std::max(eighths + 1, KPDecodeScale::forOutput(decoded.size, choice->pixels));
        pristine = m_source.scaledPicture(eighths, m_context.cancelled);
        if (pristine.isNull()) {
            m_context.fail(job, m_context.isCancelled() ? KPFailure::Stopped : KPFailure::Damaged);
            return;
        }
        if (wholeEnough(pristine.size()))
            eighths = KPScaledJpegDecode::Whole;
    }
    if (!choice) {
        if (failed)
            m_context.fail(job, KPFailure::WriteFailed);
        return; // nothing fits: the job ends failed, as a descent that found nothing does
    }
    write(job, *choice, carried);
}

std::optional<KPBestFit::Choice> KPBestQualityFit::search(const KPImageDataPtr& job,
                                                          const QImage& pristine,
                                                          std::optional<KPBestFit::Box> box,
                                                          qint64 metadataBytes, bool& failed)
{
    // The log view follows each trial as it follows each step of a descent.
    auto trial = [this, job, metadataBytes](int quality, QSize pixels, qint64 size, bool) {
        job->setExportQuality(KPQuality::fromPercent(quality).factor());
        job->setExportPixelSize(pixels);
        job->setExportSize(quint64(size + metadataBytes));
        m_context.handOffLog(job);
    };
    KPBestFit search(m_context.searchLimit(), m_settings.qualityFloor(), trial, m_context.cancelled,
                     metadataBytes);
    search.setThreads(m_threads);
    std::optional<KPBestFit::Choice> choice = search.fit(pristine, box);
    failed = search.failed();
    return choice;
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
    // The floor on the format's own scale of 0 to 100.
    const int lowest = KPQuality::atLeast(m_settings.qualityFloor()).percent();
    KPFormatFit search(m_encoder, m_context.searchLimit(), lowest, carried, trial,
                       m_context.cancelled);
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
