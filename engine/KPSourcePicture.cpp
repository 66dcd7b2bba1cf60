#include "engine/KPSourcePicture.h"

#include "engine/KPAtomicFile.h"
#include "engine/KPJpegCodec.h"
#include "engine/KPLargestBox.h"

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
    // A picture that will be encoded whatever else happens (as large as the limit, or not
    // of the output's format) starts its decode now, on another core, while the copy is
    // written. A smaller one is decoded only if it comes to that.
    auto decode = [data = m_bytes, hint = m_hint, cancelled, pixels = m_pixels] {
        return KPImageDecoder::decodeSource(data, hint, cancelled, pixels);
    };
    using Decode = KPAsync::Task<KPImageDecoder::Decoded>;
    m_decode =
        !mayKeepCopy ? Decode::start(std::move(decode)) : Decode::deferred(std::move(decode));
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
    if (m_largestBox && !decoded.image.isNull())
        decoded.image = KPLargestBox::fitted(decoded.image, *m_largestBox);
    return decoded;
}

bool KPSourcePicture::insideLargestBox() const
{
    return !m_largestBox || KPLargestBox::holds(m_pixels, *m_largestBox);
}

const KPMetadata& KPSourcePicture::metadata()
{
    if (m_metadataRead.isValid()) {
        m_metadata = m_metadataRead.take();
        m_metadata.fitInto(m_limit);
    }
    return m_metadata;
}

void KPSourcePicture::release()
{
    m_decode = {};
    m_metadataRead = {};
}
