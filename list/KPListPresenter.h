#pragma once

#include "engine/KPImageData.h"

// What the image list asks of the view that shows it as rows (the picture table of
// the window). The terminal front end has none. Called on the GUI thread only.
class KPListPresenter
{
public:
    virtual ~KPListPresenter() = default;

    // Takes the job list as row data; row N shows job N. The list outlives the presenter's use.
    virtual void setPicData(const KPImageDataList* jobs) = 0;
    // Reloads every row.
    virtual void refreshData() = 0;
    // Returns the jobs of every selected row, in row order, and clears the selection;
    // an empty list when no row is selected.
    virtual KPImageDataList delData() = 0;
    // The last row selected, or -1.
    virtual int selectedRow() const = 0;
    // Selects exactly this row, replacing the selection.
    virtual void selectRow(int row) = 0;
    // Selects these rows (ascending), replacing the selection; the first is the one shown.
    virtual void selectRows(const QList<int>& rows)
    {
        if (!rows.isEmpty())
            selectRow(rows.first());
    }
};
