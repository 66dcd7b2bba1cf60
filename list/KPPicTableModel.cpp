#include "list/KPPicTableModel.h"

#include "engine/KPPath.h"
#include "list/KPStringTools.h"
#include "list/KPThumbnailCache.h"
#include "ui/KPLocalization.h"

#include <QColor>
#include <QFont>

KPPicTableModel::KPPicTableModel(KPThumbnailCache* thumbnails, QObject* parent)
    : QAbstractTableModel(parent), m_thumbnails(thumbnails),
      m_ok(QStringLiteral(":/pictures/OK.svg")),
      m_failure(QStringLiteral(":/pictures/Failure.svg")),
      m_waiting(QStringLiteral(":/pictures/Waiting.svg"))
{
    connect(m_thumbnails, &KPThumbnailCache::thumbnailReady, this,
            &KPPicTableModel::thumbnailReady);
}

void KPPicTableModel::setPicData(const KPImageDataList* jobs)
{
    beginResetModel();
    m_jobs = jobs;
    m_rows = jobs ? int(jobs->size()) : 0;
    m_rowOfPath.clear();
    endResetModel();
}

void KPPicTableModel::refreshData()
{
    const int rows = m_jobs ? int(m_jobs->size()) : 0;
    // Additions only append to the list, so the rows already shown (and the selection
    // on them) stay; anything else reloads the whole table.
    if (rows > m_rows) {
        beginInsertRows({}, m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    } else if (rows < m_rows) {
        beginResetModel();
        m_rows = rows;
        endResetModel();
    }
    m_rowOfPath.clear();
    if (m_rows > 0)
        Q_EMIT dataChanged(index(0, 0), index(m_rows - 1, ColumnCount - 1));
}

void KPPicTableModel::setCurrentRow(int row)
{
    if (row == m_currentRow)
        return;
    const int previous = m_currentRow;
    m_currentRow = row;
    rowChanged(previous);
    rowChanged(row);
}

void KPPicTableModel::rowChanged(int row)
{
    if (row >= 0 && row < m_rows)
        Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

QString KPPicTableModel::failureText(const KPImageData& job, quint64 limit, QSize box)
{
    const QString reason = KPFailureText::text(job.failure(), limit, box);
    return reason.isEmpty() ? KPLocalization::text("L_LogConvertError")
                            : KPStringTools::capitalised(reason);
}

KPImageDataPtr KPPicTableModel::job(int row) const
{
    if (!m_jobs || row < 0 || row >= m_rows || row >= m_jobs->size())
        return {};
    return m_jobs->at(row);
}

int KPPicTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int KPPicTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString KPPicTableModel::stateIconName(qint32 progress)
{
    switch (static_cast<KPProgress>(progress)) {
    case KPProgress::Converted:
        return QStringLiteral("OK");
    case KPProgress::Failed:
        return QStringLiteral("Failure");
    default:
        return QStringLiteral("Waiting");
    }
}

QVariant KPPicTableModel::resultData(const KPImageData& job, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::ForegroundRole)
        return {};
    switch (static_cast<KPProgress>(job.progress())) {
    case KPProgress::Converted: {
        if (role == Qt::ForegroundRole)
            return {};
        const std::optional<KPJobSummary> summary = job.summary();
        if (!summary)
            return {};
        // JPEG is what a run writes unless told otherwise; another format is named.
        const QString format = summary->format != KPOutputFormat::Jpeg
                                   ? KPOutputFormats::title(summary->format)
                                   : QString();
        const QString text =
            summary->isCopy() ? KPStringTools::keptText(summary->outputBytes, format)
                              : KPStringTools::savingText(summary->sourceBytes,
                                                          summary->outputBytes, QLocale(), format);
        // The name may not be the one expected (photo-2.jpg beside a file of the user's).
        if (role == Qt::ToolTipRole)
            return text + QLatin1Char('\n') +
                   KPLocalization::text("L_ResultWrittenTo").arg(summary->outputPath);
        return text;
    }
    case KPProgress::Failed:
        if (role == Qt::ForegroundRole)
            return QColor(0xc0, 0x39, 0x2b); // reads as a warning on light and dark rows
        return failureText(job, m_failureLimit, m_failureBox);
    case KPProgress::Converting:
        return role == Qt::DisplayRole ? QVariant(KPLocalization::text("L_LogConverting"))
                                       : QVariant();
    default:
        return {};
    }
}

QVariant KPPicTableModel::data(const QModelIndex& index, int role) const
{
    const KPImageDataPtr record = job(index.row());
    if (!record)
        return {};
    if (role == CurrentRole)
        return index.row() == m_currentRow;
    // A failed row tells why wherever the pointer rests on it.
    if (role == Qt::ToolTipRole && record->is(KPProgress::Failed) && index.column() != Name)
        return failureText(*record, m_failureLimit, m_failureBox);
    switch (index.column()) {
    case StateIcon:
        if (role == Qt::DecorationRole) {
            const QString name = stateIconName(record->progress());
            return name == QLatin1String("OK")        ? m_ok
                   : name == QLatin1String("Failure") ? m_failure
                                                      : m_waiting;
        }
        if (role == Qt::ToolTipRole || role == Qt::AccessibleTextRole) {
            switch (static_cast<KPProgress>(record->progress())) {
            case KPProgress::Converted:
                return KPLocalization::text("L_LogConvertOK");
            case KPProgress::Failed:
                return KPLocalization::text("L_LogConvertError");
            case KPProgress::Converting:
                return KPLocalization::text("L_LogConverting");
            default:
                return KPLocalization::text("L_LogConvertWait");
            }
        }
        return {};
    case Picture:
        if (role == Qt::DecorationRole) {
            const QString path = record->path();
            const QImage thumbnail = m_thumbnails->thumbnail(path);
            if (thumbnail.isNull()) {
                // Remember where the row is, to redraw it once the picture arrives.
                m_rowOfPath.insert(path, index.row());
                return {};
            }
            return thumbnail;
        }
        return {};
    case Name:
        if (role == Qt::DisplayRole)
            return KPPath::displayName(KPPath::fileName(record->path()));
        if (role == Qt::ToolTipRole) {
            const QString shown = KPPath::displayName(record->path());
            if (record->is(KPProgress::Failed))
                return shown + QLatin1Char('\n') +
                       failureText(*record, m_failureLimit, m_failureBox);
            return shown;
        }
        if (role == Qt::FontRole && index.row() == m_currentRow) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    case Result:
        return resultData(*record, role);
    default:
        return {};
    }
}

QVariant KPPicTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case StateIcon:
        return KPLocalization::text("L_ColState");
    case Picture:
        return KPLocalization::text("L_ColPic");
    case Name:
        return KPLocalization::text("L_ColName");
    case Result:
        return KPLocalization::text("L_ColResult");
    default:
        return {};
    }
}

void KPPicTableModel::thumbnailReady(const QString& path)
{
    const auto it = m_rowOfPath.constFind(path);
    if (it == m_rowOfPath.constEnd())
        return;
    const int row = it.value();
    m_rowOfPath.erase(it);
    const KPImageDataPtr record = job(row);
    if (record && record->path() == path)
        Q_EMIT dataChanged(index(row, Picture), index(row, Picture), {Qt::DecorationRole});
}
