#pragma once

#include <QImage>

#include <functional>

// A format's estimate of what its encodings of one picture would weigh, far quicker than
// encoding: one analysis of the picture, then a size at any quality. The best-quality
// search runs on it and confirms only the qualities it points to by real encodings.
class KPSizeEstimate
{
public:
    KPSizeEstimate() = default;
    virtual ~KPSizeEstimate() = default;
    KPSizeEstimate(const KPSizeEstimate&) = delete;
    KPSizeEstimate& operator=(const KPSizeEstimate&) = delete;

    // Analyses an opaque Format_RGB32 picture on up to `threads` threads. False when memory
    // runs short or `cancelled` answered true; the estimate is then invalid.
    virtual bool analyse(const QImage& picture, int threads,
                         const std::function<bool()>& cancelled) = 0;
    virtual bool isValid() const = 0;
    // The size in bytes of an encoding at `quality`, 0 to 100 on the format's own scale,
    // without metadata.
    virtual qint64 size(int quality, int threads) const = 0;
};
