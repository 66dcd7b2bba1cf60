#pragma once

#include "engine/KPJpegCodec.h"
#include "engine/KPJpegEstimate.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QSize>

#include <array>
#include <functional>
#include <map>
#include <optional>

// The best-quality fitting of one picture: every encoding is of the pristine picture (or
// a copy scaled from it), so no loss is ever encoded twice. It looks for the highest
// quality from the floor up whose encoding is under the limit; when not even the floor
// fits and scaling is allowed, for the largest scale at which the floor fits (never below
// the smallest box, never enlarging), and then for the quality again at that size.
//
// The searches run on size estimates (KPJpegEstimate): one DCT of the picture, then a
// quantisation and a count for each quality looked at. Real encodings, in memory, only
// confirm the quality the estimates point to and decide between it and a neighbour whose
// estimate is too close to the limit to tell; two at once, one per core. Only a real
// encoding found under the limit is ever chosen. Used on one thread at a time.
class KPBestFit
{
public:
    struct Choice
    {
        QByteArray data; // the encoding to write
        int quality = 0;
        QSize pixels;
        qint64 estimate = 0; // what the estimate said of it
    };
    struct Box
    {
        float width = 0.0f; // across a landscape picture, down a portrait one
        float height = 0.0f;
    };

    // Told of every real encoding (its quality, pixel size and byte count) and of every
    // scale tried (the floor quality, the pixel size and the byte count, `estimated`).
    using Trial = std::function<void(int quality, QSize pixels, qint64 size, bool estimated)>;

    // `metadataBytes` are counted in every size as if already written into the file, for
    // the metadata an output carries besides the encoding.
    KPBestFit(qint64 limit, float qualityFloor, Trial trial = {},
              std::function<bool()> cancelled = {}, qint64 metadataBytes = 0);

    // How many threads a search may use at once (two by default).
    void setThreads(int threads);

    // The encoding to write, or nothing: then failed() tells an error (an encoding that
    // failed, or cancelled) from a picture that cannot be brought under the limit.
    std::optional<Choice> fit(const QImage& pristine, std::optional<Box> scaling);
    bool failed() const { return m_failed; }
    // The real encodings the last fit made.
    int encodings() const { return m_encodings; }

    // The whole quality the floor allows at least.
    static int lowestQuality(float floor);
    // The smallest scale factor keeping the picture at or above the box (sides swapped
    // for portrait pictures); 1.0 or more when the picture is not larger than the box.
    static double minimumScale(QSize picture, Box box);
    // The picture's size at a scale factor, in whole pixels, at least one each way.
    static QSize scaledSize(QSize picture, double scale);

    // How close to the limit an estimate may come before a real encoding must tell
    // whether it fits: a little more than the estimate's largest error.
    static constexpr double Tolerance = 0.004;

private:
    enum class Outcome
    {
        Fits,
        DoesNotFit,
        Failed
    };
    // The sizes of one picture at the qualities looked at so far.
    struct Sizes
    {
        const QImage* picture = nullptr;
        KPJpegEstimate* estimate = nullptr;
        std::map<int, qint64> estimated;
        std::map<int, qint64> rough;
        std::map<int, qint64> real;
    };

    // The largest scale found at which the floor fits, with the picture at that scale and
    // its estimate; a scale of 0 while none is known.
    struct Scaled
    {
        double scale = 0.0;
        QImage picture;
        KPJpegEstimate estimate;
    };

    // Finds the quality for one picture; the encoding found becomes m_best. Each round
    // encodes the quality the estimates point to, and a neighbour too close to tell.
    Outcome searchQuality(Sizes& sizes);
    // What a round encodes, given the qualities known under (`low`) and over (`high`) the
    // limit: the estimates' guess while they are trusted, then the middle.
    std::optional<int> nextGuess(Sizes& sizes, int round, int low, int high);
    QList<int> roundAround(Sizes& sizes, int guess, int low, int high);
    // Whether the encoding kept is the one found at `quality` of this picture.
    Outcome foundAt(const Sizes& sizes, int quality) const;
    // The highest quality in [first, last] estimated to fit: rough estimates find it,
    // whole ones settle it.
    std::optional<int> guessWithin(Sizes& sizes, int first, int last);
    // The highest quality in [first, last] whose size, as `size` gives it, is under the
    // limit: a search between the two ends.
    std::optional<int> highestWithin(int first, int last, const std::function<qint64(int)>& size);
    // Whether the estimate at a quality is too close to the limit to tell it fits, from
    // above and from below.
    bool close(Sizes& sizes, int quality);
    bool clearlyUnder(Sizes& sizes, int quality);
    // The same by real encodings alone, for a picture whose DCT could not be kept.
    Outcome searchByEncoding(Sizes& sizes);
    // Either of the two, as the picture's estimate allows.
    Outcome search(Sizes& sizes);
    // Takes a picture's DCT; false only when cancelled (the estimate is left invalid
    // when memory ran short).
    bool analyse(KPJpegEstimate& estimate, const QImage& picture);
    qint64 estimated(Sizes& sizes, int quality);
    qint64 roughlyEstimated(Sizes& sizes, int quality);
    // Searches the picture at full size; when nothing fits there, answers the floor's
    // size (encoded or estimated) for the scaling to start from, else 0.
    qint64 fullSizeFloor(const QImage& pristine, bool scaling);
    // Looks for the largest scale, not below `smallest`, at which the floor is estimated
    // to fit; false on a failure.
    bool findScale(const QImage& pristine, double smallest, qint64 floorBytes, Scaled& fitted);
    // The floor's size of a scaled picture, estimated (or encoded without an estimate).
    std::optional<qint64> floorSize(const QImage& scaled, KPJpegEstimate& estimate);
    // Searches the quality at the scale found, shrinking it while encodings find the
    // floor over the limit after all.
    std::optional<Choice> fitAtScale(const QImage& pristine, double smallest, Scaled& fitted);
    bool shrink(const QImage& pristine, double smallest, qint64 floorBytes, Scaled& fitted);
    // Real encodings of the picture at the given qualities, at once; false on a failure.
    bool encode(Sizes& sizes, const QList<int>& qualities);
    std::optional<qint64> encodeTrial(KPJpegCodec& codec, const QImage& picture, int quality,
                                      QByteArray& data);
    void keep(const QImage& picture, int quality, const QByteArray& data, qint64 estimate);
    bool cancelled() const { return m_cancelled && m_cancelled(); }
    bool under(double bytes) const { return bytes + double(m_metadataBytes) < double(m_limit); }

    qint64 m_limit;
    int m_lowest;
    Trial m_trial;
    std::function<bool()> m_cancelled;
    qint64 m_metadataBytes;
    int m_threads = 2;
    std::array<KPJpegCodec, 2> m_codecs; // one per thread a round of encodings uses
    std::optional<Choice> m_best;
    bool m_failed = false;
    int m_encodings = 0;
};
