#pragma once

#include "engine/KPSizeCurve.h"

#include <QList>

// One size limit for a whole set of pictures: from each picture's size curve, a limit of
// its own for each, so that the outputs together stay under the set's limit while every
// picture gets as much quality as the budget allows. The pictures share one quality, the
// highest at which the set fits (the cheapest to raise then get one step more); a picture
// whose own file costs less than its encoding is kept as it is, leaving its bytes to the
// others. When not even the floor fits, the pictures share the budget in proportion to
// their floor's size, none below the least it can be brought to (the smallest box). What
// the curves leave unused is spread over the limits, so that they add up to the budget.
class KPSetBudget
{
public:
    KPSetBudget() = delete;

    // The estimates may be off by a little: the shared quality is chosen with this share
    // of the budget left over.
    static constexpr double Headroom = 0.01;

    struct Plan
    {
        bool fits = false;
        qint64 over = 0;      // by how much the least the set can be brought to is over
        QList<qint64> limits; // each picture's own limit, in bytes; they add up to the budget
        QList<int> qualities; // the quality planned for each; 0 where it must be scaled
    };
    static Plan plan(const QList<KPSizeCurve>& curves, qint64 budget);

    // What is left of a picture's limit once it is written, spread over the limits of the
    // pictures after `index` in proportion to them (the last takes all).
    static void passOn(QList<qint64>& limits, qsizetype index, qint64 unused);

private:
    static bool shareQuality(const QList<KPSizeCurve>& curves, qint64 budget, Plan& plan);
    static void shareFloor(const QList<KPSizeCurve>& curves, qint64 budget, Plan& plan);
    static void spread(QList<qint64>& limits, qint64 budget);
};
