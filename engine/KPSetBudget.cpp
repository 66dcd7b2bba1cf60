#include "engine/KPSetBudget.h"

#include <algorithm>
#include <numeric>

namespace {
qint64 sum(const QList<qint64>& values)
{
    return std::accumulate(values.begin(), values.end(), qint64(0));
}

int lowestOf(const QList<KPSizeCurve>& curves)
{
    int lowest = 100;
    for (const KPSizeCurve& curve : curves)
        lowest = std::min(lowest, curve.lowest);
    return lowest;
}
} // namespace

KPSetBudget::Plan KPSetBudget::plan(const QList<KPSizeCurve>& curves, qint64 budget)
{
    Plan plan;
    qint64 least = 0;
    for (const KPSizeCurve& curve : curves)
        least += curve.leastCost();
    // Every output must be smaller than its limit: a byte each below the budget at least.
    if (least + curves.size() > budget) {
        plan.over = std::max<qint64>(1, least + curves.size() - budget);
        return plan;
    }
    plan.fits = true;
    if (!shareQuality(curves, budget, plan))
        shareFloor(curves, budget, plan);
    spread(plan.limits, budget);
    return plan;
}

bool KPSetBudget::shareQuality(const QList<KPSizeCurve>& curves, qint64 budget, Plan& plan)
{
    const auto room = qint64(double(budget) * (1.0 - Headroom));
    const auto costAt = [&curves](const QList<int>& qualities) {
        qint64 total = 0;
        for (qsizetype at = 0; at < curves.size(); ++at)
            total += curves[at].cost(qualities[at]);
        return total;
    };
    QList<int> qualities(curves.size(), 0);
    int shared = 0;
    for (int quality = 100; quality >= lowestOf(curves); --quality) {
        for (qsizetype at = 0; at < curves.size(); ++at)
            qualities[at] = std::max(quality, curves[at].lowest);
        if (costAt(qualities) < room) {
            shared = quality;
            break;
        }
    }
    if (shared == 0)
        return false;
    // One step more for the pictures it costs least, as long as the set still fits.
    qint64 used = costAt(qualities);
    QList<qsizetype> order(curves.size());
    std::iota(order.begin(), order.end(), 0);
    const auto step = [&](qsizetype at) {
        return curves[at].cost(qualities[at] + 1) - curves[at].cost(qualities[at]);
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return step(a) < step(b); });
    for (const qsizetype at : order) {
        if (qualities[at] >= 100 || used + step(at) >= room)
            continue;
        used += step(at);
        ++qualities[at];
    }
    plan.qualities = qualities;
    plan.limits.clear();
    for (qsizetype at = 0; at < curves.size(); ++at)
        plan.limits.append(curves[at].cost(qualities[at]));
    return true;
}

void KPSetBudget::shareFloor(const QList<KPSizeCurve>& curves, qint64 budget, Plan& plan)
{
    // Water-filling: each picture gets its floor's size times one factor, or the least it
    // can be brought to where that is more; the factor is found for the rest.
    QList<bool> bound(curves.size(), false);
    plan.qualities = QList<int>(curves.size(), 0);
    plan.limits = QList<qint64>(curves.size(), 0);
    for (;;) {
        qint64 fixed = 0;
        double free = 0.0;
        for (qsizetype at = 0; at < curves.size(); ++at) {
            if (bound[at])
                fixed += curves[at].leastCost();
            else
                free += double(curves[at].cost(curves[at].lowest));
        }
        const double factor = free > 0.0 ? double(budget - fixed) / free : 0.0;
        bool changed = false;
        for (qsizetype at = 0; at < curves.size(); ++at) {
            if (bound[at])
                continue;
            const auto share = qint64(double(curves[at].cost(curves[at].lowest)) * factor);
            if (share < curves[at].leastCost()) {
                bound[at] = true;
                changed = true;
            }
            plan.limits[at] = share;
        }
        if (!changed)
            break;
    }
    for (qsizetype at = 0; at < curves.size(); ++at) {
        if (bound[at])
            plan.limits[at] = curves[at].leastCost();
        // A picture whose share holds its floor whole needs no scaling.
        if (plan.limits[at] >= curves[at].cost(curves[at].lowest))
            plan.qualities[at] = curves[at].lowest;
    }
}

void KPSetBudget::spread(QList<qint64>& limits, qint64 budget)
{
    const qint64 planned = sum(limits);
    const qint64 unused = budget - planned;
    if (limits.isEmpty() || unused <= 0 || planned <= 0)
        return;
    qint64 given = 0;
    for (qint64& limit : limits) {
        const auto share = qint64(double(unused) * double(limit) / double(planned));
        limit += share;
        given += share;
    }
    limits.last() += unused - given;
}

void KPSetBudget::passOn(QList<qint64>& limits, qsizetype index, qint64 unused)
{
    if (unused <= 0 || index + 1 >= limits.size())
        return;
    qint64 after = 0;
    for (qsizetype at = index + 1; at < limits.size(); ++at)
        after += limits[at];
    qint64 given = 0;
    for (qsizetype at = index + 1; at < limits.size(); ++at) {
        const auto share =
            after > 0 ? qint64(double(unused) * double(limits[at]) / double(after)) : 0;
        limits[at] += share;
        given += share;
    }
    limits.last() += unused - given;
}
