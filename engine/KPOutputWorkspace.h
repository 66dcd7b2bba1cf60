#pragma once

#include "engine/KPExportPlacement.h"
#include "engine/KPFailure.h"
#include "engine/KPFileDates.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

// Where one job's output takes shape: its name in the export folder (the placement's
// choice), the working file beside it that every encoding goes to, and at the end the
// output put in place (marked as Pictaro's) or everything of the job's taken away again.
// Only Pictaro's own outputs are ever replaced or removed; a source is replaced only when
// the run was asked to replace originals; a job cut short by Stop leaves what was under its
// name. Also makes the preview the views keep of the result. One per job, on its thread.
class KPOutputWorkspace
{
public:
    using ExportPathSource = std::function<std::optional<QString>()>;

    // The largest side of the picture a job keeps for the views once it has ended.
    static constexpr int PreviewSide = 512;

    KPOutputWorkspace(KPExportPlacement& placement, ExportPathSource exportPath);
    // A workspace dropped before its job was settled leaves no working file.
    ~KPOutputWorkspace();
    KPOutputWorkspace(const KPOutputWorkspace&) = delete;
    KPOutputWorkspace& operator=(const KPOutputWorkspace&) = delete;

    // Told once the output has its name, so that a run converting several pictures at
    // once can let the next job claim the next name.
    void setPlaced(std::function<void()> placed) { m_placed = std::move(placed); }
    // Whether the job keeps a preview of its result for the views (on by default).
    void setKeepsPreview(bool keep) { m_keepsPreview = keep; }
    bool keepsPreview() const { return m_keepsPreview; }

    // The folder, relative to the export folder, the output goes to (the folders kept);
    // empty for the export folder itself.
    void setSubfolder(QString relative) { m_subfolder = std::move(relative); }
    // Whether the output gets its source's access and modification times.
    void setKeepsDates(bool keep) { m_keepsDates = keep; }

    // Names the output of `source`, with the extension given: asks the export folder, makes
    // the subfolder, then asks the placement. None, ExportFolder (no usable folder),
    // FolderInTheWay (a link where the subfolder belongs) or Unsupported (no base name).
    KPFailure name(const QString& source, const QString& extension);
    // The output's path; empty until named.
    QString outputPath() const { return m_outputPath; }
    bool inPlace() const { return m_inPlace; } // the output is the job's own source

    // The first working file, holding `bytes`; None or why it could not be written.
    KPFailure begin(const QByteArray& bytes);
    // A new working file holding `data` in place of the old one, which stays as it was when
    // the new one cannot be written completely.
    KPFailure replace(const QByteArray& data);
    // The working file's size on disk, or nothing when it cannot be measured.
    std::optional<quint64> workingSize() const;
    std::optional<QByteArray> readWorking() const;

    // The job converted: the working file becomes the output, replacing only Pictaro's own
    // output (or the source, in place). When the source itself is the result, nothing is
    // moved. None, or why it could not be put in place (the working file is then gone).
    KPFailure keep(bool sourceIsResult);
    // The job failed: its working file goes, and so does an earlier output of Pictaro's
    // under its name, unless the job was `stopped` or its output is its own source.
    void discard(bool stopped);

    // The preview of an encoding of `pixels`, decoded straight at the preview's size where
    // the format's reader allows; null when the job keeps no preview.
    QImage previewOf(const QByteArray& encoding, QSize pixels, const QByteArray& format) const;
    // The preview of a picture: itself when small enough; null when the job keeps none.
    QImage previewOf(const QImage& picture) const;

private:
    KPExportPlacement& m_placement;
    ExportPathSource m_exportPath;
    std::function<void()> m_placed;
    bool m_keepsPreview = true;
    QString m_subfolder;
    bool m_keepsDates = false;
    std::optional<KPFileDates> m_sourceDates; // read when named, if the dates are kept

    QString m_folder;
    QString m_outputPath;
    bool m_inPlace = false;
    bool m_named = false; // this job has chosen its output path
    QString m_workPath;   // the working file the encodings go to
};
