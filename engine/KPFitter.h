#pragma once

#include "engine/KPBestQualityFit.h"
#include "engine/KPExportPlacement.h"
#include "engine/KPFitContext.h"
#include "engine/KPFitOptions.h"
#include "engine/KPFitPreferences.h"
#include "engine/KPFitSettings.h"
#include "engine/KPImageData.h"
#include "engine/KPJobSummary.h"
#include "engine/KPJpegEncoder.h"
#include "engine/KPOutputFormat.h"
#include "engine/KPOutputWorkspace.h"
#include "engine/KPSourcePicture.h"
#include "engine/KPStepwiseFit.h"

#include <QString>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

// Fits one job's output under the size limit, along the path the picture travels: the
// output is named and a working copy of the source put beside it (the workspace), the
// source read once (its picture and metadata started on other cores), a source already
// under the limit and of the output's format kept, and otherwise the chosen fitting run:
// for JPEG stepwise or at the best quality, for WebP and AVIF always at the best quality. The
// working file replaces the output only when the job ends converted, so a source is never lost and
// nothing half-written stays behind. One fitter per job, used on the run's worker thread.
class KPFitter
{
public:
    using ExportPathSource = KPOutputWorkspace::ExportPathSource;
    using LogHandOff = KPFitContext::LogHandOff;

    KPFitter(quint64 limitSize, KPFitOptions options, ExportPathSource exportPath,
             LogHandOff logHandOff, KPExportPlacement& placement);
    KPFitter(const KPFitter&) = delete;
    KPFitter& operator=(const KPFitter&) = delete;

    // Asked between encodings and between bands of rows inside the codec: when it answers
    // true the job ends failed at once (reason Stopped), its working file removed.
    void setCancelled(std::function<bool()> cancelled);
    // Whether the job keeps a preview of its result for the views once it has ended (on by
    // default); a run that nobody watches needs none.
    void setKeepsPreview(bool keep) { m_workspace.setKeepsPreview(keep); }
    // Told once the job's output has its name, so that a run converting several pictures
    // at once can let the next job claim the next name.
    void setPlaced(std::function<void()> placed) { m_workspace.setPlaced(std::move(placed)); }
    // Replaces the preferences store as the source of what the options leave open.
    void setPreferences(KPFitPreferences preferences)
    {
        m_settings.setPreferences(std::move(preferences));
    }
    // How many threads the best-quality fitting of the job may keep busy (two by default).
    void setThreads(int threads) { m_bestQuality.setThreads(threads); }

    // The whole job: reads the scaling switch, places the output, fits it, and settles
    // it converted (output in place, its summary on the job) or failed (nothing of
    // Pictaro's left at the output path, or, when Stop cut it short, what was there before).
    void fitJob(const KPImageDataPtr& job);

    // Places the output: names it, reads the source and writes the working copy of it;
    // false, with the job failed, when any of it fails (nothing for a failed job).
    bool copyImageToExportPath(const KPImageDataPtr& job);
    // Ends the job: a job not converted becomes failed; the working file is moved onto
    // the output path, marked as Pictaro's, or removed.
    void finishJob(const KPImageDataPtr& job);

private:
    // Sets the job converting with nothing left of an earlier result; fails a job
    // without a source.
    void startJob(const KPImageDataPtr& job);
    // Keeps the copy of a JPEG source, as the metadata policy has it, when it is under the
    // limit; false when it is not, or cannot be made without the metadata to remove.
    bool keepCopy(const KPImageDataPtr& job);
    // The same for a WebP or AVIF source written as its own format: kept as it is, or a
    // WebP with its metadata chunks rewritten; an AVIF whose metadata is to change is
    // encoded anew, as libavif cannot rewrite it without decoding the picture.
    bool keepFormatCopy(const KPImageDataPtr& job);
    // The encoder of the output's format, chosen at the start of each job.
    KPEncoder& outputEncoder();
    // Puts the output of a converted job in place and describes it.
    void placeOutput(const KPImageDataPtr& job);
    KPJobSummary summaryOf(const KPImageDataPtr& job) const;

    KPFitContext m_context;
    KPFitSettings m_settings;
    KPJpegEncoder m_encoder;
    KPOutputFormat m_format = KPOutputFormat::Jpeg;
    std::unique_ptr<KPEncoder> m_formatEncoder; // WebP or AVIF, when the output is either
    KPOutputWorkspace m_workspace;
    KPSourcePicture m_source;
    KPStepwiseFit m_stepwise;
    KPBestQualityFit m_bestQuality;

    bool m_scaling = false; // scaling was allowed for this job
    // How the job's output came about, when it converts.
    KPJobSummary::Ending m_ending = KPJobSummary::Ending::Encoded;
};
