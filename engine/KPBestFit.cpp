#include "engine/KPBestFit.h"

#include "engine/KPAsync.h"
#include "engine/KPQuality.h"
#include "engine/KPQualitySearch.h"

#include <algorithm>
#include <cmath>

namespace {
// The scaling aims a little under the limit, so that the quality searched at the size
// found has room above the floor and the file still fills most of what is allowed.
constexpr double ScaleAim = 0.97;
// A scale whose estimate at the floor comes this close under the limit is close enough.
constexpr double ScaleCloseEnough = 0.95;
constexpr int MaxScaleTrials = 8;
// Real encodings that find the floor over the limit at the scale the estimates chose
// (their error at its largest) make the scale a little smaller, this many times at most.
constexpr int MaxScaleRetries = 3;
// After this many rounds of encodings guided by the estimates, a size curve that keeps
// surprising them is searched by halving instead.
constexpr int GuidedRounds = 3;
// Whole estimates around the quality the rough ones found, this many at most.
constexpr int MaxSettleSteps = 4;
// Pictures of this many pixels or more are first estimated on one band of rows in
// SampleStep; a floor estimated at SampleClearlyOver times the limit or more is taken as
// not fitting at full size. (On the benchmark's photos a sample's estimate is within
// about 10 % of the whole picture's.)
constexpr qint64 SampleFromPixels = 4'000'000;
constexpr int SampleStep = 8;
constexpr double SampleClearlyOver = 1.5;
} // namespace

KPBestFit::KPBestFit(qint64 limit, float qualityFloor, Trial trial, std::function<bool()> cancelled,
                     qint64 metadataBytes)
    : m_limit(limit), m_lowest(lowestQuality(qualityFloor)), m_trial(std::move(trial)),
      m_cancelled(std::move(cancelled)), m_metadataBytes(std::max<qint64>(0, metadataBytes))
{
    // A trial of a large picture takes a while: Stop breaks it off between bands of rows.
    for (KPJpegCodec& codec : m_codecs)
        codec.setCancelled(m_cancelled);
}

void KPBestFit::setThreads(int threads)
{
    m_threads = std::max(1, threads);
}

int KPBestFit::lowestQuality(float floor)
{
    return KPQuality::atLeast(floor).jpegQuality();
}

double KPBestFit::minimumScale(QSize picture, Box box)
{
    if (picture.isEmpty())
        return 1.0;
    const bool landscape = picture.width() >= picture.height();
    const double across = landscape ? box.width : box.height;
    const double down = landscape ? box.height : box.width;
    return std::max(across / picture.width(), down / picture.height());
}

QSize KPBestFit::scaledSize(QSize picture, double scale)
{
    return {std::max(1, int(std::lround(picture.width() * scale))),
            std::max(1, int(std::lround(picture.height() * scale)))};
}

std::optional<qint64> KPBestFit::encodeTrial(KPJpegCodec& codec, const QImage& picture, int quality,
                                             QByteArray& data)
{
    data = codec.encodeAtQuality(picture, quality, true);
    if (data.isEmpty())
        return std::nullopt;
    return data.size();
}

void KPBestFit::keep(const QImage& picture, int quality, const QByteArray& data, qint64 estimate)
{
    // The search only ever moves up to a higher quality under the limit.
    if (!m_best || m_best->pixels != picture.size() || quality > m_best->quality)
        m_best = Choice{data, quality, picture.size(), estimate};
}

qint64 KPBestFit::estimated(Sizes& sizes, int quality)
{
    const auto known = sizes.estimated.find(quality);
    if (known != sizes.estimated.end())
        return known->second;
    const qint64 size = sizes.estimate->size(quality, m_threads);
    sizes.estimated.emplace(quality, size);
    return size;
}

qint64 KPBestFit::roughlyEstimated(Sizes& sizes, int quality)
{
    if (sizes.estimate->roughIsWhole())
        return estimated(sizes, quality);
    const auto known = sizes.rough.find(quality);
    if (known != sizes.rough.end())
        return known->second;
    const qint64 size = sizes.estimate->roughSize(quality, m_threads);
    sizes.rough.emplace(quality, size);
    return size;
}

bool KPBestFit::encode(Sizes& sizes, const QList<int>& qualities)
{
    if (cancelled()) {
        m_failed = true;
        return false;
    }
    QList<std::optional<qint64>> results(qualities.size());
    QList<QByteArray> encoded(qualities.size());
    const QImage& picture = *sizes.picture;
    // With a second thread, the first encoding goes to it and the rest stay here.
    KPAsync::Task<void> helper;
    const bool shared = qualities.size() > 1 && m_threads > 1;
    if (shared) {
        const QImage copy = picture;
        const int quality = qualities.first();
        KPJpegCodec* codec = &m_codecs[1];
        std::optional<qint64>* size = &results[0];
        QByteArray* data = &encoded[0];
        helper = KPAsync::Task<void>::start([this, codec, copy, quality, size, data] {
            *size = encodeTrial(*codec, copy, quality, *data);
        });
    }
    for (qsizetype i = shared ? 1 : 0; i < qualities.size(); ++i)
        results[i] = encodeTrial(m_codecs[0], picture, qualities[i], encoded[i]);
    helper.wait(); // encoded here when no thread was free for it
    for (qsizetype i = 0; i < qualities.size(); ++i) {
        if (!results[i]) {
            m_failed = true;
            return false;
        }
        ++m_encodings;
        const int quality = qualities[i];
        sizes.real[quality] = *results[i];
        if (m_trial)
            m_trial(quality, picture.size(), *results[i], false);
        if (under(double(*results[i]))) {
            const auto estimate = sizes.estimated.find(quality);
            keep(picture, quality, encoded[i],
                 estimate == sizes.estimated.end() ? 0 : estimate->second);
        }
    }
    return true;
}

std::optional<int> KPBestFit::highestWithin(int first, int last,
                                            const std::function<qint64(int)>& size)
{
    if (first > last)
        return std::nullopt;
    const qint64 available = m_limit - m_metadataBytes;
    const qint64 atFirst = size(first);
    if (atFirst >= available)
        return std::nullopt;
    if (first == last)
        return first;
    const qint64 atLast = size(last);
    if (atLast < available)
        return last;
    const auto measure = [this, &size](const QList<int>& qualities) {
        QList<std::optional<qint64>> found;
        for (const int quality : qualities) {
            if (cancelled())
                found.append(std::nullopt);
            else
                found.append(size(quality));
        }
        return found;
    };
    return KPQualitySearch::highestUnder(first, last, available, 1, measure,
                                         std::make_pair(first, atFirst),
                                         std::make_pair(last, atLast))
        .quality;
}

std::optional<int> KPBestFit::guessWithin(Sizes& sizes, int first, int last)
{
    if (first > last)
        return std::nullopt;
    // Rough sizes find the neighbourhood, whole ones settle it with a step or two.
    const std::optional<int> near =
        highestWithin(first, last, [this, &sizes](int q) { return roughlyEstimated(sizes, q); });
    const auto fits = [this, &sizes](int quality) {
        return under(double(estimated(sizes, quality)));
    };
    int quality = near.value_or(first);
    for (int steps = 0; steps < MaxSettleSteps; ++steps) {
        if (fits(quality)) {
            if (quality == last || !fits(quality + 1))
                return quality;
            ++quality;
        } else {
            if (quality == first)
                return std::nullopt;
            --quality;
        }
    }
    // The rough sizes were far off: the whole estimates alone decide.
    return highestWithin(first, last, [this, &sizes](int q) { return estimated(sizes, q); });
}

bool KPBestFit::close(Sizes& sizes, int quality)
{
    return double(estimated(sizes, quality) + m_metadataBytes) <
           double(m_limit) * (1.0 + Tolerance);
}

bool KPBestFit::clearlyUnder(Sizes& sizes, int quality)
{
    return double(estimated(sizes, quality) + m_metadataBytes) <
           double(m_limit) * (1.0 - Tolerance);
}

std::optional<int> KPBestFit::nextGuess(Sizes& sizes, int round, int low, int high)
{
    const int first = std::max(low + 1, m_lowest);
    if (round >= GuidedRounds)
        return std::max(first, (low + high) / 2);
    if (const std::optional<int> guess = guessWithin(sizes, first, high - 1))
        return guess;
    // Nothing above the quality found is expected to fit, or not even the floor: only an
    // estimate of the floor too close to the limit to tell is worth an encoding then.
    if (low < m_lowest && close(sizes, m_lowest))
        return m_lowest;
    return std::nullopt;
}

QList<int> KPBestFit::roundAround(Sizes& sizes, int guess, int low, int high)
{
    QList<int> qualities{guess};
    if (guess + 1 < high && close(sizes, guess + 1))
        qualities.append(guess + 1); // may fit as well: the other core tells at once
    else if (guess - 1 > low && guess - 1 >= m_lowest && !clearlyUnder(sizes, guess))
        qualities.append(guess - 1); // the guess itself may not fit
    return qualities;
}

KPBestFit::Outcome KPBestFit::searchQuality(Sizes& sizes)
{
    if (m_metadataBytes >= m_limit)
        return Outcome::DoesNotFit;
    // Of the real encodings; the low end is below the floor until one fits.
    KPQualitySearch::Bracket bracket{m_lowest - 1, 101, std::nullopt, std::nullopt};
    const auto& [low, high, lowSize, highSize] = bracket;
    for (int round = 0; high - low > 1; ++round) {
        if (cancelled()) {
            m_failed = true;
            return Outcome::Failed;
        }
        const std::optional<int> guess = nextGuess(sizes, round, low, high);
        if (!guess)
            break;
        const QList<int> qualities = roundAround(sizes, *guess, low, high);
        if (!encode(sizes, qualities))
            return Outcome::Failed;
        QList<std::optional<qint64>> encoded;
        for (const int quality : qualities)
            encoded.append(sizes.real.at(quality));
        bracket.take(qualities, encoded, m_limit - m_metadataBytes);
        // Done when the next quality up is known, or expected, to be over the limit.
        if (low >= m_lowest && (high == low + 1 || !close(sizes, low + 1)))
            break;
    }
    return foundAt(sizes, low);
}

KPBestFit::Outcome KPBestFit::foundAt(const Sizes& sizes, int quality) const
{
    return quality >= m_lowest && m_best && m_best->pixels == sizes.picture->size() &&
                   m_best->quality == quality
               ? Outcome::Fits
               : Outcome::DoesNotFit;
}

KPBestFit::Outcome KPBestFit::searchByEncoding(Sizes& sizes)
{
    if (m_metadataBytes >= m_limit)
        return Outcome::DoesNotFit;
    const auto measure = [this, &sizes](const QList<int>& qualities) {
        QList<std::optional<qint64>> found(qualities.size());
        if (!encode(sizes, qualities))
            return found;
        for (qsizetype i = 0; i < qualities.size(); ++i)
            found[i] = sizes.real[qualities[i]];
        return found;
    };
    const KPQualitySearch::Result result = KPQualitySearch::highestUnder(
        m_lowest, 100, m_limit - m_metadataBytes, std::min(m_threads, 2), measure);
    if (result.failed) {
        m_failed = true;
        return Outcome::Failed;
    }
    return result.quality ? foundAt(sizes, *result.quality) : Outcome::DoesNotFit;
}

KPBestFit::Outcome KPBestFit::search(Sizes& sizes)
{
    if (sizes.estimate && sizes.estimate->isValid())
        return searchQuality(sizes);
    return searchByEncoding(sizes);
}

bool KPBestFit::analyse(KPJpegEstimate& estimate, const QImage& picture)
{
    if (estimate.analyse(picture, m_threads, m_cancelled))
        return true;
    // Without memory for its DCT a picture is still searched, by encodings alone.
    if (cancelled())
        m_failed = true;
    return !m_failed;
}

qint64 KPBestFit::fullSizeFloor(const QImage& pristine, bool scaling)
{
    if (m_metadataBytes >= m_limit)
        return 0;
    // A large picture is first looked at in a sample of its rows: when even that puts the
    // floor far over the limit, the scaling starts without the DCT of every row.
    if (scaling && qint64(pristine.width()) * pristine.height() >= SampleFromPixels) {
        KPJpegEstimate sample;
        if (!sample.analyseSample(pristine, SampleStep, m_threads, m_cancelled) && cancelled()) {
            m_failed = true;
            return 0;
        }
        if (sample.isValid()) {
            const qint64 bytes = sample.size(m_lowest, m_threads);
            if (double(bytes + m_metadataBytes) >= double(m_limit) * SampleClearlyOver)
                return bytes;
        }
    }
    KPJpegEstimate estimate;
    Sizes full;
    full.picture = &pristine;
    full.estimate = &estimate;
    if (!analyse(estimate, pristine))
        return 0;
    const Outcome outcome = search(full);
    if (outcome != Outcome::DoesNotFit)
        return 0;
    // The floor's size at full size, encoded or estimated.
    const auto floorReal = full.real.find(m_lowest);
    if (floorReal != full.real.end())
        return floorReal->second;
    return estimate.isValid() ? estimated(full, m_lowest) : 0;
}

std::optional<KPBestFit::Choice> KPBestFit::fit(const QImage& pristine, std::optional<Box> scaling)
{
    m_best.reset();
    m_failed = false;
    m_encodings = 0;
    if (pristine.isNull() || pristine.format() != QImage::Format_RGB32) {
        m_failed = true;
        return std::nullopt;
    }
    const qint64 floorBytes = fullSizeFloor(pristine, scaling.has_value());
    if (m_failed)
        return std::nullopt;
    if (m_best || floorBytes <= 0 || !scaling)
        return m_best;
    const double smallest = minimumScale(pristine.size(), *scaling);
    if (smallest >= 1.0)
        return std::nullopt; // never enlarged
    Scaled fitted;
    if (!findScale(pristine, smallest, floorBytes, fitted))
        return std::nullopt;
    return fitAtScale(pristine, smallest, fitted);
}

std::optional<qint64> KPBestFit::floorSize(const QImage& scaled, KPJpegEstimate& estimate)
{
    if (scaled.isNull() || !analyse(estimate, scaled)) {
        m_failed = true;
        return std::nullopt;
    }
    qint64 bytes = 0;
    if (estimate.isValid()) {
        bytes = estimate.size(m_lowest, m_threads);
    } else {
        QByteArray data;
        const std::optional<qint64> encoded = encodeTrial(m_codecs[0], scaled, m_lowest, data);
        if (!encoded) {
            m_failed = true;
            return std::nullopt;
        }
        ++m_encodings;
        bytes = *encoded;
    }
    if (m_trial)
        m_trial(m_lowest, scaled.size(), bytes, estimate.isValid());
    return bytes;
}

bool KPBestFit::findScale(const QImage& pristine, double smallest, qint64 floorBytes,
                          Scaled& fitted)
{
    const auto available = double(m_limit - m_metadataBytes);
    // The file's size follows the pixel count roughly, so the first scale comes from the
    // square root of the size ratio; each estimate at the floor then refines it.
    double scale = std::clamp(std::sqrt(ScaleAim * available / double(floorBytes)), smallest, 1.0);
    double tooBig = 1.0; // the smallest scale estimated not to fit
    KPJpegEstimate trialEstimate;
    for (int trial = 0; trial < MaxScaleTrials; ++trial) {
        if (cancelled()) {
            m_failed = true;
            return false;
        }
        const QSize size = scaledSize(pristine.size(), scale);
        QImage scaled = pristine.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const std::optional<qint64> bytes = floorSize(scaled, trialEstimate);
        if (!bytes)
            return false;
        // The next scale follows the size ratio, kept inside what is known: above the
        // largest scale that fits, below the smallest that does not.
        double next = scale * std::sqrt(ScaleAim * available / double(*bytes));
        if (under(double(*bytes))) {
            fitted.scale = scale;
            fitted.picture = std::move(scaled);
            std::swap(fitted.estimate, trialEstimate);
            if (double(*bytes) >= ScaleCloseEnough * available)
                break;
        } else {
            tooBig = scale;
            if (scale <= smallest)
                break; // not even the box fits at the floor
        }
        if (next <= fitted.scale || next >= tooBig)
            next = fitted.scale > 0.0 ? (fitted.scale + tooBig) / 2.0 : (smallest + tooBig) / 2.0;
        scale = std::clamp(next, smallest, 1.0);
        const QSize nextSize = scaledSize(pristine.size(), scale);
        if (nextSize == size ||
            (fitted.scale > 0.0 && nextSize == scaledSize(pristine.size(), fitted.scale)))
            break; // no other pixel size left to try
    }
    return true;
}

std::optional<KPBestFit::Choice> KPBestFit::fitAtScale(const QImage& pristine, double smallest,
                                                       Scaled& fitted)
{
    // The quality at the scale found, confirmed by encodings as at full size. When those
    // find even the floor over the limit after all, the scale shrinks by what they show.
    for (int retry = 0; fitted.scale > 0.0 && retry <= MaxScaleRetries; ++retry) {
        Sizes sizes;
        sizes.picture = &fitted.picture;
        sizes.estimate = &fitted.estimate;
        const Outcome outcome = search(sizes);
        if (outcome == Outcome::Fits)
            return m_best;
        if (outcome == Outcome::Failed)
            return std::nullopt;
        const auto floorAtScale = sizes.real.find(m_lowest);
        if (floorAtScale == sizes.real.end() || fitted.scale <= smallest)
            return std::nullopt;
        if (!shrink(pristine, smallest, floorAtScale->second, fitted))
            return std::nullopt;
    }
    return std::nullopt;
}

bool KPBestFit::shrink(const QImage& pristine, double smallest, qint64 floorBytes, Scaled& fitted)
{
    const auto available = double(m_limit - m_metadataBytes);
    double smaller = fitted.scale * std::sqrt(ScaleAim * available / double(floorBytes));
    if (scaledSize(pristine.size(), smaller) == fitted.picture.size())
        smaller = fitted.scale * 0.99;
    fitted.scale = std::max(smaller, smallest);
    fitted.picture = pristine.scaled(scaledSize(pristine.size(), fitted.scale),
                                     Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (fitted.picture.isNull() || !analyse(fitted.estimate, fitted.picture)) {
        m_failed = true;
        return false;
    }
    return true;
}
