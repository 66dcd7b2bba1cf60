#include "engine/KPSourcePicture.h"

#include "engine/KPAtomicFile.h"
#include "engine/KPDecodeScale.h"
#include "engine/KPJpegCodec.h"
#include "engine/KPLargestBox.h"
#include "engine/KPScaledJpegDecode.h"

KPFailure KPSourcePicture::read(const QString& path, const std::function<bool()>& cancelled)
{
    // The size is looked at before a byte is read: a file larger than any reader takes
    // fails here instead of taking the memory of the whole run.
    bool tooLarge = false;
    std::optional<QByteArray> bytes =
        KPAtomicFile::readAll(path, KPAtomicFile::MaxReadBytes, &tooLarge);
    if (!bytes)
        return tooLarge ? KPFailure::TooLargeToDecode : KPFailure::SourceUnreadable;
    const QByteArray hint = KPImageDecoder::formatHint(path);
    const KPImageDecoder::Probed probed = KPImageDecoder::looksComplete(*bytes)
                                              ? KPImageDecoder::probeSource(*bytes, hint, cancelled)
                                              : KPImageDecoder::Probed{{}, KPFailure::Damaged};
    if (!probed.isValid())
        return probed.failure;
    if (qint64(probed.size.width()) * probed.size.height() * 4 >
        qint64(KPImageDecoder::AllocationLimitMB) * 1024 * 1024)
        return KPFailure::TooLargeToDecode;
    m_bytes = std::move(*bytes);
    m_hint = hint;
    m_size = quint64(m_bytes.size());
    m_pixels = probed.size;
    m_isJpeg = m_bytes.startsWith("\xff\xd8\xff");
    m_format = KPOutputFormats::ofBytes(m_bytes);
    return KPFailure::None;
}

KPSourcePicture::MetadataReading KPSourcePicture::metadataReading(KPMetadataPolicy policy,
                                                                  bool mayHold, bool mayKeepCopy)
{
    MetadataReading reading;
    // Removing all of it also removes comments and other application segments.
    reading.forCopy = mayKeepCopy && (policy == KPMetadataPolicy::RemoveAll ||
                                      (policy == KPMetadataPolicy::KeepAllButLocation && mayHold));
    reading.forEncodings = mayHold && policy != KPMetadataPolicy::RemoveAll &&
                           !(mayKeepCopy && policy == KPMetadataPolicy::KeepAll);
    return reading;
}

void KPSourcePicture::start(KPMetadataPolicy policy, quint64 limit,
                            const std::function<bool()>& cancelled, KPOutputFormat output)
{
    m_limit = limit;
    const bool mayKeepCopy = m_format == output && m_size < limit && insideLargestBox();
    // A copy of another format keeps its picture data and takes the encodings' metadata.
    m_reading = metadataReading(policy, KPMetadata::mayHold(m_bytes),
                                mayKeepCopy && output == KPOutputFormat::Jpeg);
    if (m_reading.forCopy || m_reading.forEncodings)
        m_metadataRead = KPAsync::Task<KPMetadata>::start(
            [data = m_bytes, hint = m_hint, policy, copy = m_reading.forCopy, cancelled] {
                return KPMetadata::read(data, hint, policy, copy, cancelled);
            });
    // Only a source several times the limit is looked at: a smaller one mostly keeps its
    // size, and a look costs a part of a whole decode.
    const bool scaled = m_scaleChoice && m_isJpeg &&
                        double(m_size) >= double(limit) * KPDecodeScale::LookFromLimitTimes;
    auto decode = [data = m_bytes, hint = m_hint, cancelled, pixels = m_pixels,
                   choice = scaled ? m_scaleChoice : ScaleChoice()] {
        if (choice) {
            KPImageDecoder::Decoded decoded = decodeChosen(data, pixels, choice, cancelled);
            if (!decoded.image.isNull())
                return decoded;
        }
        return KPImageDecoder::decodeSource(data, hint, cancelled, pixels);
    };
    // A picture that will be encoded whatever else happens (as large as the limit, or not
    // of the output's format) starts its decode now, on another core, while the copy is
    // written. A smaller one is decoded only if it comes to that.
    using Decode = KPAsync::Task<KPImageDecoder::Decoded>;
    m_decode =
        !mayKeepCopy ? Decode::start(std::move(decode)) : Decode::deferred(std::move(decode));
    if (scaled)
        m_jpeg = m_bytes; // shared, not copied: the decode holds them too
}

KPImageDecoder::Decoded KPSourcePicture::decodeChosen(const QByteArray& jpeg, QSize upright,
                                                      const ScaleChoice& choice,
                                                      const std::function<bool()>& cancelled)
{
    KPCodecTimer timer(KPCodecStats::Source);
    // The look costs little: at 1/8 libjpeg-turbo takes only the mean of each block.
    const QImage look = KPScaledJpegDecode::look(jpeg, cancelled);
    if (look.isNull())
        return {};
    const int eighths = choice(look, upright);
    QImage image = KPScaledJpegDecode::decode(jpeg, eighths, cancelled);
    return KPImageDecoder::Decoded{image, KPFailure::None, upright};
}

void KPSourcePicture::releaseBytes()
{
    if (!m_reading.forCopy)
        m_bytes = QByteArray();
}

std::optional<KPSourcePicture::Copy> KPSourcePicture::takeCopy()
{
    const QByteArray source = std::exchange(m_bytes, QByteArray());
    const std::optional<QByteArray> copy = metadata().copyOf(source);
    if (!copy)
        return std::nullopt;
    return Copy{*copy, copy->constData() != source.constData()};
}

KPImageDecoder::Decoded KPSourcePicture::takePicture()
{
    if (!m_decode.isValid())
        return {QImage(), KPFailure::Damaged, QSize()};
    KPImageDecoder::Decoded decoded;
    {
        KPCodecTimer timer(KPCodecStats::Decode);
        decoded = m_decode.take();
    }
    // A whole picture is never decoded again.
    if (decoded.image.size() == decoded.size)
        m_jpeg = QByteArray();
    if (m_largestBox && !decoded.image.isNull())
        decoded.image = KPLargestBox::fitted(decoded.image, *m_largestBox);
    return decoded;
}

bool KPSourcePicture::insideLargestBox() const
{
    return !m_largestBox || KPLargestBox::holds(m_pixels, *m_largestBox);
}

QSize KPSourcePicture::largestSize() const
{
    return m_largestBox ? KPLargestBox::fittedSize(m_pixels, *m_largestBox) : m_pixels;
}

const KPMetadata& KPSourcePicture::metadata()
{
    if (m_metadataRead.isValid()) {
        m_metadata = m_metadataRead.take();
        m_metadata.fitInto(m_limit);
    }
    return m_metadata;
}

QImage KPSourcePicture::scaledPicture(int eighths, const std::function<bool()>& cancelled)
{
    if (m_jpeg.isEmpty())
        return {};
    KPCodecTimer wait(KPCodecStats::Decode);
    KPCodecTimer work(KPCodecStats::Source);
    const QImage picture = KPScaledJpegDecode::decode(m_jpeg, eighths, cancelled);
    return m_largestBox && !picture.isNull() ? KPLargestBox::fitted(picture, *m_largestBox)
                                             : picture;
}

void KPSourcePicture::release()
{
    m_jpeg = QByteArray();
    m_decode = {};
    m_metadataRead = {};
}
