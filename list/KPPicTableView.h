#pragma once

#include "list/KPListPresenter.h"

#include <QObject>

class KPPicNameCustomCell;
class KPPicTableModel;
class KPThumbnailCache;
class QTableView;

// Presents the image list in the window's table: sets up its columns, answers the list's
// questions about the selection, and tells the current-picture panel which job is
// selected (ZUN_ImageLogRefresh through the notification centre).
class KPPicTableView : public QObject, public KPListPresenter
{
    Q_OBJECT
public:
    explicit KPPicTableView(QTableView* table, QObject* parent = nullptr);
    ~KPPicTableView() override;

    static constexpr int RowHeight = 50;

    // Sets up the table once it exists: row height, columns, headers, delegate.
    void awakeFromNib();

    QTableView* picTV() const { return m_picTV; }
    KPPicTableModel* model() const { return m_model; }
    KPThumbnailCache* thumbnails() const { return m_thumbnails; }

    void setPicData(const KPImageDataList* jobs) override;
    void refreshData() override;
    KPImageDataList delData() override;
    int selectedRow() const override;
    void selectRow(int row) override;

private:
    void tableViewSelectionDidChange();

    QTableView* m_picTV;
    KPThumbnailCache* m_thumbnails;
    KPPicTableModel* m_model;
    KPPicNameCustomCell* m_cell;
};
