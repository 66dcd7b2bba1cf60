#include "engine/KPBestFit.h"

#include "engine/KPQualitySearch.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace {
// The scaling aims a little under the limit, so that the quality searched at the size
// found has room above the floor and the file still fills most of what is allowed.
constexpr double ScaleAim = 0.97;
// A scaled encoding at the floor this close under the limit is close enough.
constexpr double ScaleCloseEnough = 0.95;
constexpr int MaxScaleTrials = 8;
} // namespace

KPBestFit::KPBestFit(qint64 limit, float qualityFloor, Trial trial, std::function<bool()> cancelled)
    : m_limit(limit), m_lowest(lowestQuality(qualityFloor)), m_trial(std::move(trial)),
      m_cancelled(std::move(cancelled))
{
    // A trial of a large picture takes a while: Stop breaks it off between bands of rows.
    for (KPJpegCodec& codec : m_codecs)
        codec.setCancelled(m_cancelled);
}

int KPBestFit::lowestQuality(float floor)
{
    if (!(floor > 0.0f))
        return 1;
    // The floor's own float value lies a hair above or below its percent (0.6f is
    // 0.6000000238): the lowest whole quality not below it, ignoring that hair.
    const double percent = std::ceil(double(floor) * 100.0 - 1e-3);
    return int(std::clamp(percent, 1.0, 100.0));
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

bool KPBestFit::searchQuality(const QImage& picture,
                              std::optional<std::pair<int, qint64>> knownUnder)
{
    m_lowestSize.reset();
    auto measure = [this, &picture](const QList<int>& qualities) {
        QList<std::optional<qint64>> sizes(qualities.size());
        QList<QByteArray> encoded(qualities.size());
        if (cancelled())
            return QList<std::optional<qint64>>(qualities.size());
        // The first trial of the round goes to a second thread, the rest stay here.
        std::thread helper;
        if (qualities.size() > 1) {
            const QImage shared = picture;
            const int quality = qualities.first();
            KPJpegCodec* codec = &m_codecs[1];
            std::optional<qint64>* size = &sizes[0];
            QByteArray* data = &encoded[0];
            helper = std::thread([this, codec, shared, quality, size, data] {
                *size = encodeTrial(*codec, shared, quality, *data);
            });
        }
        for (qsizetype i = qualities.size() > 1 ? 1 : 0; i < qualities.size(); ++i)
            sizes[i] = encodeTrial(m_codecs[0], picture, qualities[i], encoded[i]);
        if (helper.joinable())
            helper.join();
        for (qsizetype i = 0; i < qualities.size(); ++i) {
            if (!sizes[i])
                continue;
            if (m_trial)
                m_trial(qualities[i], picture.size(), *sizes[i]);
            if (qualities[i] == m_lowest)
                m_lowestSize = sizes[i];
            // The search only ever moves up to a higher quality under the limit.
            if (*sizes[i] < m_limit &&
                (!m_best || m_best->pixels != picture.size() || qualities[i] > m_best->quality))
                m_best = Choice{encoded[i], qualities[i], picture.size()};
        }
        return sizes;
    };
    const KPQualitySearch::Result result =
        KPQualitySearch::highestUnder(m_lowest, 100, m_limit, 2, measure, knownUnder);
    if (result.failed) {
        m_failed = true;
        return false;
    }
    if (!result.quality)
        return false;
    // The search answers the highest quality it measured under the limit: the one kept.
    return m_best && m_best->pixels == picture.size() && m_best->quality == *result.quality;
}

std::optional<KPBestFit::Choice> KPBestFit::fit(const QImage& pristine, std::optional<Box> scaling)
{
    m_best.reset();
    m_failed = false;
    if (pristine.isNull() || pristine.format() != QImage::Format_RGB32) {
        m_failed = true;
        return std::nullopt;
    }
    if (searchQuality(pristine, std::nullopt))
        return m_best;
    if (m_failed || !scaling || !m_lowestSize)
        return std::nullopt;

    const double smallest = minimumScale(pristine.size(), *scaling);
    if (smallest >= 1.0)
        return std::nullopt; // never enlarged
    // The file's size follows the pixel count roughly, so the first scale comes from the
    // square root of the size ratio; each trial at the floor then refines it.
    double scale =
        std::clamp(std::sqrt(ScaleAim * double(m_limit) / double(*m_lowestSize)), smallest, 1.0);
    double fits = 0.0;   // the largest scale found to fit at the floor
    double tooBig = 1.0; // the smallest scale found not to
    std::optional<std::pair<int, qint64>> atFits;
    QImage fitted;
    for (int trial = 0; trial < MaxScaleTrials; ++trial) {
        if (cancelled()) {
            m_failed = true;
            return std::nullopt;
        }
        const QSize size = scaledSize(pristine.size(), scale);
        const QImage scaled =
            pristine.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QByteArray data;
        const std::optional<qint64> bytes = encodeTrial(m_codecs[0], scaled, m_lowest, data);
        if (!bytes) {
            m_failed = true;
            return std::nullopt;
        }
        if (m_trial)
            m_trial(m_lowest, size, *bytes);
        // The next scale follows the size ratio, kept inside what is known: above the
        // largest scale that fits, below the smallest that does not.
        double next = scale * std::sqrt(ScaleAim * double(m_limit) / double(*bytes));
        if (*bytes < m_limit) {
            fits = scale;
            fitted = scaled;
            atFits = std::make_pair(m_lowest, *bytes);
            m_best = Choice{data, m_lowest, size};
            if (*bytes >= ScaleCloseEnough * double(m_limit))
                break;
        } else {
            tooBig = scale;
            if (scale <= smallest)
                break; // not even the box fits at the floor
        }
        if (next <= fits || next >= tooBig)
            next = fits > 0.0 ? (fits + tooBig) / 2.0 : (smallest + tooBig) / 2.0;
        scale = next;
        scale = std::clamp(scale, smallest, 1.0);
        if (scaledSize(pristine.size(), scale) == size ||
            (fits > 0.0 && scaledSize(pristine.size(), scale) == scaledSize(pristine.size(), fits)))
            break; // no other pixel size left to try
    }
    if (!atFits)
        return std::nullopt;
    const Choice atFloor = *m_best;
    if (!searchQuality(fitted, atFits)) {
        if (m_failed)
            return std::nullopt;
        m_best = atFloor;
    }
    return m_best;
}
