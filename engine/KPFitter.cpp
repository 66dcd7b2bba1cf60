#include "engine/KPFitter.h"

#include "engine/KPAtomicFile.h"
#include "engine/KPBestFit.h"
#include "engine/KPImageDecoder.h"
#include "engine/KPPath.h"
#include "engine/KPQuality.h"
#include "settings/KPSettings.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <array>
#include <limits>

KPFitPreferences KPFitPreferences::stored()
{
    return {
        [] { return KPSettings::boolForKey(KPSettingsKey::EnableConvertScale); },
        [] { return KPSettings::floatForKey(KPSettingsKey::CompressionFactor); },
        [] { return KPSettings::floatForKey(KPSettingsKey::LimitWidth); },
        [] { return KPSettings::floatForKey(KPSettingsKey::LimitHeight); },
        [] { return KPSettings::boolForKey(KPSettingsKey::BestQualityFit); },
        [] { return KPSettings::parallelJobs(); },
        [] { return KPSettings::metadataPolicy(); },
    };
}

QSize KPFitPreferences::smallestBox(const KPFitOptions& options,
                                    const KPFitPreferences& preferences)
{
    const float width = options.limitWidth.value_or(preferences.limitWidth());
    const float height = options.limitHeight.value_or(preferences.limitHeight());
    return {int(std::max(width, 0.0f)), int(std::max(height, 0.0f))};
}

KPFitter::KPFitter(quint64 limitSize, KPFitOptions options, ExportPathSource exportPath,
                   LogHandOff logHandOff, KPExportPlacement& placement)
    : m_curLimitSize(limitSize), m_options(options), m_exportPath(std::move(exportPath)),
      m_logHandOff(std::move(logHandOff)), m_placement(placement)
{}

KPFitter::~KPFitter()
{
    // A fitter dropped before its job was settled must not leave a working file.
    if (!m_workPath.isEmpty())
        KPAtomicFile::remove(m_workPath);
}

bool KPFitter::scalingAllowed()
{
    return m_options.enableConvertScale.value_or(m_preferences.enableConvertScale());
}

float KPFitter::qualityFloor()
{
    return m_options.compressionFactor.value_or(m_preferences.compressionFactor());
}

bool KPFitter::bestQualityChosen()
{
    return m_options.bestQuality.value_or(m_preferences.bestQuality());
}

KPMetadataPolicy KPFitter::metadataPolicy()
{
    return m_options.metadataPolicy.value_or(m_preferences.metadataPolicy());
}

const KPMetadata& KPFitter::metadata()
{
    if (m_metadataRead.isValid()) {
        m_metadata = m_metadataRead.take();
        m_metadata.fitInto(m_curLimitSize);
    }
    return m_metadata;
}

void KPFitter::readSmallestBox()
{
    m_curLimitHeight = m_options.limitHeight.value_or(m_preferences.limitHeight());
    m_curLimitWidth = m_options.limitWidth.value_or(m_preferences.limitWidth());
}

void KPFitter::setCancelled(std::function<bool()> cancelled)
{
    m_cancelled = std::move(cancelled);
    m_codec.setCancelled(m_cancelled);
}

void KPFitter::fail(const KPImageDataPtr& job, KPFailure reason)
{
    job->fail(cancelled() ? KPFailure::Stopped : reason);
}

void KPFitter::fitJob(const KPImageDataPtr& job)
{
    const bool scaling = scalingAllowed();
    const bool best = bestQualityChosen();
    m_scaling = scaling;
    job->setFailure(KPFailure::None);
    if (job->path().isEmpty()) {
        job->fail(KPFailure::SourceUnreadable);
    } else {
        job->setProgress(KPProgress::Converting);
        job->setExportQuality(std::nullopt);
        job->setExportPixelSize({});
        if (copyImageToExportPath(job)) {
            // Only a JPEG stays as it is: the output is named .jpg, and upload forms look
            // at what the file holds. Any other type is encoded, even when it is small.
            if (m_sourceIsJpeg && keepCopy(job)) {
                // Converted by the copy.
            } else if (job->is(KPProgress::Converting) && best) {
                fitBestQuality(job, scaling);
            } else if (job->is(KPProgress::Converting)) {
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
        }
    }
    finishJob(job);
}

bool KPFitter::copyImageToExportPath(const KPImageDataPtr& job)
{
    if (job->is(KPProgress::Failed))
        return false;
    const std::optional<QString> folder = m_exportPath ? m_exportPath() : std::nullopt;
    if (!folder) {
        job->setExportPath(QString());
        fail(job, KPFailure::ExportFolder);
        return false;
    }
    const QString source = job->path();
    const std::optional<KPExportPlacement::Placement> placement =
        m_placement.place(*folder, source);
    if (m_placed)
        m_placed();
    if (!placement) {
        fail(job, KPFailure::Unsupported); // a file name without an extension
        return false;
    }
    job->setExportPath(placement->outputPath);
    m_inPlace = placement->inPlace;
    m_outputNamed = true;

    // The size is looked at before a byte is read: a file larger than any reader takes
    // fails here instead of taking the memory of the whole run.
    bool tooLarge = false;
    std::optional<QByteArray> bytes =
        KPAtomicFile::readAll(source, KPAtomicFile::MaxReadBytes, &tooLarge);
    if (!bytes) {
        fail(job, tooLarge ? KPFailure::TooLargeToDecode : KPFailure::SourceUnreadable);
        return false;
    }
    const QByteArray hint = KPImageDecoder::formatHint(source);
    const KPImageDecoder::Probed probed =
        KPImageDecoder::looksComplete(*bytes)
            ? KPImageDecoder::probeSource(*bytes, hint, m_cancelled)
            : KPImageDecoder::Probed{{}, KPFailure::Damaged};
    if (!probed.isValid()) {
        fail(job, probed.failure);
        return false;
    }
    const QSize pixels = probed.size;
    if (qint64(pixels.width()) * pixels.height() * 4 >
        qint64(KPImageDecoder::AllocationLimitMB) * 1024 * 1024) {
        fail(job, KPFailure::TooLargeToDecode);
        return false;
    }
    m_sourceIsJpeg = bytes->startsWith("\xff\xd8\xff");
    job->setExportImage(QImage());
    // The metadata is read in pictaro-metadata while the picture is decoded and copied:
    // for the encodings unless they carry none, and for the copy of a JPEG already under
    // the limit unless it keeps all.
    const KPMetadataPolicy kept = metadataPolicy();
    const bool mayHold = KPMetadata::mayHold(*bytes);
    const bool mayKeepCopy = m_sourceIsJpeg && quint64(bytes->size()) < m_curLimitSize;
    // Removing all of it also removes comments and other application segments.
    const bool copyChanges =
        mayKeepCopy && (kept == KPMetadataPolicy::RemoveAll ||
                        (kept == KPMetadataPolicy::KeepAllButLocation && mayHold));
    const bool encodingsCarry = mayHold && kept != KPMetadataPolicy::RemoveAll &&
                                !(mayKeepCopy && kept == KPMetadataPolicy::KeepAll);
    if (copyChanges)
        m_copySource = *bytes;
    if (copyChanges || encodingsCarry)
        m_metadataRead = KPAsync::Task<KPMetadata>::start(
            [data = *bytes, hint, kept, copyChanges, cancelled = m_cancelled] {
                return KPMetadata::read(data, hint, kept, copyChanges, cancelled);
            });
    // A copy that will be encoded whatever else happens (as large as the limit, or not a
    // JPEG) starts its decode now, on another core, while the copy is written. A smaller
    // JPEG is decoded only if it comes to that.
    auto decode = [data = *bytes, hint, cancelled = m_cancelled, pixels] {
        return KPImageDecoder::decodeSource(data, hint, cancelled, pixels);
    };
    using Decode = KPAsync::Task<KPImageDecoder::Decoded>;
    m_sourceDecode = quint64(bytes->size()) >= m_curLimitSize || !m_sourceIsJpeg
                         ? Decode::start(std::move(decode))
                         : Decode::deferred(std::move(decode));
    // The fitting works on a copy beside the output; the output itself is only
    // replaced once the job has converted.
    int error = 0;
    const std::optional<QString> work = KPAtomicFile::writeTemporary(*folder, *bytes, &error);
    if (!work) {
        fail(job, KPFailureText::forWriteError(error));
        return false;
    }
    m_workPath = *work;
    return true;
}

bool KPFitter::keepCopy(const KPImageDataPtr& job)
{
    if (m_copySource.isEmpty()) {
        m_copyKept = imageSizeCheck(job);
        return m_copyKept;
    }
    const std::optional<QByteArray> copy = metadata().copyOf(m_copySource);
    const bool unchanged = copy && copy->constData() == m_copySource.constData();
    m_copySource = QByteArray();
    // A copy that cannot be made without what is to be removed: the picture is encoded
    // instead, and carries no metadata, since none could be read.
    if (!copy)
        return false;
    if (!unchanged && !replaceWorkingFile(job, *copy))
        return false;
    if (!imageSizeCheck(job))
        return false;
    // Only the source's own bytes may stay where they are when the output is the source.
    m_copyKept = unchanged;
    return true;
}

bool KPFitter::imageSizeCheck(const KPImageDataPtr& job)
{
    const std::optional<quint64> size = KPAtomicFile::fileSize(m_workPath);
    if (!size) {
        fail(job, KPFailure::WriteFailed);
        return false;
    }
    job->setExportSize(*size);
    if (*size < m_curLimitSize) {
        job->setProgress(KPProgress::Converted);
        return true;
    }
    return false;
}

void KPFitter::logHandOff(const KPImageDataPtr& job)
{
    if (m_logHandOff)
        m_logHandOff(job);
}

void KPFitter::settle(const KPImageDataPtr& job)
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
            fail(job, KPFailure::WriteFailed); // the file just written does not read back
        m_pendingDecode.reset();
    }
    if (m_logOwed) {
        m_logOwed = false;
        logHandOff(job);
    }
}

QImage KPFitter::workingImage(const KPImageDataPtr& job)
{
    settle(job);
    QImage image = job->exportImage();
    if (image.isNull() && m_sourceDecode.isValid()) {
        KPImageDecoder::Decoded decoded;
        {
            KPCodecTimer timer(KPCodecStats::Decode);
            decoded = m_sourceDecode.take();
        }
        if (decoded.image.isNull())
            fail(job, decoded.failure);
        image = decoded.image;
        job->setExportImage(image);
    }
    return image;
}

bool KPFitter::convertImageType(const KPImageDataPtr& job)
{
    if (job->is(KPProgress::Failed))
        return false;
    if (cancelled()) {
        settle(job);
        fail(job, KPFailure::Stopped);
        return false;
    }
    QByteArray data;
    QSize pixels;
    if (m_pendingDecode) {
        // The previous step's file is still being decoded: encode its rows as they come,
        // on this core while the decode runs on another.
        const std::shared_ptr<KPJpegStreamDecode> pending = m_pendingDecode;
        pixels = pending->size();
        data = m_codec.encode(
            pending->image(), m_curCompressionFactor,
            [pending](int rows) { return pending->waitRows(rows); },
            metadata().segmentsFor(pixels));
        settle(job); // the previous step ends here, with its picture whole
        if (job->is(KPProgress::Failed))
            return false;
    } else {
        QImage image = workingImage(job);
        if (image.isNull()) {
            fail(job, KPFailure::Damaged);
            return false;
        }
        image = KPImageDecoder::flattenForJpeg(image);
        pixels = image.size();
        data = m_codec.encode(image, m_curCompressionFactor, {}, metadata().segmentsFor(pixels));
    }
    if (data.isEmpty()) {
        fail(job, KPFailure::WriteFailed);
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
    if (job->is(KPProgress::Failed))
        return false;

    // The next step starts from the file just written. When the file on disk is the data
    // just encoded, decode those bytes instead of reading them back, on a thread of its own.
    if (job->exportSize() == quint64(data.size())) {
        m_pendingDecode = KPJpegStreamDecode::start(data, m_cancelled);
        if (m_pendingDecode)
            return false;
    }
    QImage decoded;
    {
        KPCodecTimer timer(KPCodecStats::Decode);
        if (const std::optional<QByteArray> onDisk = KPAtomicFile::readAll(m_workPath)) {
            decoded = m_codec.decode(*onDisk);
            if (decoded.isNull())
                decoded = KPImageDecoder::decodeForFitting(*onDisk);
        }
    }
    if (decoded.isNull()) {
        fail(job, KPFailure::WriteFailed); // the file just written does not read back
        return false;
    }
    job->setExportImage(decoded);
    return false;
}

bool KPFitter::replaceWorkingFile(const KPImageDataPtr& job, const QByteArray& data)
{
    // The encoding goes to a new working file that takes the old one's place only once it
    // is complete, as a replacement in one step would; an incomplete write leaves the old
    // file to be measured. Renaming over the old file instead would make the file system
    // write the new one out at once, a millisecond or more for every step.
    int error = 0;
    const std::optional<QString> written =
        KPAtomicFile::writeTemporary(KPPath::folder(m_workPath), data, &error);
    if (!written) {
        fail(job, KPFailureText::forWriteError(error));
        return false;
    }
    KPAtomicFile::remove(m_workPath);
    m_workPath = *written;
    return true;
}

void KPFitter::compressImage(const KPImageDataPtr& job)
{
    const float floor = qualityFloor();
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
            logHandOff(job);
    }
    settle(job);
    logHandOff(job);
}

void KPFitter::fitBestQuality(const KPImageDataPtr& job, bool scaling)
{
    QImage pristine = workingImage(job);
    if (pristine.isNull()) {
        fail(job, KPFailure::Damaged);
        return;
    }
    pristine = KPImageDecoder::flattenForJpeg(pristine);
    std::optional<KPBestFit::Box> box;
    if (scaling) {
        readSmallestBox();
        box = KPBestFit::Box{m_curLimitWidth, m_curLimitHeight};
    }
    // The metadata goes into the chosen encoding alone; every trial counts its bytes.
    const KPMetadata& carried = metadata();
    const qint64 metadataBytes = carried.bytes();
    // The log view follows each trial as it follows each step of a descent.
    auto trial = [this, job, metadataBytes](int quality, QSize pixels, qint64 size, bool) {
        job->setExportQuality(KPQuality::fromPercent(quality).factor());
        job->setExportPixelSize(pixels);
        job->setExportSize(quint64(size + metadataBytes));
        logHandOff(job);
    };
    const auto limit =
        qint64(std::min<quint64>(m_curLimitSize, quint64(std::numeric_limits<qint64>::max())));
    KPBestFit search(limit, qualityFloor(), trial, m_cancelled, metadataBytes);
    search.setThreads(m_threads);
    const std::optional<KPBestFit::Choice> choice = search.fit(pristine, box);
    pristine = QImage();
    if (!choice) {
        if (search.failed())
            fail(job, KPFailure::WriteFailed);
        return; // nothing fits: the job ends failed, as a descent that found nothing does
    }
    // Only the chosen encoding is written; the file on disk has the last word.
    if (!replaceWorkingFile(
            job, KPMetadata::withSegments(choice->data, carried.segmentsFor(choice->pixels))))
        return;
    if (choice->estimate > 0)
        KPCodecStats::addChosen(choice->estimate, choice->data.size());
    job->setExportQuality(KPQuality::fromPercent(choice->quality).factor());
    job->setExportPixelSize(choice->pixels);
    job->setExportImage(m_keepsPreview ? previewOf(choice->data, choice->pixels) : QImage());
    imageSizeCheck(job);
}

QImage KPFitter::previewOf(const QByteArray& jpeg, QSize pixels)
{
    QBuffer buffer;
    buffer.setData(jpeg);
    QImageReader reader(&buffer, "jpeg");
    // The JPEG reader decodes straight at a fraction of the size, far quicker than whole.
    if (std::max(pixels.width(), pixels.height()) > PreviewSide)
        reader.setScaledSize(pixels.scaled(PreviewSide, PreviewSide, Qt::KeepAspectRatio));
    return reader.read();
}

float KPFitter::scaleFactor(quint64 limitSize, quint64 fileSize)
{
    const float ratio = float(limitSize) / float(fileSize);
    const auto t = float(double(ratio) + Headroom);
    return t <= 1.0f ? t : ratio;
}

QSize KPFitter::passSize(QSize picture, float factor, float boxWidth, float boxHeight, bool& last)
{
    const auto width = float(picture.width());
    const auto height = float(picture.height());
    float newWidth = width * factor;
    float newHeight = height * factor;
    last = false;
    if (!(factor < 1.0f)) {
        // A factor that shrinks nothing would never end the passes.
        newWidth = width;
        newHeight = height;
        last = true;
    }
    // The box lies the other way round for portrait pictures.
    const bool landscape = newWidth >= newHeight;
    const float boxAcross = landscape ? boxWidth : boxHeight;
    const float boxDown = landscape ? boxHeight : boxWidth;
    if (boxDown > newHeight || boxAcross > newWidth) {
        // Stop at the box with the proportions kept, and never enlarge.
        const float keep = std::max(boxAcross / width, boxDown / height);
        if (keep < 1.0f) {
            newWidth = width * keep;
            newHeight = height * keep;
        } else {
            newWidth = width;
            newHeight = height;
        }
        last = true;
    }
    const QSize size(std::max(1, qRound(newWidth)), std::max(1, qRound(newHeight)));
    if (size == picture)
        last = true;
    return size;
}

bool KPFitter::convertScale(const KPImageDataPtr& job)
{
    if (job->is(KPProgress::Failed))
        return false;
    const std::optional<quint64> fileSize = KPAtomicFile::fileSize(m_workPath);
    if (!fileSize) {
        fail(job, KPFailure::WriteFailed);
        return false;
    }
    readSmallestBox();
    const float factor = scaleFactor(m_curLimitSize, *fileSize);

    QSize previous;
    for (;;) {
        QImage picture = workingImage(job);
        if (picture.isNull()) {
            fail(job, KPFailure::Damaged);
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
        const QSize target =
            passSize(picture.size(), factor, m_curLimitWidth, m_curLimitHeight, last);
        QImage drawn = drawPass(picture, target);
        picture = QImage();
        if (drawn.isNull()) {
            fail(job, KPFailure::TooLargeToDecode); // no memory for the smaller picture
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

namespace {

// What drawing an opaque picture at the pass opacity onto a transparent one and then
// flattening it for JPEG does to each colour value: premultiplying by the opacity and
// dividing it out again rounds some values. Read once from the painter itself, so the
// shortcut below gives the very pixels the painter would.
const std::array<uchar, 256>& opacityRoundTrip()
{
    static const std::array<uchar, 256> table = [] {
        QImage ramp(256, 1, QImage::Format_RGB32);
        for (int value = 0; value < 256; ++value)
            ramp.setPixel(value, 0, qRgb(value, value, value));
        QImage drawn(ramp.size(), QImage::Format_ARGB32_Premultiplied);
        drawn.fill(Qt::transparent);
        {
            QPainter painter(&drawn);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            painter.setOpacity(KPFitter::DrawOpacity);
            painter.drawImage(0, 0, ramp);
        }
        const QImage flat = KPImageDecoder::flattenForJpeg(drawn);
        std::array<uchar, 256> values{};
        for (int value = 0; value < 256; ++value)
            values[size_t(value)] = uchar(qRed(flat.pixel(value, 0)));
        return values;
    }();
    return table;
}

} // namespace

QImage KPFitter::drawPass(const QImage& picture, QSize target)
{
    if (picture.format() == QImage::Format_RGB32) {
        // An opaque picture needs no painter: scale it, then give each colour value the
        // rounding the drawing at the pass opacity would give it. The result is ready for
        // the encoder, with one full-size picture less to make and convert.
        QImage drawn = target == picture.size() ? picture.copy()
                                                : picture.scaled(target, Qt::IgnoreAspectRatio,
                                                                 Qt::SmoothTransformation);
        if (drawn.isNull() || drawn.format() != QImage::Format_RGB32)
            return {};
        const std::array<uchar, 256>& table = opacityRoundTrip();
        for (int y = 0; y < drawn.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(drawn.scanLine(y));
            for (int x = 0; x < drawn.width(); ++x) {
                const QRgb pixel = line[x];
                line[x] = qRgb(table[size_t(qRed(pixel))], table[size_t(qGreen(pixel))],
                               table[size_t(qBlue(pixel))]);
            }
        }
        return drawn;
    }
    QImage drawn(target, QImage::Format_ARGB32_Premultiplied);
    if (drawn.isNull())
        return {};
    drawn.fill(Qt::transparent);
    {
        const QImage scaled =
            target == picture.size()
                ? picture
                : picture.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QPainter painter(&drawn);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setOpacity(DrawOpacity);
        painter.drawImage(QRect(QPoint(0, 0), target), scaled);
    }
    return drawn;
}

void KPFitter::finishJob(const KPImageDataPtr& job)
{
    m_pendingDecode.reset(); // waits for a decode running, drops one not begun
    m_logOwed = false;
    int error = 0;
    if (job->is(KPProgress::Converted)) {
        const bool sourceIsResult = m_inPlace && m_copyKept;
        if (sourceIsResult) {
            KPAtomicFile::remove(m_workPath);
        } else if (!KPAtomicFile::placeOutput(m_workPath, job->exportPath(), m_inPlace, &error)) {
            // Not through fail(): the picture was whole, only putting it in place failed.
            job->fail(KPFailureText::forWriteError(error));
            KPAtomicFile::remove(m_workPath);
        }
    } else {
        // Every step was tried and the file is still too large.
        if (!job->is(KPProgress::Failed))
            fail(job, m_scaling ? KPFailure::NoFitScaled : KPFailure::NoFit);
        if (!m_workPath.isEmpty())
            KPAtomicFile::remove(m_workPath);
        // A failed job leaves nothing under its name: an earlier run's output there goes,
        // but never a file Pictaro did not write, nor the job's own source. A job cut short
        // by Stop leaves the name as it found it.
        if (m_outputNamed && !m_inPlace && job->failure() != KPFailure::Stopped)
            KPAtomicFile::removeOutput(job->exportPath());
    }
    m_workPath.clear();
    // Waits for a decode or read still running; one not begun is dropped.
    m_sourceDecode = {};
    m_metadataRead = {};

    // The views need no more than a preview of the result; a list of thousands of
    // jobs must not keep their full-size pictures.
    const QImage image = job->exportImage();
    if (!m_keepsPreview)
        job->setExportImage(QImage());
    else if (!image.isNull() && std::max(image.width(), image.height()) > PreviewSide)
        job->setExportImage(
            image.scaled(PreviewSide, PreviewSide, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}
