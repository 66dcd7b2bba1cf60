#pragma once

#include <QImage>
#include <QSize>

#include <functional>

// How small a JPEG source the best-quality fitting may decode: the smallest M/8 of it
// that still holds the output's pixels with a margin, so that the smooth scaling from
// there keeps the quality of a scaling from the whole picture.
class KPDecodeScale
{
public:
    KPDecodeScale() = delete;

    // A JPEG source this many times the limit or more is looked at before it is decoded.
    static constexpr double LookFromLimitTimes = 3.0;
    // The decode holds at least this many times the output's pixels each way.
    static constexpr double ResampleMargin = 1.5;
    // Bytes at the floor grow about as the pixel count to this power, from a picture at
    // 1/8 of its size up: somewhat less than 2, since a larger picture is smoother.
    static constexpr double GrowthPower = 1.7;

    // The eighths to decode a source of `upright` pixels at, from a quick look at it
    // (`look`, the source at 1/8): the output's size is foreseen from the floor's estimated
    // size at 1/8, and it is never below `smallestScale` of the source. 8 (the whole
    // picture) when the output may keep nearly all of it, or the look tells nothing.
    static int fromLook(const QImage& look, QSize upright, qint64 available, int floorQuality,
                        double smallestScale, const std::function<bool()>& cancelled);
    // The eighths an output of `output` pixels needs from a source of `upright` pixels;
    // 8 when that is the whole picture.
    static int forOutput(QSize upright, QSize output);
    // Whether a search on a decode of `decoded` pixels chose an output small enough for
    // it: below the decode by the margin. An output of the decode's own size may have
    // fitted larger still.
    static bool holds(QSize decoded, QSize output);
};
