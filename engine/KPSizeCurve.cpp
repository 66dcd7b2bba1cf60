#include "engine/KPSizeCurve.h"

#include "engine/KPBestFit.h"
#include "engine/KPEncoder.h"
#include "engine/KPMetadata.h"
#include "engine/KPSizeEstimate.h"

#include <algorithm>

namespace {
// The size of `picture` at every quality from `lowest` up: estimated where the format has
// an estimate, else encoded every few qualities and read between them.
std::optional<QList<qint64>> sizesOf(const QImage& picture, int lowest, KPEncoder& encoder,
                                     const std::function<bool()>& cancelled, int threads)
{
    QList<qint64> sizes;
    const std::unique_ptr<KPSizeEstimate> estimate = encoder.sizeEstimate();
    if (estimate && estimate->analyse(picture, threads, cancelled)) {
        for (int quality = lowest; quality <= 100; ++quality)
            sizes.append(estimate->size(quality, threads));
        return sizes;
    }
    if (cancelled && cancelled())
        return std::nullopt;
    constexpr int Step = 5;
    const KPMetadata none;
    QList<int> known;
    for (int quality = lowest;; quality = std::min(100, quality + Step)) {
        const QByteArray data = encoder.encode(picture, quality, none, {});
        if (data.isEmpty())
            return std::nullopt;
        known.append(quality);
        sizes.resize(quality - lowest + 1);
        sizes[quality - lowest] = data.size();
        if (quality == 100)
            break;
    }
    for (qsizetype at = 1; at < known.size(); ++at) {
        const int from = known[at - 1], to = known[at];
        for (int quality = from + 1; quality < to; ++quality)
            sizes[quality - lowest] =
                sizes[from - lowest] +
                (sizes[to - lowest] - sizes[from - lowest]) * (quality - from) / (to - from);
    }
    return sizes;
}
} // namespace

qint64 KPSizeCurve::cost(int quality) const
{
    const qint64 encoded = sizes.value(std::clamp(quality, lowest, 100) - lowest, 0);
    return keptBytes > 0 ? std::min(encoded, keptBytes) : encoded;
}

qint64 KPSizeCurve::leastCost() const
{
    return keptBytes > 0 ? std::min(least, keptBytes) : least;
}

std::optional<KPSizeCurve> KPSizeCurve::of(const QImage& picture, int lowest, double smallestScale,
                                           KPEncoder& encoder, const KPMetadata& metadata,
                                           const std::function<bool()>& cancelled, int threads)
{
    KPSizeCurve curve;
    curve.lowest = std::clamp(lowest, 1, 100);
    const qint64 metadataBytes = encoder.metadataBytes(metadata);
    std::optional<QList<qint64>> sizes =
        sizesOf(picture, curve.lowest, encoder, cancelled, threads);
    if (!sizes || sizes->isEmpty())
        return std::nullopt;
    for (qint64& size : *sizes)
        size += metadataBytes;
    curve.sizes = std::move(*sizes);
    curve.least = curve.sizes.first();
    if (smallestScale < 1.0) {
        const QSize smallest = KPBestFit::scaledSize(picture.size(), smallestScale);
        const QImage scaled =
            picture.scaled(smallest, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        // A small picture: its whole curve costs little more than its floor alone.
        const std::optional<QList<qint64>> floor =
            sizesOf(scaled, curve.lowest, encoder, cancelled, threads);
        if (!floor || floor->isEmpty())
            return std::nullopt;
        curve.least = std::min(curve.least, floor->first() + metadataBytes);
    }
    return curve;
}
