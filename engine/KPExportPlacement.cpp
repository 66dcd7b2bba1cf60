#include "engine/KPExportPlacement.h"

#include "engine/KPAtomicFile.h"
#include "engine/KPPath.h"
#include "list/KPStringTools.h"

#include <QDir>

#include <sys/stat.h>

namespace {
// The longest file name Linux file systems take, in bytes.
constexpr qsizetype NameMax = 255;

// A 255-byte source name with "-2" added could never be written: the base gives way,
// whole characters from its end, so that it and `tail` fit in one name (a byte that is no
// text is one character of its own).
QString fitted(QString base, const QString& tail)
{
    while (!base.isEmpty() && KPPath::toNative(base + tail).size() > NameMax)
        base.chop(base.size() >= 2 && base.back().isLowSurrogate() &&
                          base.at(base.size() - 2).isHighSurrogate()
                      ? 2
                      : 1);
    return base;
}
} // namespace

KPExportPlacement::KPExportPlacement(const QStringList& listedSources, bool replaceOriginals)
    : m_replaceOriginals(replaceOriginals)
{
    m_sources.reserve(listedSources.size());
    for (const QString& source : listedSources) {
        m_sources.insert(source);
        if (const std::optional<FileId> id = fileId(source))
            m_sourceIds.insert(*id);
    }
}

std::optional<QString> KPExportPlacement::baseName(const QString& sourcePath)
{
    const qsizetype slash = sourcePath.lastIndexOf(QLatin1Char('/'));
    const QString lastComponent = sourcePath.mid(slash + 1);
    return KPStringTools::getStrToIdxByBackward(lastComponent, QStringLiteral("."));
}

std::optional<KPExportPlacement::FileId> KPExportPlacement::fileId(const QString& path)
{
    struct stat info
    {
    };
    if (::stat(KPPath::toNative(path).constData(), &info) != 0)
        return std::nullopt;
    return FileId{static_cast<quint64>(info.st_dev), static_cast<quint64>(info.st_ino)};
}

bool KPExportPlacement::isOtherSource(const QString& candidate, const QString& sourcePath,
                                      const std::optional<FileId>& sourceId) const
{
    if (candidate != sourcePath && m_sources.contains(candidate))
        return true;
    const std::optional<FileId> id = fileId(candidate);
    if (!id || (sourceId && *id == *sourceId))
        return false;
    return m_sourceIds.contains(*id);
}

KPExportPlacement::Occupant KPExportPlacement::occupant(const QString& candidate,
                                                        const QString& sourcePath,
                                                        const std::optional<FileId>& sourceId)
{
    if (candidate == sourcePath)
        return Occupant::OwnSource;
    struct stat info
    {
    };
    // A name that cannot even be looked at (the folder went away, no permission) is
    // taken: writing there fails with its own reason, where trying names would not end.
    if (::lstat(KPPath::toNative(candidate).constData(), &info) != 0)
        return Occupant::Nothing;
    if (sourceId && FileId{quint64(info.st_dev), quint64(info.st_ino)} == *sourceId)
        return Occupant::OwnSource;
    return KPAtomicFile::isMarkedOutput(candidate) ? Occupant::PictaroOutput : Occupant::Other;
}

std::optional<KPExportPlacement::Placement>
KPExportPlacement::place(const QString& folder, const QString& sourcePath, const QString& extension)
{
    const std::optional<QString> base = baseName(sourcePath);
    if (!base)
        return std::nullopt;
    // The first job of a run in a folder clears what a killed run left there.
    if (m_cleansFolders && !m_cleanedFolders.contains(folder)) {
        m_cleanedFolders.insert(folder);
        KPAtomicFile::removeStaleTemporaries(folder);
    }
    const std::optional<FileId> sourceId = fileId(sourcePath);
    for (int number = 1;; ++number) {
        const QString suffix = number == 1 ? QString() : QStringLiteral("-%1").arg(number);
        const QString name = fitted(*base, suffix + QLatin1Char('.') + extension) + suffix;
        const QString candidate = QStringLiteral("%1/%2.%3").arg(folder, name, extension);
        const QString claim = QDir::cleanPath(candidate);
        if (m_claimed.contains(claim) || isOtherSource(candidate, sourcePath, sourceId))
            continue;
        const Occupant there = occupant(candidate, sourcePath, sourceId);
        const bool inPlace = there == Occupant::OwnSource;
        if (there == Occupant::Other || (inPlace && !m_replaceOriginals))
            continue;
        m_claimed.insert(claim);
        return Placement{candidate, inPlace};
    }
}

int KPExportPlacement::originalsInTheWay(const QStringList& listedSources, const QString& folder,
                                         const QString& extension)
{
    KPExportPlacement dryRun(listedSources, true);
    dryRun.m_cleansFolders = false;
    int count = 0;
    for (const QString& source : listedSources) {
        const std::optional<Placement> placed = dryRun.place(folder, source, extension);
        count += placed && placed->inPlace ? 1 : 0;
    }
    return count;
}
