#pragma once

#include "engine/KPBestFit.h"
#include "engine/KPFitContext.h"
#include "engine/KPImageData.h"
#include "engine/KPSourcePicture.h"

#include <algorithm>
#include <optional>

class KPEncoder;
class KPFitSettings;
class KPMetadata;
class KPOutputWorkspace;

// The best-quality fitting of one job: KPBestFit (JPEG, on its size estimates) or
// KPFormatFit (the other formats, on reduced copies) searches the source's own picture for
// the best quality (and, when scaling is allowed, the largest size) under the limit, the
// metadata counted in; only the encoding it chooses is written, and the file on disk has
// the last word. Each trial is shown in the log view as a descent's steps are. One per
// job, used on the job's thread.
class KPBestQualityFit
{
public:
    KPBestQualityFit(const KPFitContext& context, const KPFitSettings& settings,
                     KPOutputWorkspace& workspace, KPSourcePicture& source, KPEncoder& encoder);
    KPBestQualityFit(const KPBestQualityFit&) = delete;
    KPBestQualityFit& operator=(const KPBestQualityFit&) = delete;

    // How many threads the search may keep busy (two by default).
    void setThreads(int threads) { m_threads = std::max(1, threads); }

    void fit(const KPImageDataPtr& job, bool scaling);
    // How much of a JPEG source the search needs decoded, from a quick look at it: for the
    // source, before it starts decoding, when scaling is allowed.
    KPSourcePicture::ScaleChoice scaleChoice() const;

private:
    KPBestFit::Box smallestBox() const;
    // The search of a format other than JPEG, and the writing of what it chose.
    void fitFormat(const KPImageDataPtr& job, const QImage& pristine,
                   std::optional<KPBestFit::Box> box, const KPMetadata& carried);
    // The search of one picture; `failed` tells an error from a picture that cannot fit.
    std::optional<KPBestFit::Choice> search(const KPImageDataPtr& job, const QImage& pristine,
                                            std::optional<KPBestFit::Box> box, qint64 metadataBytes,
                                            bool& failed);
    // Writes the chosen encoding with the metadata and measures it.
    void write(const KPImageDataPtr& job, const KPBestFit::Choice& choice,
               const KPMetadata& carried);

    const KPFitContext& m_context;
    const KPFitSettings& m_settings;
    KPOutputWorkspace& m_workspace;
    KPSourcePicture& m_source;
    KPEncoder& m_encoder;
    int m_threads = 2;
};
