#include "engine/KPOutputWorkspace.h"

#include "engine/KPAtomicFile.h"
#include "engine/KPKeptFolder.h"
#include "engine/KPPath.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>

KPOutputWorkspace::KPOutputWorkspace(KPExportPlacement& placement, ExportPathSource exportPath)
    : m_placement(placement), m_exportPath(std::move(exportPath))
{}

KPOutputWorkspace::~KPOutputWorkspace()
{
    if (!m_workPath.isEmpty())
        KPAtomicFile::remove(m_workPath);
}

KPFailure KPOutputWorkspace::name(const QString& source, const QString& extension)
{
    const std::optional<QString> folder = m_exportPath ? m_exportPath() : std::nullopt;
    if (!folder)
        return KPFailure::ExportFolder;
    QString target = *folder;
    if (!m_subfolder.isEmpty()) {
        if (const KPFailure making = KPKeptFolder::make(*folder, m_subfolder);
            making != KPFailure::None) {
            if (m_placed)
                m_placed();
            return making;
        }
        target += QLatin1Char('/') + m_subfolder;
    }
    // Before the source is read, which may move its access time on.
    m_sourceDates = m_keepsDates ? KPFileDates::of(source) : std::nullopt;
    const std::optional<KPExportPlacement::Placement> placement =
        m_placement.place(target, source, extension);
    if (m_placed)
        m_placed();
    if (!placement)
        return KPFailure::Unsupported; // a file name without an extension
    m_folder = target;
    m_outputPath = placement->outputPath;
    m_inPlace = placement->inPlace;
    m_named = true;
    return KPFailure::None;
}

KPFailure KPOutputWorkspace::begin(const QByteArray& bytes)
{
    int error = 0;
    const std::optional<QString> work = KPAtomicFile::writeTemporary(m_folder, bytes, &error);
    if (!work)
        return KPFailureText::forWriteError(error);
    m_workPath = *work;
    return KPFailure::None;
}

KPFailure KPOutputWorkspace::replace(const QByteArray& data)
{
    // The data goes to a new working file that takes the old one's place only once it is
    // complete, as a replacement in one step would. Renaming over the old file instead
    // would make the file system write the new one out at once, a millisecond or more for
    // every step.
    int error = 0;
    const std::optional<QString> written =
        KPAtomicFile::writeTemporary(KPPath::folder(m_workPath), data, &error);
    if (!written)
        return KPFailureText::forWriteError(error);
    KPAtomicFile::remove(m_workPath);
    m_workPath = *written;
    return KPFailure::None;
}

std::optional<quint64> KPOutputWorkspace::workingSize() const
{
    return KPAtomicFile::fileSize(m_workPath);
}

std::optional<QByteArray> KPOutputWorkspace::readWorking() const
{
    return KPAtomicFile::readAll(m_workPath);
}

KPFailure KPOutputWorkspace::keep(bool sourceIsResult)
{
    KPFailure failure = KPFailure::None;
    int error = 0;
    if (sourceIsResult) {
        KPAtomicFile::remove(m_workPath);
    } else if (m_keepsDates && !(m_sourceDates && m_sourceDates->applyTo(m_workPath))) {
        // An output without the dates asked for is not what the run promised.
        failure = KPFailure::WriteFailed;
        KPAtomicFile::remove(m_workPath);
    } else if (!KPAtomicFile::placeOutput(m_workPath, m_outputPath, m_inPlace, &error)) {
        failure = KPFailureText::forWriteError(error);
        KPAtomicFile::remove(m_workPath);
    }
    m_workPath.clear();
    return failure;
}

void KPOutputWorkspace::discard(bool stopped)
{
    if (!m_workPath.isEmpty())
        KPAtomicFile::remove(m_workPath);
    m_workPath.clear();
    // A failed job leaves nothing under its name: an earlier run's output there goes, but
    // never a file Pictaro did not write, nor the job's own source. A job cut short by Stop
    // leaves the name as it found it.
    if (m_named && !m_inPlace && !stopped)
        KPAtomicFile::removeOutput(m_outputPath);
}

QImage KPOutputWorkspace::previewOf(const QByteArray& encoding, QSize pixels,
                                    const QByteArray& format) const
{
    if (!m_keepsPreview)
        return {};
    QBuffer buffer;
    buffer.setData(encoding);
    QImageReader reader(&buffer, format);
    // The JPEG reader decodes straight at a fraction of the size, far quicker than whole.
    if (std::max(pixels.width(), pixels.height()) > PreviewSide)
        reader.setScaledSize(pixels.scaled(PreviewSide, PreviewSide, Qt::KeepAspectRatio));
    return reader.read();
}

QImage KPOutputWorkspace::previewOf(const QImage& picture) const
{
    // The views need no more than a preview of the result; a list of thousands of jobs
    // must not keep their full-size pictures.
    if (!m_keepsPreview)
        return {};
    if (!picture.isNull() && std::max(picture.width(), picture.height()) > PreviewSide)
        return picture.scaled(PreviewSide, PreviewSide, Qt::KeepAspectRatio,
                              Qt::SmoothTransformation);
    return picture;
}
