#include "engine/KPJpegEncoder.h"

#include "engine/KPJpegEstimate.h"
#include "engine/KPJpegStream.h"
#include "engine/KPMetadata.h"

namespace {
// KPJpegEstimate behind the estimate interface: it counts what the optimised coding writes.
class JpegSizeEstimate final : public KPSizeEstimate
{
public:
    bool analyse(const QImage& picture, int threads,
                 const std::function<bool()>& cancelled) override
    {
        return m_estimate.analyse(picture, threads, cancelled);
    }
    bool isValid() const override { return m_estimate.isValid(); }
    qint64 size(int quality, int threads) const override
    {
        return m_estimate.size(quality, threads);
    }

private:
    KPJpegEstimate m_estimate;
};
} // namespace

void KPJpegEncoder::setCancelled(std::function<bool()> cancelled)
{
    m_cancelled = std::move(cancelled);
    m_codec.setCancelled(m_cancelled);
}

QByteArray KPJpegEncoder::encode(const QImage& picture, int quality, const KPMetadata& metadata,
                                 const KPRowGate& gate)
{
    return m_codec.encodeAtQuality(picture, quality, m_coding == Coding::Optimised, gate,
                                   metadata.segmentsFor(picture.size()));
}

QByteArray KPJpegEncoder::withMetadata(const QByteArray& encoding, const KPMetadata& metadata,
                                       QSize pixels) const
{
    return KPMetadata::withSegments(encoding, metadata.segmentsFor(pixels));
}

qint64 KPJpegEncoder::metadataBytes(const KPMetadata& metadata) const
{
    return metadata.bytes();
}

std::shared_ptr<KPRowDecode> KPJpegEncoder::startDecode(const QByteArray& encoding, QImage spent)
{
    return KPJpegStreamDecode::start(encoding, m_cancelled, std::move(spent));
}

QImage KPJpegEncoder::decode(const QByteArray& encoding)
{
    return m_codec.decode(encoding);
}

std::unique_ptr<KPSizeEstimate> KPJpegEncoder::sizeEstimate() const
{
    if (m_coding != Coding::Optimised)
        return {};
    return std::make_unique<JpegSizeEstimate>();
}
