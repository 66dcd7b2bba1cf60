#pragma once

#include "engine/KPFitContext.h"
#include "engine/KPImageData.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <memory>

class KPEncoder;
class KPFitSettings;
class KPOutputWorkspace;
class KPRowDecode;
class KPSourcePicture;

// The stepwise fitting: a quality descent, the scaling passes towards the smallest box,
// and a second descent. Every encoding is written over the working file and measured on
// disk; the next step starts from the picture decoded from that file, so quality losses
// add up as they would through the file. One per job, used on the job's thread.
class KPStepwiseFit
{
public:
    static constexpr float StartQuality = 1.0f;
    static constexpr double QualityStep = 0.03;

    KPStepwiseFit(const KPFitContext& context, const KPFitSettings& settings,
                  KPOutputWorkspace& workspace, KPSourcePicture& source, KPEncoder& encoder);
    ~KPStepwiseFit();
    KPStepwiseFit(const KPStepwiseFit&) = delete;
    KPStepwiseFit& operator=(const KPStepwiseFit&) = delete;

    // The descent from the best quality, the scaling passes when `scaling` allows them, and
    // the second descent, each as long as the job is still converting.
    void fit(const KPImageDataPtr& job, bool scaling);

    // The steps, each doing nothing for a failed job.
    // Measures the working file: converted when it is under the limit.
    bool imageSizeCheck(const KPImageDataPtr& job);
    // One encoding at the working quality, written and measured.
    bool convertImageType(const KPImageDataPtr& job);
    // The quality descent from the working quality down to the floor.
    void compressImage(const KPImageDataPtr& job);
    // The scaling passes.
    bool convertScale(const KPImageDataPtr& job);

    // Ends the job's steps: waits for a decode running and drops one not begun.
    void end();

private:
    // The picture the next step starts from: the last step's, else the source's.
    QImage workingImage(const KPImageDataPtr& job);
    // Encodes the working picture at the working quality; `pixels` its size.
    QByteArray encodeStep(const KPImageDataPtr& job, QSize& pixels);
    // Starts decoding the file just written, for the next step; false when it failed.
    bool readBack(const KPImageDataPtr& job, const QByteArray& data);
    // Ends a step whose file is still being decoded: waits for the picture, makes it the
    // job's working picture, and makes the log hand-off that step owes.
    void settle(const KPImageDataPtr& job);
    // False, with the job failed for the write's reason, when the data could not be written.
    bool replaceWorkingFile(const KPImageDataPtr& job, const QByteArray& data);

    const KPFitContext& m_context;
    const KPFitSettings& m_settings;
    KPOutputWorkspace& m_workspace;
    KPSourcePicture& m_source;
    KPEncoder& m_encoder;

    float m_curCompressionFactor = StartQuality;
    float m_curLimitWidth = 0.0f;
    float m_curLimitHeight = 0.0f;
    std::shared_ptr<KPRowDecode> m_pendingDecode; // the last file written, being decoded
    bool m_logOwed = false;                       // a descent step's hand-off waits for its decode
};
