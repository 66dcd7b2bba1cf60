#pragma once

#include "engine/KPFailure.h"
#include "engine/KPJobSummary.h"

#include <QImage>
#include <QMetaType>
#include <QMutex>
#include <QSize>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>
#include <utility>

// Progress states of a job. The numbers are stored and compared as they stand.
enum class KPProgress : qint32
{
    New = 0,
    Converted = 1,
    Waiting = 2,
    Converting = 3,
    Failed = 4,
};

// A value read and replaced as a whole under its own lock. The getter hands out a
// copy, so a reader keeps a usable value even if another thread replaces the field
// right after; the old value is released outside the lock.
template <typename T> class KPLockedField
{
public:
    T get() const
    {
        QMutexLocker locker(&m_mutex);
        return m_value;
    }
    void set(T value)
    {
        {
            QMutexLocker locker(&m_mutex);
            std::swap(m_value, value);
        }
        // `value` now holds the old content and is destroyed here, unlocked.
    }

private:
    mutable QMutex m_mutex;
    T m_value{};
};

// One listed picture and everything a run learns about it. Shared by the list, the
// run's result lists and the run messages; written by a run's worker while the GUI
// thread reads it, so every field is atomic on its own (no lock spans two fields).
class KPImageData
{
public:
    KPImageData() = default;
    KPImageData(const KPImageData&) = delete;
    KPImageData& operator=(const KPImageData&) = delete;

    QImage image() const { return m_image.get(); }
    void setImage(QImage image) { m_image.set(std::move(image)); }

    QString path() const { return m_path.get(); }
    void setPath(QString path) { m_path.set(std::move(path)); }

    // The added folder a scan found the picture under; empty for a picture added alone.
    QString root() const { return m_root.get(); }
    void setRoot(QString root) { m_root.set(std::move(root)); }

    // Empty when the file's attributes could not be read when it was listed.
    std::optional<quint64> size() const { return m_size.get(); }
    void setSize(std::optional<quint64> size) { m_size.set(size); }

    QImage exportImage() const { return m_exportImage.get(); }
    void setExportImage(QImage image) { m_exportImage.set(std::move(image)); }

    QString exportPath() const { return m_exportPath.get(); }
    void setExportPath(QString path) { m_exportPath.set(std::move(path)); }

    std::optional<quint64> exportSize() const { return m_exportSize.get(); }
    void setExportSize(std::optional<quint64> size) { m_exportSize.set(size); }

    qint32 progress() const { return m_progress.load(); }
    void setProgress(qint32 progress) { m_progress.store(progress); }
    void setProgress(KPProgress progress) { m_progress.store(static_cast<qint32>(progress)); }
    bool is(KPProgress progress) const
    {
        return m_progress.load() == static_cast<qint32>(progress);
    }

    // What the last encoding of the output used, for the terminal report and the log
    // view: the JPEG quality (empty when the source's bytes were kept unchanged) and
    // the pixel size of the picture written (empty when nothing was decoded).
    std::optional<float> exportQuality() const { return m_exportQuality.get(); }
    void setExportQuality(std::optional<float> quality) { m_exportQuality.set(quality); }
    QSize exportPixelSize() const { return m_exportPixelSize.get(); }
    void setExportPixelSize(QSize size) { m_exportPixelSize.set(size); }

    // What the job made, once it has ended converted; empty before, and for a failed job.
    std::optional<KPJobSummary> summary() const { return m_summary.get(); }
    void setSummary(std::optional<KPJobSummary> summary) { m_summary.set(std::move(summary)); }

    // Why the job failed; None while it has not. A run clears it when the job starts.
    KPFailure failure() const { return KPFailure(m_failure.load()); }
    void setFailure(KPFailure failure) { m_failure.store(qint32(failure)); }
    // Fails the job for `reason`, keeping the first reason given: the step that failed
    // first tells why, not the clean-up after it.
    void fail(KPFailure reason)
    {
        qint32 none = qint32(KPFailure::None);
        m_failure.compare_exchange_strong(none, qint32(reason));
        setProgress(KPProgress::Failed);
    }

    // Back to `waiting`, with nothing left of an earlier run's result: its reason, output
    // and what the views show of it. Each field is cleared on its own.
    void clearResult()
    {
        setProgress(KPProgress::Waiting);
        setFailure(KPFailure::None);
        setExportPath(QString());
        setExportImage(QImage());
        setExportSize(std::nullopt);
        setExportQuality(std::nullopt);
        setExportPixelSize(QSize());
        setSummary(std::nullopt);
    }

private:
    KPLockedField<QImage> m_image;
    KPLockedField<QString> m_path;
    KPLockedField<QString> m_root;
    KPLockedField<std::optional<quint64>> m_size;
    KPLockedField<QImage> m_exportImage;
    KPLockedField<QString> m_exportPath;
    KPLockedField<std::optional<quint64>> m_exportSize;
    std::atomic<qint32> m_progress{static_cast<qint32>(KPProgress::New)};
    KPLockedField<std::optional<float>> m_exportQuality;
    KPLockedField<QSize> m_exportPixelSize;
    KPLockedField<std::optional<KPJobSummary>> m_summary;
    std::atomic<qint32> m_failure{qint32(KPFailure::None)};
};

using KPImageDataPtr = std::shared_ptr<KPImageData>;
using KPImageDataList = QList<KPImageDataPtr>;

Q_DECLARE_METATYPE(KPImageDataPtr)
Q_DECLARE_METATYPE(KPImageDataList)
