#pragma once

#include "engine/KPEncoder.h"

// AVIF through libavif with its AV1 encoder (libaom): 8-bit 4:2:0 at one quantiser
// chosen by the quality, in sRGB with its colour description (primaries BT.709, the
// sRGB transfer, BT.709 matrix, full range), the metadata as EXIF and XMP items. The
// items are written with the picture: an encoding cannot take them afterwards, so
// encode() is given the metadata of every encoding that may be kept. Every encoding is
// whole: the picture is read once all its rows are there.
class KPAvifEncoder final : public KPEncoder
{
public:
    // libavif's trade of speed against size, 0 (slowest) to 10. Measured on 2-megapixel
    // photos: above 6 libaom codes for real time, and at the same size its pictures lose
    // 0.8 dB (7) to 1 dB (9) of PSNR for a third (7) to a seventh (9) of the time. A run
    // of AVIF is chosen for the quality at the size, so 6.
    static constexpr int Speed = 6;

    QByteArray format() const override { return QByteArrayLiteral("avif"); }
    QString extension() const override { return QStringLiteral("avif"); }
    void setCancelled(std::function<bool()> cancelled) override;
    QByteArray encode(const QImage& picture, int quality, const KPMetadata& metadata,
                      const KPRowGate& gate) override;
    // Only an encoding that is to carry no metadata can be given it here: any other
    // answers empty (the metadata goes into encode()).
    QByteArray withMetadata(const QByteArray& encoding, const KPMetadata& metadata,
                            QSize pixels) const override;
    qint64 metadataBytes(const KPMetadata& metadata) const override;
    std::shared_ptr<KPRowDecode> startDecode(const QByteArray&, QImage) override { return {}; }
    QImage decode(const QByteArray& encoding) override;
    std::unique_ptr<KPSizeEstimate> sizeEstimate() const override { return {}; }
    // The qualities of one quantiser: 64 steps over 101 qualities.
    std::pair<int, int> sameAs(int quality) const override;

    // The AV1 quantiser of a quality, 0 to 100: 63 (coarsest) at 0, 0 at 100.
    static int quantiserOf(int quality);

private:
    std::function<bool()> m_cancelled;
};
