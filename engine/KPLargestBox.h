#pragma once

#include <QImage>
#include <QSize>

// The largest box an output may have: a picture larger is brought inside it, proportions
// kept, before its fitting starts; one inside it is never enlarged. The box's sides follow
// the picture's orientation, as the smallest box's do: a 1920 x 1080 box holds a portrait
// picture as 1080 x 1920.
class KPLargestBox
{
public:
    KPLargestBox() = delete;

    // The size `picture` takes inside `box`: itself when it fits already.
    static QSize fittedSize(QSize picture, QSize box);
    static bool holds(QSize picture, QSize box) { return fittedSize(picture, box) == picture; }
    // The picture brought inside the box with the filter the best-quality fitting scales
    // with; the picture itself when it fits.
    static QImage fitted(const QImage& picture, QSize box);
};
