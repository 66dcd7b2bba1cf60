#include "engine/KPQualitySearch.h"

#include <algorithm>
#include <cmath>

QList<int> KPQualitySearch::roundQualities(int low, std::optional<qint64> lowSize, int high,
                                           std::optional<qint64> highSize, qint64 limit, int count)
{
    QList<int> qualities;
    const int inside = high - low - 1;
    if (inside <= 0 || count <= 0)
        return qualities;
    if (inside <= count) {
        for (int quality = low + 1; quality < high; ++quality)
            qualities.append(quality);
        return qualities;
    }
    const auto keep = [&qualities, low, high](int quality) {
        quality = std::clamp(quality, low + 1, high - 1);
        if (!qualities.contains(quality))
            qualities.append(quality);
    };
    if (lowSize && highSize && *lowSize > 0 && *lowSize < limit && limit <= *highSize) {
        // File sizes grow about exponentially with the quality over most of its range, so
        // the crossing is estimated on their logarithms; the qualities go round it.
        const double a = std::log(double(*lowSize));
        const double b = std::log(double(*highSize));
        const double estimate = b > a ? low + (std::log(double(limit)) - a) / (b - a) * (high - low)
                                      : (low + high) / 2.0;
        const int below = int(std::floor(estimate));
        for (int step = 0; int(qualities.size()) < count && step < 2 * count; ++step)
            keep(step % 2 == 0 ? below - step / 2 : below + 1 + step / 2);
    } else {
        for (int i = 1; i <= count; ++i)
            keep(low + int(std::lround(double(high - low) * i / (count + 1))));
    }
    std::sort(qualities.begin(), qualities.end());
    return qualities;
}

void KPQualitySearch::Bracket::take(const QList<int>& qualities,
                                    const QList<std::optional<qint64>>& sizes, qint64 limit)
{
    for (qsizetype i = 0; i < qualities.size(); ++i) {
        if (*sizes[i] < limit && qualities[i] > low) {
            low = qualities[i];
            lowSize = sizes[i];
        }
    }
    for (qsizetype i = 0; i < qualities.size(); ++i) {
        if (*sizes[i] >= limit && qualities[i] > low && qualities[i] < high) {
            high = qualities[i];
            highSize = sizes[i];
        }
    }
}

KPQualitySearch::Result
KPQualitySearch::highestUnder(int lowest, int highest, qint64 limit, int perRound,
                              const Measure& measure,
                              std::optional<std::pair<int, qint64>> knownUnder,
                              std::optional<std::pair<int, qint64>> knownOver)
{
    Result result;
    perRound = std::max(1, perRound);
    // Nothing under the limit, nor over it, found yet.
    Bracket bracket{lowest - 1, highest + 1, std::nullopt, std::nullopt};
    if (knownUnder && knownUnder->first >= lowest && knownUnder->first <= highest) {
        bracket.low = knownUnder->first;
        bracket.lowSize = knownUnder->second;
    }
    if (knownOver && knownOver->first > bracket.low && knownOver->first <= highest) {
        bracket.high = knownOver->first;
        bracket.highSize = knownOver->second;
    }
    auto& [low, high, lowSize, highSize] = bracket;
    bool guided = true;
    while (high - low > 1) {
        QList<int> qualities;
        if (low < lowest) {
            // Whether anything fits at all shows at the lowest quality; the rest of the
            // round splits what lies above it.
            qualities =
                roundQualities(lowest, std::nullopt, high, std::nullopt, limit, perRound - 1);
            qualities.prepend(lowest);
        } else {
            qualities = roundQualities(low, guided ? lowSize : std::nullopt, high,
                                       guided ? highSize : std::nullopt, limit, perRound);
        }
        const QList<std::optional<qint64>> sizes = measure(qualities);
        result.encodings += int(qualities.size());
        if (sizes.size() != qualities.size() ||
            std::any_of(sizes.begin(), sizes.end(), [](const auto& size) { return !size; })) {
            result.failed = true;
            return result;
        }
        const int width = high - low;
        bracket.take(qualities, sizes, limit);
        if (low < lowest)
            break; // not even the lowest quality fits
        // Estimates that stop halving the bracket give way to an even split for a round.
        guided = (high - low) * 2 <= width;
    }
    if (low >= lowest)
        result.quality = low;
    return result;
}
