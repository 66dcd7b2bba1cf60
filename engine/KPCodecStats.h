#pragma once

#include <QtGlobal>

#include <array>
#include <atomic>

// Counts and times of the codec work the fittings do, for the terminal's --stats and the
// benches, so that the engine's own overhead shows apart from encoding and decoding. The
// engine reports to the one observer attached, through KPCodecTimer and addChosen(), and
// to none by default, at the cost of one load. An observer is attached for longer than
// the work it watches (a run is over before it goes); going, it detaches itself.
class KPCodecStats
{
public:
    enum Work
    {
        Encode,
        Decode,
        // The size estimates of the best-quality fitting: analyses of a picture's DCT, and
        // sizes worked out from them.
        Analyse,
        Estimate,
        // The sources' own decoding for fitting (any type, by any reader), counted apart
        // from the JPEG codec's work; its waits are in the decodings as well.
        Source,
        WorkKinds
    };

    KPCodecStats() = default;
    ~KPCodecStats();
    KPCodecStats(const KPCodecStats&) = delete;
    KPCodecStats& operator=(const KPCodecStats&) = delete;

    // This observer, in place of any other, from now on.
    void attach();
    // The observer attached, or none.
    static KPCodecStats* attached();

    // Told of one piece of work and its time, on any thread.
    void add(Work work, qint64 nanoseconds);
    // Tells the observer attached, if any, of an encoding written with what its size
    // estimate said.
    static void addChosen(qint64 estimate, qint64 real);

    qint64 count(Work work) const { return m_counts[work].load(std::memory_order_relaxed); }
    qint64 nanoseconds(Work work) const { return m_ns[work].load(std::memory_order_relaxed); }
    // The encodings written whose size was estimated, and how far each estimate was from
    // the real size, in percent of it: the mean and the largest, without sign.
    qint64 chosenCount() const { return m_chosenCount.load(std::memory_order_relaxed); }
    double chosenErrorMean() const;
    double chosenErrorLargest() const;

private:
    void chosen(qint64 estimate, qint64 real);

    std::array<std::atomic<qint64>, WorkKinds> m_counts{};
    std::array<std::atomic<qint64>, WorkKinds> m_ns{};
    // In millionths of the real size.
    std::atomic<qint64> m_chosenCount{0};
    std::atomic<qint64> m_chosenErrorSum{0};
    std::atomic<qint64> m_chosenErrorMax{0};
};
