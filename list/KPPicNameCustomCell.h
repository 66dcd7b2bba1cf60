#pragma once

#include <QStyledItemDelegate>

// Draws the cells of the picture table. The name and the result are centred vertically
// in the whole cell and indented 8 pixels from the left; pictures and icons are scaled to
// fit, proportions kept, transparent ones over a checkerboard, with a neutral placeholder
// while a thumbnail is still loading. The row a run is converting is tinted. Every cell
// keeps a 3-pixel gap to its neighbours.
class KPPicNameCustomCell : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static constexpr int Indent = 8;
    static constexpr int Spacing = 3;

    // Where the name is drawn in a cell of `bounds` for a text of height `textHeight`.
    static QRect titleRectForBounds(const QRect& bounds, int textHeight);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    static void drawBackground(QPainter* painter, const QStyleOptionViewItem& opt,
                               const QModelIndex& index);
    static void drawText(QPainter* painter, const QStyleOptionViewItem& opt,
                         const QModelIndex& index, const QRect& cell);
    static void drawPicture(QPainter* painter, const QStyleOptionViewItem& opt, const QImage& image,
                            const QRect& cell);
};
