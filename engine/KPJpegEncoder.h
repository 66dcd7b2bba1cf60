#pragma once

#include "engine/KPEncoder.h"
#include "engine/KPJpegCodec.h"

// JPEG through libjpeg-turbo (KPJpegCodec): baseline 4:2:0, the metadata as APPn
// segments after the JFIF header, the steps' files decoded row by row.
class KPJpegEncoder final : public KPEncoder
{
public:
    enum class Coding
    {
        Standard,  // the standard Huffman tables: what the stepwise fitting writes
        Optimised, // tables made for each picture: a few percent smaller, a fifth slower
    };
    explicit KPJpegEncoder(Coding coding = Coding::Standard) : m_coding(coding) {}

    QByteArray format() const override { return QByteArrayLiteral("jpeg"); }
    QString extension() const override { return QStringLiteral("jpg"); }
    void setCancelled(std::function<bool()> cancelled) override;
    QByteArray encode(const QImage& picture, int quality, const KPMetadata& metadata,
                      const KPRowGate& gate) override;
    QByteArray withMetadata(const QByteArray& encoding, const KPMetadata& metadata,
                            QSize pixels) const override;
    qint64 metadataBytes(const KPMetadata& metadata) const override;
    std::shared_ptr<KPRowDecode> startDecode(const QByteArray& encoding, QImage spent) override;
    QImage decode(const QByteArray& encoding) override;
    // KPJpegEstimate, which counts the optimised coding; nothing for the standard one.
    std::unique_ptr<KPSizeEstimate> sizeEstimate() const override;

private:
    Coding m_coding;
    KPJpegCodec m_codec;
    std::function<bool()> m_cancelled;
};
