#pragma once

#include "engine/KPBestFit.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <functional>
#include <map>
#include <optional>

class KPEncoder;
class KPMetadata;

// The best-quality fitting of a format without a size estimate of its own (WebP, AVIF):
// the highest quality from the floor up whose encoding, metadata and all, is under the
// limit; when not even the floor fits and scaling is allowed, the largest scale at which
// it does (never below the smallest box, never enlarging), at the best quality there.
//
// A full encoding costs too much to search with, so the search runs on a reduced copy of
// the picture: its encodings, at a sixteenth of the pixels or so, give the shape of the
// size curve, and each full encoding tells how the full picture's sizes stand to the
// copy's near that quality. The next guess follows from that ratio, so two or three full
// encodings settle most pictures. Only a full encoding found under the limit is chosen.
// One per job, used on its thread.
class KPFormatFit
{
public:
    struct Choice
    {
        QByteArray data; // the whole file, metadata in it
        int quality = 0;
        QSize pixels;
    };
    // Told of every full encoding: its quality, pixel size and byte count.
    using Trial = std::function<void(int quality, QSize pixels, qint64 size)>;

    // `lowest`: the lowest quality allowed, on the format's own scale.
    KPFormatFit(KPEncoder& encoder, qint64 limit, int lowest, const KPMetadata& metadata,
                Trial trial = {}, std::function<bool()> cancelled = {});

    // The encoding to write, or nothing: then failed() tells an error (an encoding that
    // failed, or Stop) from a picture that cannot be brought under the limit.
    std::optional<Choice> fit(const QImage& pristine, std::optional<KPBestFit::Box> scaling);
    bool failed() const { return m_failed; }
    // The full encodings and the encodings of reduced copies the last fit made.
    int encodings() const { return m_encodings; }
    int reducedEncodings() const { return m_reducedEncodings; }

    // The reduced copy has about this many pixels; a picture not twice as large is
    // searched on itself.
    static constexpr qint64 ReducedPixels = 160'000;

private:
    // One picture being searched: its reduced copy's sizes, memoised, and how the full
    // encodings stood to them.
    struct Curve
    {
        const QImage* picture = nullptr;
        QImage reduced;
        std::map<int, qint64> reducedSizes;
        double ratio = 1.0; // full size over reduced size, before any full encoding
        // Full size over reduced size at each quality encoded in full: it moves with the
        // quality where the copy lost detail the picture has (fine textures).
        std::map<int, double> ratios;
        int under = -1;        // the highest quality encoded under the limit
        int over = 101;        // the lowest quality encoded over it, above `under`
        qint64 floorBytes = 0; // the floor's full size, encoded or predicted
    };
    enum class Outcome
    {
        Fits,
        DoesNotFit,
        Failed
    };

    // Searches the quality at one size. `mayPredictOver`: a floor predicted far over the
    // limit may be taken as not fitting without its full encoding (a smaller size follows).
    Outcome search(Curve& curve, bool mayPredictOver);
    void prepare(Curve& curve, const QImage& picture) const;
    std::optional<qint64> reducedSize(Curve& curve, int quality);
    std::optional<qint64> predicted(Curve& curve, int quality);
    // The ratio at a quality: between two qualities encoded in full, interpolated on its
    // logarithm; beyond them, the nearest one's.
    static double ratioAt(const Curve& curve, int quality);
    // The highest quality in [first, last] predicted under `target` bytes; nothing when
    // not even `first` is, or on a failure (m_failed then tells).
    std::optional<int> highestPredicted(Curve& curve, int first, int last, double target);
    // A full encoding with the metadata; false on a failure.
    bool encodeFull(Curve& curve, int quality);
    // Shrinks the picture until the floor fits at a size, starting from what the full
    // size showed, and searches the quality there.
    std::optional<Choice> fitScaled(const QImage& pristine, double smallest, const Curve& full);
    bool cancelled() const;

    KPEncoder& m_encoder;
    qint64 m_limit;
    int m_lowest;
    const KPMetadata& m_metadata;
    qint64 m_metadataBytes;
    Trial m_trial;
    std::function<bool()> m_cancelled;
    std::optional<Choice> m_best;
    bool m_failed = false;
    int m_encodings = 0;
    int m_reducedEncodings = 0;
};
