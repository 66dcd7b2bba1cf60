#pragma once

#include <QImage>
#include <QWidget>

class QPainter;

// Shows one picture scaled to fit, proportions kept, never enlarged past its own size
// (the same on a 1x and a 2x screen); a transparent one over a checkerboard.
class KPImageView : public QWidget
{
    Q_OBJECT
public:
    explicit KPImageView(QWidget* parent = nullptr);

    // `checkerboard`: transparent parts show as such; a placeholder of the program's own
    // draws as it is.
    void setImage(const QImage& image, bool checkerboard = true);
    QImage image() const { return m_image; }

    QSize sizeHint() const override;

    // The grey and white squares drawn behind a transparent picture, so that it shows as
    // transparent instead of as nothing.
    static void drawCheckerboard(QPainter& painter, const QRectF& area);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
    bool m_checkerboard = true;
};
