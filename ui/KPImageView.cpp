#include "ui/KPImageView.h"

#include <QPainter>

KPImageView::KPImageView(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(160, 120);
}

void KPImageView::setImage(const QImage& image, bool checkerboard)
{
    m_image = image;
    m_checkerboard = checkerboard;
    update();
}

QSize KPImageView::sizeHint() const
{
    return {320, 240};
}

void KPImageView::paintEvent(QPaintEvent*)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    // Never enlarged past its own size, counted in the picture's pixels as a 1x screen
    // shows them: on a 2x screen a picture appears as large as on a 1x one, not half.
    const QSizeF natural = m_image.deviceIndependentSize();
    QSizeF target = natural.scaled(QSizeF(size()), Qt::KeepAspectRatio);
    if (target.width() > natural.width())
        target = natural;
    QRectF place(QPointF(0, 0), target);
    place.moveCenter(QRectF(rect()).center());
    // Large working pictures of a run are redrawn at every step: sample them quickly.
    const bool large = qint64(m_image.width()) * m_image.height() > 4LL * 1024 * 1024;
    if (m_checkerboard && m_image.hasAlphaChannel())
        drawCheckerboard(painter, place);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !large);
    painter.drawImage(place, m_image);
}

void KPImageView::drawCheckerboard(QPainter& painter, const QRectF& area)
{
    constexpr int Square = 8;
    // An image, not a pixmap: a static pixmap would outlive the application.
    static const QImage tile = [] {
        QImage image(2 * Square, 2 * Square, QImage::Format_RGB32);
        image.fill(QColor(255, 255, 255));
        QPainter tilePainter(&image);
        tilePainter.fillRect(0, 0, Square, Square, QColor(204, 204, 204));
        tilePainter.fillRect(Square, Square, Square, Square, QColor(204, 204, 204));
        return image;
    }();
    painter.save();
    painter.setBrushOrigin(area.topLeft());
    painter.fillRect(area, QBrush(tile));
    painter.restore();
}
