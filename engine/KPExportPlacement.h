#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// Decides where each job of a run writes its output, so that no file Pictaro did not
// write is ever overwritten or removed and no two jobs of one run share an output.
// Outputs are named after the source's base name with the output format's extension
// ("jpg" unless told otherwise). A name is taken when nothing is there, or Pictaro's own
// output of an earlier run (a plain file with the output mark), which the new output
// replaces. A name that holds anything else (the user's own file, another listed
// picture's source, a folder, a link), or that an earlier job of the run already took,
// becomes "base-2.jpg", "base-3.jpg" and so on, in list order. A job's own source under its
// output's name (the export folder holds the sources) is replaced only when the run was asked to
// replace originals; otherwise the output goes beside it. Used by one worker at a time.
class KPExportPlacement
{
public:
    // The listed sources, as the list holds them, taken when the run starts.
    explicit KPExportPlacement(const QStringList& listedSources = {},
                               bool replaceOriginals = false);

    // The source's file name cut in front of its last ".": "scan.2009.tiff" gives
    // "scan.2009". Nothing when the name has no ".".
    static std::optional<QString> baseName(const QString& sourcePath);

    struct Placement
    {
        QString outputPath;
        bool inPlace = false; // the output is the job's own source file
    };

    // Chooses the output path for `sourcePath` in `folder`, with the output format's
    // extension, and claims it for this run.
    std::optional<Placement> place(const QString& folder, const QString& sourcePath,
                                   const QString& extension = QStringLiteral("jpg"));

    // How many of the listed sources a run into `folder` that replaces originals would
    // write over (their output's name is the source itself, by path or as the same file);
    // without that choice each of them is written beside instead. Touches no file.
    static int originalsInTheWay(const QStringList& listedSources, const QString& folder,
                                 const QString& extension = QStringLiteral("jpg"));

private:
    using FileId = std::pair<quint64, quint64>; // device, inode
    enum class Occupant
    {
        Nothing,
        OwnSource,
        PictaroOutput,
        Other,
    };
    static std::optional<FileId> fileId(const QString& path);
    bool isOtherSource(const QString& candidate, const QString& sourcePath,
                       const std::optional<FileId>& sourceId) const;
    static Occupant occupant(const QString& candidate, const QString& sourcePath,
                             const std::optional<FileId>& sourceId);

    bool m_replaceOriginals = false;
    bool m_cleansFolders = true; // removes what killed runs left, when the run is real
    QSet<QString> m_sources;
    QSet<FileId> m_sourceIds;
    QSet<QString> m_claimed;
    QSet<QString> m_cleanedFolders;
};
