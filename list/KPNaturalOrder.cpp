#include "list/KPNaturalOrder.h"

#include <QHash>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {
// The C locale (no LANG set) collates by code point, without numbers; English gives the
// neutral order instead.
QLocale collationLocale()
{
    const QLocale locale;
    return locale.language() == QLocale::C ? QLocale(QLocale::English) : locale;
}
} // namespace

KPNaturalOrder::KPNaturalOrder() : m_collator(collationLocale())
{
    m_collator.setNumericMode(true);
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
}

bool KPNaturalOrder::lessThan(const QString& a, const QString& b) const
{
    const QList<QStringView> left = QStringView(a).split(QLatin1Char('/'));
    const QList<QStringView> right = QStringView(b).split(QLatin1Char('/'));
    const qsizetype common = std::min(left.size(), right.size());
    for (qsizetype i = 0; i < common; ++i) {
        if (const int order = m_collator.compare(left[i], right[i]))
            return order < 0;
    }
    if (left.size() != right.size())
        return left.size() < right.size();
    return a < b;
}

void KPNaturalOrder::sort(QStringList& paths, qsizetype from) const
{
    if (paths.size() - from < 2)
        return;
    // Folder names repeat in every path below them: one key per distinct component.
    QHash<QStringView, int> known;
    std::vector<QCollatorSortKey> keys;
    std::vector<std::vector<int>> components(size_t(paths.size() - from));
    for (qsizetype i = from; i < paths.size(); ++i) {
        std::vector<int>& parts = components[size_t(i - from)];
        for (const QStringView part : QStringView(paths[i]).split(QLatin1Char('/'))) {
            auto found = known.constFind(part);
            if (found == known.constEnd()) {
                found = known.insert(part, int(keys.size()));
                keys.push_back(m_collator.sortKey(part.toString()));
            }
            parts.push_back(found.value());
        }
    }
    std::vector<qsizetype> order(components.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](qsizetype x, qsizetype y) {
        const std::vector<int>& left = components[size_t(x)];
        const std::vector<int>& right = components[size_t(y)];
        const size_t common = std::min(left.size(), right.size());
        for (size_t i = 0; i < common; ++i) {
            if (left[i] == right[i])
                continue;
            if (const int byKey = keys[size_t(left[i])].compare(keys[size_t(right[i])]))
                return byKey < 0;
        }
        if (left.size() != right.size())
            return left.size() < right.size();
        return paths[from + x] < paths[from + y];
    });
    QStringList sorted;
    sorted.reserve(qsizetype(order.size()));
    for (const qsizetype index : order)
        sorted.append(paths[from + index]);
    std::move(sorted.begin(), sorted.end(), paths.begin() + from);
}
