#pragma once

#include "engine/KPImageData.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>

class KPThumbnailCache;

// The job list as table rows: a state icon, a thumbnail and the file name. Row N is
// job N of the list's array, which the model reads but never changes.
class KPPicTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { StateIcon = 0, Picture = 1, Name = 2, ColumnCount = 3 };

    explicit KPPicTableModel(KPThumbnailCache* thumbnails, QObject* parent = nullptr);

    void setPicData(const KPImageDataList* jobs);
    // Brings the rows in line with the list after it changed.
    void refreshData();
    KPImageDataPtr job(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The icon resource for a job's progress state.
    static QString stateIconName(qint32 progress);

private:
    void thumbnailReady(const QString& path);

    const KPImageDataList* m_jobs = nullptr;
    int m_rows = 0;
    KPThumbnailCache* m_thumbnails;
    mutable QHash<QString, int> m_rowOfPath; // rows waiting for their thumbnail
    QIcon m_ok;
    QIcon m_failure;
    QIcon m_waiting;
};
