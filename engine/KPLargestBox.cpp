#include "engine/KPLargestBox.h"

#include <algorithm>
#include <cmath>

QSize KPLargestBox::fittedSize(QSize picture, QSize box)
{
    if (picture.isEmpty() || box.isEmpty())
        return picture;
    const bool landscape = picture.width() >= picture.height();
    const double across = landscape ? box.width() : box.height();
    const double down = landscape ? box.height() : box.width();
    const double scale = std::min(across / picture.width(), down / picture.height());
    if (scale >= 1.0)
        return picture;
    // Rounded down, so that neither side ends a pixel outside the box.
    return {std::max(1, int(std::floor(picture.width() * scale + 1e-9))),
            std::max(1, int(std::floor(picture.height() * scale + 1e-9)))};
}

QImage KPLargestBox::fitted(const QImage& picture, QSize box)
{
    const QSize size = fittedSize(picture.size(), box);
    if (size == picture.size())
        return picture;
    return picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
