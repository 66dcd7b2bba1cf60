#pragma once

#include "engine/KPJpegCodec.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <array>
#include <functional>
#include <optional>

// The best-quality fitting of one picture: every trial encodes the pristine picture (or
// a copy scaled from it) in memory, so no loss is ever encoded twice. It searches the
// highest quality from the floor up whose encoding is under the limit; when not even the
// floor fits and scaling is allowed, it looks for the largest scale at which the floor
// fits (never below the smallest box, never enlarging) and searches the quality again
// at that size. Two trials run at once, one per core. Used on one thread at a time.
class KPBestFit
{
public:
    struct Choice
    {
        QByteArray data; // the encoding to write
        int quality = 0;
        QSize pixels;
    };
    struct Box
    {
        float width = 0.0f; // across a landscape picture, down a portrait one
        float height = 0.0f;
    };

    // Told of every trial encoding: its quality, pixel size and byte count.
    using Trial = std::function<void(int quality, QSize pixels, qint64 size)>;

    KPBestFit(qint64 limit, float qualityFloor, Trial trial = {},
              std::function<bool()> cancelled = {});

    // The encoding to write, or nothing: then failed() tells an error (an encoding that
    // failed, or cancelled) from a picture that cannot be brought under the limit.
    std::optional<Choice> fit(const QImage& pristine, std::optional<Box> scaling);
    bool failed() const { return m_failed; }

    // The whole quality the floor allows at least.
    static int lowestQuality(float floor);
    // The smallest scale factor keeping the picture at or above the box (sides swapped
    // for portrait pictures); 1.0 or more when the picture is not larger than the box.
    static double minimumScale(QSize picture, Box box);
    // The picture's size at a scale factor, in whole pixels, at least one each way.
    static QSize scaledSize(QSize picture, double scale);

private:
    // Searches the quality for one picture; the encoding found becomes m_best.
    bool searchQuality(const QImage& picture, std::optional<std::pair<int, qint64>> knownUnder);
    // One encoding of a picture at a whole quality, told as a trial; its size or nothing.
    std::optional<qint64> encodeTrial(KPJpegCodec& codec, const QImage& picture, int quality,
                                      QByteArray& data);
    bool cancelled() const { return m_cancelled && m_cancelled(); }

    qint64 m_limit;
    int m_lowest;
    Trial m_trial;
    std::function<bool()> m_cancelled;
    std::array<KPJpegCodec, 2> m_codecs; // one per thread a round uses
    std::optional<Choice> m_best;
    std::optional<qint64> m_lowestSize; // the size at the lowest quality of the last search
    bool m_failed = false;
};
