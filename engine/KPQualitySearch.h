#pragma once

#include <QList>

#include <functional>
#include <optional>

// Finds the highest JPEG quality whose encoding is under a size limit, by narrowing a
// bracket: its low end is the highest quality measured under the limit, its high end
// the lowest measured over it above that. Each round measures a few qualities strictly
// inside the bracket (several at once when there are cores for them), placed where the
// sizes measured so far say the limit is crossed, or evenly when they say nothing
// useful. Only measured qualities are ever answered, so a size curve with a bump (a
// lower quality giving a larger file) can cost the best answer but never gives one over
// the limit.
class KPQualitySearch
{
public:
    // The sizes of encodings at the given qualities, in their order; nothing for an
    // encoding that failed. The search ends when any fails.
    using Measure = std::function<QList<std::optional<qint64>>(const QList<int>& qualities)>;

    // What is known so far: `low` is the highest quality measured under the limit, `high`
    // the lowest measured over it above `low`, each with its size once measured.
    struct Bracket
    {
        int low = 0;
        int high = 101;
        std::optional<qint64> lowSize;
        std::optional<qint64> highSize;

        // Takes in the sizes measured at the qualities (every one of them known).
        void take(const QList<int>& qualities, const QList<std::optional<qint64>>& sizes,
                  qint64 limit);
    };

    struct Result
    {
        std::optional<int> quality; // the highest quality found under the limit
        bool failed = false;        // an encoding failed
        int encodings = 0;
    };

    // Searches [lowest, highest] (whole qualities, 1 to 100). `knownUnder` is a quality
    // already measured under the limit with its size, so the search starts above it;
    // `knownOver` one measured over it, so the search stays below it.
    // The first round always measures `lowest` (unless known), since below it there is
    // nothing to find. `perRound` encodings are measured together in each round.
    static Result highestUnder(int lowest, int highest, qint64 limit, int perRound,
                               const Measure& measure,
                               std::optional<std::pair<int, qint64>> knownUnder = std::nullopt,
                               std::optional<std::pair<int, qint64>> knownOver = std::nullopt);

    // The qualities a round measures inside the open bracket (low, high), given the sizes
    // at its ends when known. Exposed for tests.
    static QList<int> roundQualities(int low, std::optional<qint64> lowSize, int high,
                                     std::optional<qint64> highSize, qint64 limit, int count);
};
