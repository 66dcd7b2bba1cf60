#pragma once

#include "engine/KPFailure.h"

#include <QImage>
#include <QList>

#include <functional>
#include <optional>

class KPEncoder;
class KPMetadata;

// What one picture of a set would weigh at each quality, for a budget over the whole set:
// from one analysis of the picture as its fitting would start from it (inside the largest
// box), its size at every whole quality from the floor up, metadata included; the least it
// can be brought to (the floor, at the smallest box when scaling is allowed); and the size
// of its own file when it may be kept as it is. Holds no picture once made.
struct KPSizeCurve
{
    int lowest = 100;     // the floor, as a whole quality
    QList<qint64> sizes;  // at lowest, lowest + 1, ... 100
    qint64 least = 0;     // the smallest output the floor and the smallest box allow
    qint64 keptBytes = 0; // the source's own size when it may be kept unchanged; 0 if not

    // What the picture costs at `quality`: the smaller of its encoding and its kept file.
    qint64 cost(int quality) const;
    // The least it costs: the floor's (or the kept file's, when smaller).
    qint64 leastCost() const;

    // The curve of `picture` (opaque, as the fitting encodes it) with `metadata` counted in.
    // `smallestScale` is the scale of the smallest box (1 without scaling). Nothing when
    // `cancelled` answered true or no size could be had.
    static std::optional<KPSizeCurve> of(const QImage& picture, int lowest, double smallestScale,
                                         KPEncoder& encoder, const KPMetadata& metadata,
                                         const std::function<bool()>& cancelled, int threads);
};
