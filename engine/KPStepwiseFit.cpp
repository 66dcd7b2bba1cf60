#include "engine/KPStepwiseFit.h"

#include "engine/KPEncoder.h"
#include "engine/KPFitSettings.h"
#include "engine/KPImageDecoder.h"
#include "engine/KPJpegCodec.h"
#include "engine/KPOutputWorkspace.h"
#include "engine/KPQuality.h"
#include "engine/KPScalingPass.h"
#include "engine/KPSourcePicture.h"

KPStepwiseFit::KPStepwiseFit(const KPFitContext& context, const KPFitSettings& settings,
                             KPOutputWorkspace& workspace, KPSourcePicture& source,
                             KPEncoder& encoder)
    : m_context(context), m_settings(settings), m_workspace(workspace), m_source(source),
      m_encoder(encoder)
{}

KPStepwiseFit::~KPStepwiseFit() = default;

void KPStepwiseFit::fit(const KPImageDataPtr& job, bool scaling)
{
    m_curCompressionFactor = StartQuality;
    compressImage(job);
    // Back to the last quality tried, the lowest one not below the floor.
    m_curCompressionFactor = float(double(m_curCompressionFactor) + QualityStep);
    if (job->is(KPProgress::Converting) && scaling)
        convertScale(job);
    if (job->is(KPProgress::Converting)) {
        m_curCompressionFactor = StartQuality;
        compressImage(job);
    }
}

bool KPStepwiseFit::imageSizeCheck(const KPImageDataPtr& job)
{
    return m_context.checkSize(job, m_workspace.workingSize());
}

void KPStepwiseFit::end()
{
    m_pendingDecode.reset(); // waits for a decode running, drops one not begun
    m_logOwed = false;
}

void KPStepwiseFit::settle(const KPImageDataPtr& job)
{
    if (m_pendingDecode) {
        bool ok = false;
        {
            KPCodecTimer timer(KPCodecStats::Decode);
            ok = m_pendingDecode->wait();
        }
        if (ok)
            job->setExportImage(m_pendingDecode->image());
        else
            m_context.fail(job, KPFailure::WriteFailed); // the file just written does not read back
        m_pendingDecode.reset();
    }
    if (m_logOwed) {
        m_logOwed = false;
        m_context.handOffLog(job);
    }
}

QImage KPStepwiseFit::workingImage(const KPImageDataPtr& job)
{
    settle(job);
    QImage image = job->exportImage();
    if (image.isNull() && m_source.hasPicture()) {
        const KPImageDecoder::Decoded decoded = m_source.takePicture();
        if (decoded.image.isNull())
            m_context.fail(job, decoded.failure);
        image = decoded.image;
        job->setExportImage(image);
    }
    return image;
}

bool KPStepwiseFit::convertImageType(const KPImageDataPtr& job)
{
    if (job->is(KPProgress::Failed))
        return false;
    if (m_context.isCancelled()) {
        settle(job);
        m_context.fail(job, KPFailure::Stopped);
        return false;
    }
    QSize pixels;
    const QByteArray data = encodeStep(job, pixels);
    if (job->is(KPProgress::Failed))
        return false;
    if (data.isEmpty()) {
        m_context.fail(job, KPFailure::WriteFailed);
        return false;
    }
    // A write that did not complete fails the job at once: measuring the file left from
    // the step before would go on from a picture that never changes.
    if (!replaceWorkingFile(job, data))
        return false;
    job->setExportQuality(m_curCompressionFactor);
    job->setExportPixelSize(pixels);
    if (imageSizeCheck(job)) {
        job->setProgress(KPProgress::Converted);
        return true;
    }
    if (!job->is(KPProgress::Failed))
        readBack(job, data);
    return false;
}

QByteArray KPStepwiseFit::encodeStep(const KPImageDataPtr& job, QSize& pixels)
{
    const int quality = KPQuality::nearest(m_curCompressionFactor).percent();
    if (m_pendingDecode) {
        // The previous step's file is still being decoded: encode its rows as they come,
        // on this core while the decode runs on another.
        const std::shared_ptr<KPRowDecode> pending = m_pendingDecode;
        pixels = pending->size();
        QByteArray data = m_encoder.encode(pending->image(), quality, m_source.metadata(),
                                           [pending](int rows) { return pending->waitRows(rows); });
        settle(job); // the previous step ends here, with its picture whole
        return data;
    }
    QImage image = workingImage(job);
    if (image.isNull()) {
        m_context.fail(job, KPFailure::Damaged);
        return {};
    }
    image = KPImageDecoder::flattenForJpeg(image);
    pixels = image.size();
    return m_encoder.encode(image, quality, m_source.metadata(), {});
}

bool KPStepwiseFit::readBack(const KPImageDataPtr& job, const QByteArray& data)
{
    // The next step starts from the file just written: the picture this step encoded is
    // let go first, so that a large picture is held once, not twice. Of the same size and
    // held by nothing else, it is what the decode writes into.
    QImage spent = job->exportImage();
    job->setExportImage(QImage());
    // When the file on disk is the data just encoded, decode those bytes instead of reading
    // them back, on a thread of its own.
    if (job->exportSize() == quint64(data.size())) {
        m_pendingDecode = m_encoder.startDecode(data, std::move(spent));
        if (m_pendingDecode)
            return true;
    }
    spent = QImage();
    QImage decoded;
    {
        KPCodecTimer timer(KPCodecStats::Decode);
        if (const std::optional<QByteArray> onDisk = m_workspace.readWorking()) {
            decoded = m_encoder.decode(*onDisk);
            if (decoded.isNull())
                decoded = KPImageDecoder::decodeForFitting(*onDisk);
        }
    }
    if (decoded.isNull()) {
        m_context.fail(job, KPFailure::WriteFailed); // the file just written does not read back
        return false;
    }
    job->setExportImage(decoded);
    return true;
}

bool KPStepwiseFit::replaceWorkingFile(const KPImageDataPtr& job, const QByteArray& data)
{
    const KPFailure failure = m_workspace.replace(data);
    if (failure == KPFailure::None)
        return true;
    m_context.fail(job, failure);
    return false;
}

void KPStepwiseFit::compressImage(const KPImageDataPtr& job)
{
    const float floor = m_settings.qualityFloor();
    // A floor that is not a number ends the loop at once.
    while (m_curCompressionFactor >= floor) {
        convertImageType(job);
        if (!job->is(KPProgress::Converting))
            break;
        m_curCompressionFactor = float(double(m_curCompressionFactor) - QualityStep);
        // The log view is shown the decoded picture of this step; while it is still
        // being decoded, the hand-off waits for it (see settle).
        if (m_pendingDecode)
            m_logOwed = true;
        else
            m_context.handOffLog(job);
    }
    settle(job);
    m_context.handOffLog(job);
}

bool KPStepwiseFit::convertScale(const KPImageDataPtr& job)
{
    if (job->is(KPProgress::Failed))
        return false;
    const std::optional<quint64> fileSize = m_workspace.workingSize();
    if (!fileSize) {
        m_context.fail(job, KPFailure::WriteFailed);
        return false;
    }
    const KPFitSettings::Box box = m_settings.smallestBox();
    m_curLimitHeight = box.height;
    m_curLimitWidth = box.width;
    const float factor = KPScalingPass::scaleFactor(m_context.limit, *fileSize);

    QSize previous;
    for (;;) {
        QImage picture = workingImage(job);
        if (picture.isNull()) {
            m_context.fail(job, KPFailure::Damaged);
            return false;
        }
        // Each pass shrinks the picture decoded from the file the pass before wrote. A
        // picture no smaller than the last one means that file did not change: drawing it
        // again would never end.
        if (previous.isValid() && picture.width() >= previous.width() &&
            picture.height() >= previous.height())
            return false;
        previous = picture.size();
        bool last = false;
        const QSize target = KPScalingPass::passSize(picture.size(), factor, m_curLimitWidth,
                                                     m_curLimitHeight, last);
        QImage drawn = KPScalingPass::drawPass(picture, target);
        picture = QImage();
        if (drawn.isNull()) {
            m_context.fail(job, KPFailure::TooLargeToDecode); // no memory for the smaller picture
            return false;
        }
        job->setExportImage(drawn);
        drawn = QImage();
        convertImageType(job);
        if (job->is(KPProgress::Converted))
            return true;
        if (job->is(KPProgress::Failed) || last)
            return false;
    }
}
