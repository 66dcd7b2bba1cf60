#pragma once

#include "list/KPListPresenter.h"

#include <QLabel>
#include <QObject>
#include <QPointer>

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
    void selectRows(const QList<int>& rows) override;

    // Marks the row a run is converting (-1: none) and scrolls to it, unless the user has
    // scrolled the row marked before out of sight. The selection stays as it is.
    void markCurrentRow(int row);
    // The empty list says that there is nothing to resize, until pictures are added.
    void showEmptyListProblem();
    // The text over the empty list: how to add pictures, or why Resize did nothing.
    QLabel* emptyHint() const { return m_emptyHint; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void tableViewSelectionDidChange();
    void updateEmptyHint();

    QTableView* m_picTV;
    KPThumbnailCache* m_thumbnails;
    KPPicTableModel* m_model;
    KPPicNameCustomCell* m_cell;
    QPointer<QLabel> m_emptyHint; // a child of the table's viewport
};
