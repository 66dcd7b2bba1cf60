#include "list/KPPicNameCustomCell.h"

#include "list/KPPicTableModel.h"
#include "ui/KPImageView.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>

QRect KPPicNameCustomCell::titleRectForBounds(const QRect& bounds, int textHeight)
{
    QRect rect = bounds;
    if (bounds.height() > textHeight) {
        rect.setTop(bounds.top() + (bounds.height() - textHeight) / 2);
        rect.setHeight(textHeight);
    }
    // The indent moves the text without narrowing its rectangle.
    rect.translate(Indent, 0);
    return rect;
}

void KPPicNameCustomCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    drawBackground(painter, opt, index);

    const QRect cell = option.rect.adjusted(Spacing / 2, Spacing / 2, -(Spacing - Spacing / 2),
                                            -(Spacing - Spacing / 2));
    painter->save();
    painter->setClipRect(option.rect);
    switch (index.column()) {
    case KPPicTableModel::Name:
    case KPPicTableModel::Result:
        drawText(painter, opt, index, cell);
        break;
    case KPPicTableModel::Picture:
        drawPicture(painter, opt, index.data(Qt::DecorationRole).value<QImage>(), cell);
        break;
    default: {
        const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
        const int side = qMin(24, qMin(cell.width(), cell.height()));
        QRect place(0, 0, side, side);
        place.moveCenter(cell.center());
        icon.paint(painter, place);
        break;
    }
    }
    painter->restore();
}

void KPPicNameCustomCell::drawBackground(QPainter* painter, const QStyleOptionViewItem& opt,
                                         const QModelIndex& index)
{
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    // Background and selection as the style draws them, without the content.
    QStyleOptionViewItem background = opt;
    background.text.clear();
    background.icon = QIcon();
    background.features &= ~QStyleOptionViewItem::HasDecoration;
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);
    if (!index.data(KPPicTableModel::CurrentRole).toBool())
        return;
    // The picture a run is converting: tinted, with a bar at the row's start, apart from
    // the selection, which stays the user's.
    QColor tint = opt.palette.color(QPalette::Highlight);
    tint.setAlpha(40);
    painter->fillRect(opt.rect, tint);
    if (index.column() == 0) {
        tint.setAlpha(255);
        painter->fillRect(QRect(opt.rect.topLeft(), QSize(3, opt.rect.height())), tint);
    }
}

void KPPicNameCustomCell::drawText(QPainter* painter, const QStyleOptionViewItem& opt,
                                   const QModelIndex& index, const QRect& cell)
{
    const bool selected = opt.state & QStyle::State_Selected;
    const QVariant foreground = index.data(Qt::ForegroundRole);
    painter->setPen(!selected && foreground.canConvert<QColor>()
                        ? foreground.value<QColor>()
                        : opt.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(opt.font);
    const QFontMetrics metrics(opt.font);
    const QRect title = titleRectForBounds(cell, metrics.height());
    // A name keeps its start and its extension; a result its beginning.
    const QString text = metrics.elidedText(
        opt.text, index.column() == KPPicTableModel::Name ? Qt::ElideMiddle : Qt::ElideRight,
        cell.right() - title.left());
    painter->drawText(title, Qt::AlignLeft | Qt::AlignVCenter, text);
}

void KPPicNameCustomCell::drawPicture(QPainter* painter, const QStyleOptionViewItem& opt,
                                      const QImage& image, const QRect& cell)
{
    if (image.isNull()) {
        // Still loading, or unreadable: a quiet frame where the picture goes.
        QRect frame(0, 0, cell.height() * 4 / 3, cell.height());
        frame.moveCenter(cell.center());
        QColor fill = opt.palette.color(QPalette::Mid);
        fill.setAlpha(60);
        painter->setPen(Qt::NoPen);
        painter->setBrush(fill);
        painter->drawRoundedRect(frame.intersected(cell), 3, 3);
        return;
    }
    // The thumbnail carries the pixel ratio it was read at.
    const QSizeF natural = image.deviceIndependentSize();
    QSizeF target = natural.scaled(QSizeF(cell.size()), Qt::KeepAspectRatio);
    if (target.width() > natural.width())
        target = natural; // never blown up past its pixels
    QRectF place(QPointF(0, 0), target);
    place.moveCenter(QRectF(cell).center());
    if (image.hasAlphaChannel())
        KPImageView::drawCheckerboard(*painter, place);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(place, image);
}

QSize KPPicNameCustomCell::sizeHint(const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(50 + Spacing);
    return size;
}
