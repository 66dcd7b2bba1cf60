#pragma once

#include "engine/KPImageData.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>

class KPThumbnailCache;

// The job list as table rows: a state icon, a thumbnail, the file name and the result
// (sizes and saving, or why the picture failed). Row N is job N of the list's array,
// which the model reads but never changes.
class KPPicTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        StateIcon = 0,
        Picture = 1,
        Name = 2,
        Result = 3,
        ColumnCount = 4
    };
    // True on the row of the job a run is converting now.
    static constexpr int CurrentRole = Qt::UserRole + 1;

    explicit KPPicTableModel(KPThumbnailCache* thumbnails, QObject* parent = nullptr);

    void setPicData(const KPImageDataList* jobs);
    // Brings the rows in line with the list after it changed.
    void refreshData();
    KPImageDataPtr job(int row) const;

    // Marks the row a run is converting (-1: none).
    void setCurrentRow(int row);
    int currentRow() const { return m_currentRow; }
    // The limit (bytes) the reasons of failed jobs name: that of the latest run.
    void setFailureLimit(quint64 limit) { m_failureLimit = limit; }
    // The smallest box the reason of a job failed at that box names: that of the latest run.
    void setFailureBox(QSize box) { m_failureBox = box; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The icon resource for a job's progress state.
    static QString stateIconName(qint32 progress);
    // Why a failed job failed, as a phrase of its own.
    static QString failureText(const KPImageData& job, quint64 limit, QSize box = {});

private:
    void thumbnailReady(const QString& path);
    void rowChanged(int row);
    QVariant resultData(const KPImageData& job, int role) const;

    const KPImageDataList* m_jobs = nullptr;
    int m_rows = 0;
    int m_currentRow = -1;
    quint64 m_failureLimit = 0;
    QSize m_failureBox;
    KPThumbnailCache* m_thumbnails;
    mutable QHash<QString, int> m_rowOfPath; // rows waiting for their thumbnail
    QIcon m_ok;
    QIcon m_failure;
    QIcon m_waiting;
};
