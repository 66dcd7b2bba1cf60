#include "ui/KPCompareView.h"

#include "ui/KPLocalization.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {
// How close to the divider a press takes the divider rather than the pictures.
constexpr double DividerGrip = 8.0;
} // namespace

KPCompareView::KPCompareView(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(160, 120);
    setMouseTracking(true); // the cursor tells the divider from the pictures
}

QSize KPCompareView::sizeHint() const
{
    return {320, 240};
}

void KPCompareView::setPictures(const QImage& before, const QImage& after)
{
    m_before = before;
    m_after = after;
    m_pan = {};
    update();
}

void KPCompareView::clear()
{
    setPictures({}, {});
    setBeforeOnly(false);
}

void KPCompareView::setZoom(Zoom zoom)
{
    if (zoom == m_zoom)
        return;
    // The spot at the centre stays at the centre.
    const double before = scale();
    m_zoom = zoom;
    const double ratio = before > 0 ? scale() / before : 1.0;
    m_pan *= ratio;
    panBy({});
    update();
}

void KPCompareView::setDivider(double fraction)
{
    fraction = std::clamp(fraction, 0.0, 1.0);
    if (qFuzzyCompare(fraction + 1.0, m_divider + 1.0))
        return;
    m_divider = fraction;
    update();
}

void KPCompareView::setBeforeOnly(bool beforeOnly)
{
    if (beforeOnly == m_beforeOnly)
        return;
    m_beforeOnly = beforeOnly;
    update();
    Q_EMIT beforeOnlyChanged(beforeOnly);
}

double KPCompareView::scale() const
{
    if (m_after.isNull())
        return 1.0;
    const double ratio = devicePixelRatioF();
    switch (m_zoom) {
    case Zoom::Actual:
        return 1.0 / ratio;
    case Zoom::Double:
        return 2.0 / ratio;
    case Zoom::Fit:
        break;
    }
    // Fitted, never enlarged past the picture's own size, as the plain preview.
    const double fit =
        std::min(double(width()) / m_after.width(), double(height()) / m_after.height());
    return std::min(fit, 1.0);
}

QRectF KPCompareView::pictureRect() const
{
    if (m_after.isNull())
        return {};
    const QSizeF size = QSizeF(m_after.size()) * scale();
    QRectF place(QPointF(0, 0), size);
    place.moveCenter(QRectF(rect()).center() + m_pan);
    return place;
}

void KPCompareView::panBy(QPointF delta)
{
    // A picture larger than the view moves no further than its edges; a smaller one stays
    // centred.
    const QSizeF size = m_after.isNull() ? QSizeF() : QSizeF(m_after.size()) * scale();
    const double roomX = std::max(0.0, (size.width() - width()) / 2);
    const double roomY = std::max(0.0, (size.height() - height()) / 2);
    m_pan = QPointF(std::clamp(m_pan.x() + delta.x(), -roomX, roomX),
                    std::clamp(m_pan.y() + delta.y(), -roomY, roomY));
    update();
}

void KPCompareView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    panBy({});
}

bool KPCompareView::nearDivider(QPointF point) const
{
    return !m_beforeOnly && std::abs(point.x() - m_divider * width()) <= DividerGrip;
}

void KPCompareView::updateCursor(QPointF point)
{
    if (m_after.isNull())
        unsetCursor();
    else if (nearDivider(point))
        setCursor(Qt::SplitHCursor);
    else if (pictureRect().width() > width() || pictureRect().height() > height())
        setCursor(Qt::OpenHandCursor);
    else
        unsetCursor();
}

void KPCompareView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!m_after.isNull()) {
        const QRectF place = pictureRect();
        const double dividerX = m_beforeOnly ? width() : m_divider * width();
        // Pixels as they are from 100 % up, to judge the encoding's flaws; smooth below.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, scale() * devicePixelRatioF() < 1.0);
        painter.save();
        painter.setClipRect(QRectF(0, 0, dividerX, height()));
        painter.drawImage(place, m_before);
        painter.restore();
        if (dividerX < width()) {
            painter.save();
            painter.setClipRect(QRectF(dividerX, 0, width() - dividerX, height()));
            painter.drawImage(place, m_after);
            painter.restore();
        }
        if (!m_beforeOnly) {
            // A light line with dark edges shows on any picture.
            painter.fillRect(QRectF(dividerX - 2, 0, 4, height()), QColor(0, 0, 0, 140));
            painter.fillRect(QRectF(dividerX - 1, 0, 2, height()), Qt::white);
            QPainterPath handle;
            handle.addEllipse(QPointF(dividerX, height() / 2.0), 9, 9);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.fillPath(handle, Qt::white);
            painter.strokePath(handle, QPen(QColor(0, 0, 0, 140), 2));
        }
        paintLabels(painter, dividerX);
    }
    if (hasFocus()) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
}

void KPCompareView::paintLabels(QPainter& painter, double dividerX)
{
    // Which side is which, in the corner of each on the pictures.
    const QRectF shown = pictureRect().intersected(QRectF(rect()));
    const auto label = [&](const QString& text, bool left) {
        const QFontMetrics metrics(font());
        const QSize box(metrics.horizontalAdvance(text) + 12, metrics.height() + 6);
        QRectF area(QPointF(0, 0), box);
        area.moveTop(shown.top() + 8);
        if (left)
            area.moveLeft(shown.left() + 8);
        else
            area.moveRight(shown.right() - 8);
        if ((left && area.right() > dividerX - 4) || (!left && area.left() < dividerX + 4) ||
            area.bottom() > shown.bottom())
            return; // no room on its side
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 150));
        painter.drawRoundedRect(area, 4, 4);
        painter.setPen(Qt::white);
        painter.drawText(area, Qt::AlignCenter, text);
    };
    label(KPLocalization::text("L_CompareBefore"), true);
    if (!m_beforeOnly)
        label(KPLocalization::text("L_CompareAfter"), false);
}

void KPCompareView::keyPressEvent(QKeyEvent* event)
{
    const QPointF step(width() / 10.0, height() / 10.0);
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    switch (event->key()) {
    case Qt::Key_Space:
        if (!event->isAutoRepeat())
            setBeforeOnly(true);
        return;
    case Qt::Key_Left:
        if (shift)
            setDivider(m_divider - DividerStep);
        else
            panBy({step.x(), 0}); // shows more of the left
        return;
    case Qt::Key_Right:
        if (shift)
            setDivider(m_divider + DividerStep);
        else
            panBy({-step.x(), 0});
        return;
    case Qt::Key_Up:
        panBy({0, step.y()});
        return;
    case Qt::Key_Down:
        panBy({0, -step.y()});
        return;
    case Qt::Key_Home:
        setDivider(0.0);
        return;
    case Qt::Key_End:
        setDivider(1.0);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void KPCompareView::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        setBeforeOnly(false);
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void KPCompareView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_after.isNull()) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragFrom = event->position();
    if (nearDivider(m_dragFrom)) {
        m_drag = Drag::Divider;
    } else {
        m_drag = Drag::Pan;
        if (cursor().shape() == Qt::OpenHandCursor)
            setCursor(Qt::ClosedHandCursor);
    }
}

void KPCompareView::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF at = event->position();
    switch (m_drag) {
    case Drag::Divider:
        setDivider(width() > 0 ? at.x() / width() : 0.5);
        break;
    case Drag::Pan:
        panBy(at - m_dragFrom);
        m_dragFrom = at;
        break;
    case Drag::None:
        updateCursor(at);
        break;
    }
}

void KPCompareView::mouseReleaseEvent(QMouseEvent* event)
{
    m_drag = Drag::None;
    updateCursor(event->position());
}

void KPCompareView::focusInEvent(QFocusEvent* event)
{
    update(); // the focus frame
    QWidget::focusInEvent(event);
}

void KPCompareView::focusOutEvent(QFocusEvent* event)
{
    // A Space let go elsewhere never arrives here.
    setBeforeOnly(false);
    update();
    QWidget::focusOutEvent(event);
}
