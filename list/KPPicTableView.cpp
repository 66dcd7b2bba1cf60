#include "list/KPPicTableView.h"

#include "engine/KPNotification.h"
#include "list/KPPicNameCustomCell.h"
#include "list/KPPicTableModel.h"
#include "list/KPThumbnailCache.h"
#include "ui/KPFocusRing.h"
#include "ui/KPLocalization.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QTableView>

#include <algorithm>
#include <vector>

namespace {
// The rows whose every column is selected, ascending, in one pass over the ranges.
// QItemSelectionModel::selectedRows() tests each row against every range: seconds for a
// few thousand scattered rows, where this takes milliseconds.
std::vector<int> fullySelectedRows(const QItemSelection& selection, int columns)
{
    static_assert(KPPicTableModel::ColumnCount < 32, "a column mask of 32 bits");
    std::vector<std::pair<int, quint32>> cells; // a row and a bit per selected column
    for (const QItemSelectionRange& range : selection) {
        if (!range.isValid() || range.parent().isValid())
            continue;
        quint32 mask = 0;
        for (int column = std::max(range.left(), 0); column <= std::min(range.right(), columns - 1);
             ++column)
            mask |= quint32(1) << column;
        for (int row = range.top(); row <= range.bottom(); ++row)
            cells.emplace_back(row, mask);
    }
    std::sort(cells.begin(), cells.end());
    const quint32 all = (quint32(1) << columns) - 1;
    std::vector<int> rows;
    for (size_t i = 0; i < cells.size();) {
        const int row = cells[i].first;
        quint32 mask = 0;
        for (; i < cells.size() && cells[i].first == row; ++i)
            mask |= cells[i].second;
        if (mask == all)
            rows.push_back(row);
    }
    return rows;
}
} // namespace

KPPicTableView::KPPicTableView(QTableView* table, QObject* parent)
    : QObject(parent), m_picTV(table),
      m_thumbnails(new KPThumbnailCache(QSize(2 * RowHeight, RowHeight), this)),
      m_model(new KPPicTableModel(m_thumbnails, this)), m_cell(new KPPicNameCustomCell(this))
{}

KPPicTableView::~KPPicTableView() = default;

void KPPicTableView::awakeFromNib()
{
    m_picTV->setModel(m_model);
    // One stop in the window's Tab order: the arrows move inside, Tab moves on.
    m_picTV->setTabKeyNavigation(false);
    m_picTV->setItemDelegate(m_cell);
    m_picTV->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_picTV->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_picTV->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_picTV->setShowGrid(false);
    m_picTV->setWordWrap(false);
    m_picTV->setAlternatingRowColors(true);
    m_picTV->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_picTV->verticalHeader()->hide();
    m_picTV->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_picTV->verticalHeader()->setDefaultSectionSize(RowHeight + KPPicNameCustomCell::Spacing);

    QHeaderView* header = m_picTV->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setHighlightSections(false);
    header->setMinimumSectionSize(50);
    header->setSectionResizeMode(KPPicTableModel::StateIcon, QHeaderView::Fixed);
    header->resizeSection(KPPicTableModel::StateIcon, 50);
    header->setSectionResizeMode(KPPicTableModel::Picture, QHeaderView::Interactive);
    header->resizeSection(KPPicTableModel::Picture, 90);
    header->setSectionResizeMode(KPPicTableModel::Name, QHeaderView::Stretch);
    header->setSectionResizeMode(KPPicTableModel::Result, QHeaderView::Stretch);
    header->setMaximumSectionSize(500);

    connect(m_picTV->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &KPPicTableView::tableViewSelectionDidChange);

    m_emptyHint = new QLabel(m_picTV->viewport());
    m_emptyHint->setAlignment(Qt::AlignCenter);
    m_emptyHint->setWordWrap(true);
    m_emptyHint->setForegroundRole(QPalette::PlaceholderText);
    m_emptyHint->setAttribute(Qt::WA_TransparentForMouseEvents); // drops go to the window
    m_picTV->viewport()->installEventFilter(this);
    connect(m_model, &QAbstractItemModel::modelReset, this, &KPPicTableView::updateEmptyHint);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &KPPicTableView::updateEmptyHint);
    m_thumbnails->setDevicePixelRatio(m_picTV->devicePixelRatioF());
    // The rows show the selection whether the table has the focus or not; an empty table
    // shows nothing at all.
    KPFocusRing::attach(m_picTV);
    m_picTV->setAccessibleName(KPLocalization::text("L_TableName"));
    m_picTV->setAccessibleDescription(KPLocalization::text("L_TableDesc"));
    updateEmptyHint();
}

bool KPPicTableView::eventFilter(QObject* watched, QEvent* event)
{
    // Only the viewport is watched; it is reached through `watched`, since the table may
    // already be on its way out when the viewport's last events come.
    auto* viewport = static_cast<QWidget*>(watched);
    if (event->type() == QEvent::Resize && m_emptyHint)
        m_emptyHint->setGeometry(viewport->rect().adjusted(24, 24, -24, -24));
    // The window may move to a screen of another pixel ratio; the thumbnails follow at
    // the next paint.
    else if (event->type() == QEvent::Paint)
        m_thumbnails->setDevicePixelRatio(viewport->devicePixelRatioF());
    return QObject::eventFilter(watched, event);
}

void KPPicTableView::updateEmptyHint()
{
    if (!m_emptyHint)
        return;
    if (m_model->rowCount() > 0) {
        m_emptyHint->hide();
        return;
    }
    // Back to the plain hint until Resize is pressed on the empty list again.
    m_emptyHint->setText(KPLocalization::text("L_ListEmptyHint"));
    m_emptyHint->setForegroundRole(QPalette::PlaceholderText);
    QFont font = m_emptyHint->font();
    font.setBold(false);
    m_emptyHint->setFont(font);
    m_emptyHint->setGeometry(m_picTV->viewport()->rect().adjusted(24, 24, -24, -24));
    m_emptyHint->show();
}

void KPPicTableView::showEmptyListProblem()
{
    if (!m_emptyHint || m_model->rowCount() > 0)
        return;
    m_emptyHint->setText(KPLocalization::text("L_NeedPictures"));
    m_emptyHint->setForegroundRole(QPalette::WindowText);
    QFont font = m_emptyHint->font();
    font.setBold(true);
    m_emptyHint->setFont(font);
    m_emptyHint->show();
}

void KPPicTableView::markCurrentRow(int row)
{
    const int previous = m_model->currentRow();
    m_model->setCurrentRow(row);
    if (row < 0 || row >= m_model->rowCount())
        return;
    // Follows the run only while the user watches it: a row marked before that has been
    // scrolled out of sight means the user is looking elsewhere.
    if (previous >= 0 && previous < m_model->rowCount()) {
        const QRect shown = m_picTV->visualRect(m_model->index(previous, 0));
        if (!m_picTV->viewport()->rect().intersects(shown))
            return;
    }
    m_picTV->scrollTo(m_model->index(row, 0), QAbstractItemView::EnsureVisible);
}

void KPPicTableView::setPicData(const KPImageDataList* jobs)
{
    m_model->setPicData(jobs);
}

void KPPicTableView::refreshData()
{
    m_model->refreshData();
}

KPImageDataList KPPicTableView::delData()
{
    const std::vector<int> rows =
        fullySelectedRows(m_picTV->selectionModel()->selection(), m_model->columnCount());
    if (rows.empty())
        return {};
    KPImageDataList jobs;
    jobs.reserve(qsizetype(rows.size()));
    for (int row : rows) {
        if (KPImageDataPtr job = m_model->job(row))
            jobs.append(std::move(job));
    }
    m_picTV->clearSelection();
    return jobs;
}

int KPPicTableView::selectedRow() const
{
    const QItemSelectionModel* selection = m_picTV->selectionModel();
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && selection->isRowSelected(current.row(), {}))
        return current.row();
    // The row that selectedRows().last() would give: of the fully selected rows, the one
    // met last in selection order, each counted where it is first met.
    const QItemSelection ranges = selection->selection();
    const std::vector<int> rows = fullySelectedRows(ranges, m_model->columnCount());
    std::vector<bool> met(rows.size(), false);
    int last = -1;
    for (const QItemSelectionRange& range : ranges) {
        if (!range.isValid() || range.parent().isValid())
            continue;
        for (int row = range.top(); row <= range.bottom(); ++row) {
            const auto found = std::lower_bound(rows.begin(), rows.end(), row);
            if (found == rows.end() || *found != row || met[size_t(found - rows.begin())])
                continue;
            met[size_t(found - rows.begin())] = true;
            last = row;
        }
    }
    return last;
}

void KPPicTableView::selectRow(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex index = m_model->index(row, 0);
    m_picTV->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
    m_picTV->scrollTo(index);
}

void KPPicTableView::selectRows(const QList<int>& rows)
{
    QItemSelection selection;
    for (qsizetype i = 0; i < rows.size();) {
        // One range for each run of rows next to each other.
        qsizetype last = i;
        while (last + 1 < rows.size() && rows[last + 1] == rows[last] + 1)
            ++last;
        if (rows[i] >= 0 && rows[last] < m_model->rowCount())
            selection.select(m_model->index(rows[i], 0),
                             m_model->index(rows[last], m_model->columnCount() - 1));
        i = last + 1;
    }
    if (selection.isEmpty())
        return;
    // Current first, so that the row the panel is told of is the first one selected.
    const QModelIndex first = selection.first().topLeft();
    m_picTV->selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    m_picTV->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    m_picTV->scrollTo(first);
}

void KPPicTableView::tableViewSelectionDidChange()
{
    const int row = selectedRow();
    const KPImageDataPtr job = m_model->job(row);
    if (!job)
        return;
    QVariantMap info;
    info.insert(KPMessage::CurrentImage, QVariant::fromValue(job));
    KPNotificationCenter::defaultCenter()->post(KPMessage::ImageLogRefresh, this, info);
}
