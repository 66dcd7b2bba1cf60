#pragma once

#include <QImage>
#include <QWidget>

// Shows one picture scaled to fit, proportions kept, never enlarged past its pixels.
class KPImageView : public QWidget
{
    Q_OBJECT
public:
    explicit KPImageView(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    QImage image() const { return m_image; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
};
