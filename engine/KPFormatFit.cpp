#include "engine/KPFormatFit.h"

#include "engine/KPCodecTimer.h"
#include "engine/KPEncoder.h"
#include "engine/KPMetadata.h"

#include <algorithm>
#include <cmath>

namespace {
// Full encodings at one pixel size, at most.
constexpr int MaxFullRounds = 4;
// The first guess at a size, made before any full encoding tells how the picture stands to
// its reduced copy, aims this far under the limit.
constexpr double FirstAim = 0.97;
// A scale is chosen for the floor to come this far under the limit, leaving the quality
// search room above it.
constexpr double ScaleAim = 0.95;
constexpr int MaxScaleTries = 4;
// A floor predicted at this many times the limit or more, before any full encoding, is
// taken as not fitting without one: the first ratio is never off by as much.
constexpr double ClearlyOver = 2.5;
} // namespace

KPFormatFit::KPFormatFit(KPEncoder& encoder, qint64 limit, int lowest, const KPMetadata& metadata,
                         Trial trial, std::function<bool()> cancelled)
    : m_encoder(encoder), m_limit(limit), m_lowest(std::clamp(lowest, 0, 100)),
      m_metadata(metadata), m_metadataBytes(std::max<qint64>(0, encoder.metadataBytes(metadata))),
      m_trial(std::move(trial)), m_cancelled(std::move(cancelled))
{}

bool KPFormatFit::cancelled() const
{
    return m_cancelled && m_cancelled();
}

void KPFormatFit::prepare(Curve& curve, const QImage& picture) const
{
    curve = Curve{};
    curve.picture = &picture;
    const qint64 pixels = qint64(picture.width()) * picture.height();
    if (pixels < 2 * ReducedPixels) {
        curve.reduced = picture;
        return;
    }
    const double scale = std::sqrt(double(ReducedPixels) / double(pixels));
    curve.reduced = picture.scaled(KPBestFit::scaledSize(picture.size(), scale),
                                   Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // A reduced copy packs more detail into each pixel: its bytes per pixel run higher,
    // by about the square root of the scale on photos. The first full encoding corrects it.
    const double reducedPixels = double(curve.reduced.width()) * curve.reduced.height();
    curve.ratio = double(pixels) / reducedPixels * std::sqrt(scale);
}

std::optional<qint64> KPFormatFit::reducedSize(Curve& curve, int quality)
{
    const auto known = curve.reducedSizes.find(quality);
    if (known != curve.reducedSizes.end())
        return known->second;
    if (cancelled()) {
        m_failed = true;
        return std::nullopt;
    }
    QByteArray data;
    {
        // Counted with the estimates: these encodings are the search's estimate of sizes.
        KPCodecTimer timer(KPCodecStats::Estimate);
        data = m_encoder.encode(curve.reduced, quality, KPMetadata(), {});
    }
    if (data.isEmpty()) {
        m_failed = true;
        return std::nullopt;
    }
    ++m_reducedEncodings;
    curve.reducedSizes.emplace(quality, data.size());
    return data.size();
}

std::optional<qint64> KPFormatFit::predicted(Curve& curve, int quality)
{
    const std::optional<qint64> reduced = reducedSize(curve, quality);
    if (!reduced)
        return std::nullopt;
    return qint64(std::llround(ratioAt(curve, quality) * double(*reduced))) + m_metadataBytes;
}

double KPFormatFit::ratioAt(const Curve& curve, int quality)
{
    if (curve.ratios.empty())
        return curve.ratio;
    const auto above = curve.ratios.lower_bound(quality);
    if (above == curve.ratios.end())
        return std::prev(above)->second;
    if (above->first == quality || above == curve.ratios.begin())
        return above->second;
    const auto below = std::prev(above);
    const double t = double(quality - below->first) / double(above->first - below->first);
    return std::exp(std::log(below->second) +
                    t * (std::log(above->second) - std::log(below->second)));
}

std::optional<int> KPFormatFit::highestPredicted(Curve& curve, int first, int last, double target)
{
    if (first > last)
        return std::nullopt;
    // A search between the ends, the sizes taken to grow with the quality.
    int fits = first - 1;
    int over = last + 1;
    for (int quality = first; over - fits > 1; quality = (fits + over) / 2) {
        const std::optional<qint64> size = predicted(curve, quality);
        if (!size)
            return std::nullopt;
        if (double(*size) < target)
            fits = quality;
        else
            over = quality;
        if (fits < first)
            break; // not even the first
    }
    if (fits < first)
        return std::nullopt;
    return fits;
}

bool KPFormatFit::encodeFull(Curve& curve, int quality)
{
    if (cancelled()) {
        m_failed = true;
        return false;
    }
    const QImage& picture = *curve.picture;
    QByteArray data;
    {
        KPCodecTimer timer(KPCodecStats::Encode);
        data = m_encoder.encode(picture, quality, m_metadata, {});
    }
    if (data.isEmpty()) {
        m_failed = true;
        return false;
    }
    ++m_encodings;
    const qint64 size = data.size();
    if (m_trial)
        m_trial(quality, picture.size(), size);
    const std::optional<qint64> reduced = reducedSize(curve, quality);
    if (!reduced)
        return false;
    curve.ratios[quality] =
        std::max(1e-3, double(size - m_metadataBytes) / double(std::max<qint64>(1, *reduced)));
    // The qualities that encode the same are known with it, the floor among them.
    const auto [first, last] = m_encoder.sameAs(quality);
    if (first <= m_lowest && m_lowest <= last)
        curve.floorBytes = size;
    if (size < m_limit) {
        curve.under = std::max(quality, last);
        m_best = Choice{std::move(data), curve.under, picture.size()};
    } else {
        curve.over = std::max(std::min(quality, first), curve.under + 1);
    }
    return true;
}

KPFormatFit::Outcome KPFormatFit::search(Curve& curve, bool mayPredictOver)
{
    if (m_metadataBytes >= m_limit)
        return Outcome::DoesNotFit;
    for (int round = 0; round < MaxFullRounds && curve.over - curve.under > 1; ++round) {
        const int first = std::max(curve.under + 1, m_lowest);
        const int last = curve.over - 1;
        if (first > last)
            break;
        const double aim = (round == 0 ? FirstAim : 1.0) * double(m_limit);
        std::optional<int> guess = highestPredicted(curve, first, last, aim);
        if (m_failed)
            return Outcome::Failed;
        if (!guess) {
            if (curve.under >= m_lowest)
                break; // nothing above the quality found is expected to fit
            // Not even the floor is expected to fit: its full encoding decides, unless
            // the prediction is far over.
            const std::optional<qint64> floor = predicted(curve, m_lowest);
            if (!floor)
                return Outcome::Failed;
            curve.floorBytes = *floor;
            if (mayPredictOver && round == 0 && double(*floor) >= ClearlyOver * double(m_limit))
                return Outcome::DoesNotFit;
            guess = m_lowest;
        }
        if (!encodeFull(curve, *guess))
            return Outcome::Failed;
    }
    // Rounds that ran out above the floor leave the floor's own encoding to decide.
    if (curve.under < m_lowest && curve.over > m_lowest && !encodeFull(curve, m_lowest))
        return Outcome::Failed;
    return curve.under >= m_lowest ? Outcome::Fits : Outcome::DoesNotFit;
}

std::optional<KPFormatFit::Choice> KPFormatFit::fit(const QImage& pristine,
                                                    std::optional<KPBestFit::Box> scaling)
{
    m_best.reset();
    m_failed = false;
    m_encodings = 0;
    m_reducedEncodings = 0;
    if (pristine.isNull() || pristine.format() != QImage::Format_RGB32) {
        m_failed = true;
        return std::nullopt;
    }
    const double smallest = scaling ? KPBestFit::minimumScale(pristine.size(), *scaling) : 1.0;
    Curve full;
    prepare(full, pristine);
    const Outcome outcome = search(full, smallest < 1.0);
    if (outcome == Outcome::Fits)
        return m_best;
    if (outcome == Outcome::Failed || smallest >= 1.0 || full.floorBytes <= m_metadataBytes)
        return std::nullopt; // never enlarged
    return fitScaled(pristine, smallest, full);
}

std::optional<KPFormatFit::Choice> KPFormatFit::fitScaled(const QImage& pristine, double smallest,
                                                          const Curve& full)
{
    const auto available = double(m_limit - m_metadataBytes);
    double scale = 1.0;
    qint64 floorBytes = full.floorBytes;
    // How the last size stood to its reduced copy at the floor, and their pixels.
    double floorRatio = ratioAt(full, m_lowest);
    double pixels = double(pristine.width()) * pristine.height();
    double reducedPixels = double(full.reduced.width()) * full.reduced.height();
    for (int attempt = 0; attempt < MaxScaleTries && scale > smallest; ++attempt) {
        // The file's size follows the pixel count roughly.
        const double next =
            scale * std::sqrt(ScaleAim * available / double(floorBytes - m_metadataBytes));
        scale = std::max(std::min(next, scale * 0.97), smallest);
        const QImage scaled = pristine.scaled(KPBestFit::scaledSize(pristine.size(), scale),
                                              Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (scaled.isNull()) {
            m_failed = true;
            return std::nullopt;
        }
        Curve curve;
        prepare(curve, scaled);
        // The reduced copies of two sizes of one picture are nearly the same picture: the
        // last size's ratio, taken to the new pixel counts, is the better first guess.
        const double scaledPixels = double(scaled.width()) * scaled.height();
        const double scaledReduced = double(curve.reduced.width()) * curve.reduced.height();
        if (scaledReduced < scaledPixels && reducedPixels < pixels)
            curve.ratio = floorRatio * (scaledPixels / pixels) * (reducedPixels / scaledReduced);
        const Outcome outcome = search(curve, scale > smallest);
        if (outcome == Outcome::Fits)
            return m_best;
        if (outcome == Outcome::Failed || curve.floorBytes <= m_metadataBytes)
            return std::nullopt;
        floorBytes = curve.floorBytes;
        floorRatio = ratioAt(curve, m_lowest);
        pixels = scaledPixels;
        reducedPixels = scaledReduced;
    }
    return std::nullopt;
}
