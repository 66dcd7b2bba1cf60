#pragma once

#include <QImage>
#include <QPointF>
#include <QWidget>

// The before and after of one picture in the same place at the same scale: the source
// left of a divider, the output right of it. Dragging the divider (or Shift+Left and
// Shift+Right) moves it, holding Space shows the source alone; the zoom (fit, 100 %,
// 200 %) and the panning (dragging, the arrow keys) are the same for both sides, so one
// spot is compared with itself. 100 % shows one pixel of the output on one pixel of the
// screen.
class KPCompareView : public QWidget
{
    Q_OBJECT
public:
    enum class Zoom
    {
        Fit,
        Actual,
        Double
    };

    explicit KPCompareView(QWidget* parent = nullptr);

    // Two pictures of one size; the view keeps its zoom and divider, and starts centred.
    void setPictures(const QImage& before, const QImage& after);
    void clear();
    bool hasPictures() const { return !m_after.isNull(); }

    void setZoom(Zoom zoom);
    Zoom zoom() const { return m_zoom; }
    // Where the divider stands, from 0 (the output only) to 1 (the source only).
    void setDivider(double fraction);
    double divider() const { return m_divider; }
    // Whether the source is shown alone (Space held).
    bool showsBeforeOnly() const { return m_beforeOnly; }
    // The offset of the pictures from their centred place, in pixels of the view.
    QPointF pan() const { return m_pan; }
    // Where the pictures are drawn, in the view's coordinates.
    QRectF pictureRect() const;

    static constexpr double DividerStep = 0.05;

    QSize sizeHint() const override;

Q_SIGNALS:
    // The source shown alone or beside the output, as Space is held and let go.
    void beforeOnlyChanged(bool beforeOnly);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    enum class Drag
    {
        None,
        Divider,
        Pan
    };

    // Pixels of the view per pixel of the pictures.
    double scale() const;
    void panBy(QPointF delta);
    void setBeforeOnly(bool beforeOnly);
    bool nearDivider(QPointF point) const;
    void updateCursor(QPointF point);
    void paintLabels(QPainter& painter, double dividerX);

    QImage m_before;
    QImage m_after;
    Zoom m_zoom = Zoom::Fit;
    double m_divider = 0.5;
    bool m_beforeOnly = false;
    QPointF m_pan;
    Drag m_drag = Drag::None;
    QPointF m_dragFrom;
};
