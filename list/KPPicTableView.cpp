#include "list/KPPicTableView.h"

#include "engine/KPNotification.h"
#include "list/KPPicNameCustomCell.h"
#include "list/KPPicTableModel.h"
#include "list/KPThumbnailCache.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

KPPicTableView::KPPicTableView(QTableView* table, QObject* parent)
    : QObject(parent), m_picTV(table),
      m_thumbnails(new KPThumbnailCache(QSize(2 * RowHeight * 4 / 3, 2 * RowHeight), this)),
      m_model(new KPPicTableModel(m_thumbnails, this)), m_cell(new KPPicNameCustomCell(this))
{
}

KPPicTableView::~KPPicTableView() = default;

void KPPicTableView::awakeFromNib()
{
    m_picTV->setModel(m_model);
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
    header->setMaximumSectionSize(500);

    connect(m_picTV->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &KPPicTableView::tableViewSelectionDidChange);
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
    QModelIndexList rows = m_picTV->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return {};
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    KPImageDataList jobs;
    jobs.reserve(rows.size());
    for (const QModelIndex& index : std::as_const(rows)) {
        if (KPImageDataPtr job = m_model->job(index.row()))
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
    const QModelIndexList rows = selection->selectedRows();
    return rows.isEmpty() ? -1 : rows.last().row();
}

void KPPicTableView::selectRow(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex index = m_model->index(row, 0);
    m_picTV->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_picTV->scrollTo(index);
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
