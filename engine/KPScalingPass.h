#pragma once

#include <QImage>
#include <QSize>

// The arithmetic and the drawing of one scaling pass of the stepwise fitting.
class KPScalingPass
{
public:
    KPScalingPass() = delete;

    static constexpr double Headroom = 0.3;
    static constexpr float DrawOpacity = 0.9f;

    // The scale factor of a pass, from the limit and the size of the file at its start.
    static float scaleFactor(quint64 limitSize, quint64 fileSize);
    // The size a pass draws: the picture's size times the factor, kept at or above the
    // box (sides swapped for portrait pictures) with the proportions kept, never larger
    // than the picture. `last` tells whether no further pass may follow.
    static QSize passSize(QSize picture, float factor, float boxWidth, float boxHeight, bool& last);
    // A pass's drawing: the whole picture scaled to the target size and drawn at the pass
    // opacity onto a transparent picture.
    static QImage drawPass(const QImage& picture, QSize target);
};
