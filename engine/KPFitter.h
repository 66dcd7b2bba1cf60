#pragma once

#include "engine/KPAsync.h"
#include "engine/KPExportPlacement.h"
#include "engine/KPImageData.h"
#include "engine/KPImageDecoder.h"
#include "engine/KPJpegCodec.h"
#include "engine/KPJpegStream.h"
#include "engine/KPMetadata.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <functional>
#include <optional>

// Values that replace the stored preferences for one run (the terminal's options).
// Whatever is left empty is read from the preferences store at the moment of use.
struct KPFitOptions
{
    std::optional<bool> enableConvertScale;
    std::optional<float> compressionFactor; // the quality floor, 0.0 to 1.0
    std::optional<float> limitWidth;
    std::optional<float> limitHeight;
    std::optional<bool> bestQuality; // the best-quality fitting instead of the stepwise one
    std::optional<int> parallelJobs; // pictures converted at once by a run
    std::optional<KPMetadataPolicy> metadataPolicy;
    // A job whose output's name is its own source (the export folder holds the sources)
    // replaces it; without it the output goes beside the source. Only ever set because
    // the user asked for it in so many words.
    bool replaceOriginals = false;
};

// Where the engine reads what a run's options leave open. Each is asked at the moment of
// use, as the preferences may change while a run goes on; `stored()` asks the preferences
// store.
struct KPFitPreferences
{
    std::function<bool()> enableConvertScale;
    std::function<float()> compressionFactor;
    std::function<float()> limitWidth;
    std::function<float()> limitHeight;
    std::function<bool()> bestQuality;
    std::function<int()> parallelJobs;
    std::function<KPMetadataPolicy()> metadataPolicy;

    static KPFitPreferences stored();
    // The smallest box a picture may be scaled down to, in whole pixels: the options' sides
    // where they give them, else the preferences'.
    static QSize smallestBox(const KPFitOptions& options, const KPFitPreferences& preferences);
};

// Fits one job's output under the size limit: places a working copy of the source in
// the export folder, measures it, re-encodes it as JPEG at falling quality, scales it
// down towards the smallest box, and descends once more. Every encoding is written
// over the working file and measured on disk; the next step starts from the picture
// decoded from that file. The working file replaces the output only when the job ends
// converted, so a source is never lost and nothing half-written stays behind.
// One fitter per job, used on the run's worker thread.
class KPFitter
{
public:
    static constexpr float StartQuality = 1.0f;
    static constexpr double QualityStep = 0.03;
    static constexpr double Headroom = 0.3;
    static constexpr float DrawOpacity = 0.9f;
    // The largest side of the picture a job keeps for the views once it has ended.
    static constexpr int PreviewSide = 512;

    using ExportPathSource = std::function<std::optional<QString>()>;
    using LogHandOff = std::function<void(const KPImageDataPtr&)>;

    KPFitter(quint64 limitSize, KPFitOptions options, ExportPathSource exportPath,
             LogHandOff logHandOff, KPExportPlacement& placement);
    ~KPFitter();
    KPFitter(const KPFitter&) = delete;
    KPFitter& operator=(const KPFitter&) = delete;

    // Asked between encodings and between bands of rows inside the codec: when it answers
    // true the job ends failed at once (reason Stopped), its working file removed.
    void setCancelled(std::function<bool()> cancelled);
    // Whether the job keeps a preview of its result for the views once it has ended (on by
    // default); a run that nobody watches needs none.
    void setKeepsPreview(bool keep) { m_keepsPreview = keep; }
    // Told once the job's output has its name, so that a run converting several pictures
    // at once can let the next job claim the next name.
    void setPlaced(std::function<void()> placed) { m_placed = std::move(placed); }
    // Replaces the preferences store as the source of what the options leave open.
    void setPreferences(KPFitPreferences preferences) { m_preferences = std::move(preferences); }
    // How many threads the best-quality fitting of the job may keep busy (two by default).
    void setThreads(int threads) { m_threads = std::max(1, threads); }

    // The whole job: reads the scaling switch, places the output, fits it, and settles
    // it converted (output in place) or failed (nothing of Pictaro's left at the output
    // path, or, when Stop cut it short, what was there before).
    void fitJob(const KPImageDataPtr& job);

    // The steps, each doing nothing for a failed job.
    bool copyImageToExportPath(const KPImageDataPtr& job);
    bool imageSizeCheck(const KPImageDataPtr& job);
    bool convertImageType(const KPImageDataPtr& job);
    void compressImage(const KPImageDataPtr& job);
    bool convertScale(const KPImageDataPtr& job);
    // Ends the job: a job not converted becomes failed; the working file is moved onto
    // the output path, marked as Pictaro's, or removed.
    void finishJob(const KPImageDataPtr& job);

    // The scale factor of a pass, from the limit and the size of the file at its start.
    static float scaleFactor(quint64 limitSize, quint64 fileSize);
    // The size a pass draws: the picture's size times the factor, kept at or above the
    // box (sides swapped for portrait pictures) with the proportions kept, never larger
    // than the picture. `last` tells whether no further pass may follow.
    static QSize passSize(QSize picture, float factor, float boxWidth, float boxHeight, bool& last);
    // A pass's drawing: the whole picture scaled to the target size and drawn at the pass
    // opacity onto a transparent picture.
    static QImage drawPass(const QImage& picture, QSize target);

private:
    bool scalingAllowed();
    bool bestQualityChosen();
    KPMetadataPolicy metadataPolicy();
    // The metadata the job's encodings carry, once pictaro-metadata has read it.
    const KPMetadata& metadata();
    // Keeps the copy of a JPEG source, as the metadata policy has it, when it is under the
    // limit; false when it is not, or cannot be made without the metadata to remove.
    bool keepCopy(const KPImageDataPtr& job);
    // Height first, then width, as the scaling reads them.
    void readSmallestBox();
    // The best-quality fitting in place of the descents and scaling passes.
    void fitBestQuality(const KPImageDataPtr& job, bool scaling);
    static QImage previewOf(const QByteArray& jpeg, QSize pixels);
    float qualityFloor();
    QImage workingImage(const KPImageDataPtr& job);
    // Ends a step whose file is still being decoded: waits for the picture, makes it the
    // job's working picture, and makes the log hand-off that step owes.
    void settle(const KPImageDataPtr& job);
    void logHandOff(const KPImageDataPtr& job);
    // False, with the job failed for the write's reason, when the data could not be written.
    bool replaceWorkingFile(const KPImageDataPtr& job, const QByteArray& data);
    bool cancelled() const { return m_cancelled && m_cancelled(); }
    // Fails the job; a step cut short by Stop fails as stopped, whatever broke off.
    void fail(const KPImageDataPtr& job, KPFailure reason);

    quint64 m_curLimitSize;
    KPFitOptions m_options;
    KPFitPreferences m_preferences = KPFitPreferences::stored();
    ExportPathSource m_exportPath;
    LogHandOff m_logHandOff;
    KPExportPlacement& m_placement;
    KPJpegCodec m_codec;
    std::function<bool()> m_cancelled;
    bool m_keepsPreview = true;
    std::function<void()> m_placed;
    int m_threads = 2;

    float m_curCompressionFactor = StartQuality;
    float m_curLimitWidth = 0.0f;
    float m_curLimitHeight = 0.0f;

    QString m_workPath;          // the working file the encodings go to
    bool m_inPlace = false;      // the output path is the job's own source
    bool m_outputNamed = false;  // this job has chosen its output path
    bool m_copyKept = false;     // converted by the unchanged copy
    bool m_sourceIsJpeg = false; // only a JPEG may be kept unchanged
    bool m_scaling = false;      // scaling was allowed for this job
    KPAsync::Task<KPImageDecoder::Decoded> m_sourceDecode; // the source's picture
    KPAsync::Task<KPMetadata> m_metadataRead;              // the source's metadata, being read
    KPMetadata m_metadata;
    QByteArray m_copySource; // a JPEG under the limit whose copy loses some metadata
    std::shared_ptr<KPJpegStreamDecode> m_pendingDecode; // the last file written, being decoded
    bool m_logOwed = false; // a descent step's hand-off waits for its decode
};
