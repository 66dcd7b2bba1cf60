#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// Decides where each job of a run writes its output, so that no source picture is
// ever overwritten or removed and no two jobs of one run share an output. Outputs are
// named after the source's base name with the extension "jpg"; a name that is another
// listed picture's source, or that an earlier job of the run already took, becomes
// "base-2.jpg", "base-3.jpg" and so on, in list order. A file of an earlier run with
// the same name is replaced. Used by one worker at a time.
class KPExportPlacement
{
public:
    // The listed sources, as the list holds them, taken when the run starts.
    explicit KPExportPlacement(const QStringList& listedSources = {});

    // The source's file name cut in front of its last ".": "scan.2009.tiff" gives
    // "scan.2009". Nothing when the name has no ".".
    static std::optional<QString> baseName(const QString& sourcePath);

    struct Placement
    {
        QString outputPath;
        bool inPlace = false; // the output is the job's own source file
    };

    // Chooses the output path for `sourcePath` in `folder` and claims it for this run.
    std::optional<Placement> place(const QString& folder, const QString& sourcePath);

private:
    using FileId = std::pair<quint64, quint64>; // device, inode
    static std::optional<FileId> fileId(const QString& path);
    bool isOtherSource(const QString& candidate, const QString& sourcePath,
                       const std::optional<FileId>& sourceId) const;

    QSet<QString> m_sources;
    QSet<FileId> m_sourceIds;
    QSet<QString> m_claimed;
    QSet<QString> m_cleanedFolders;
};
