#include "list/KPStringTools.h"

#include <algorithm>
#include <cmath>
#include <iterator>

QString KPStringTools::sizeSwitch(float bytes)
{
    // Every test is "strictly greater than", so 1000 bytes stay "1000.0B"; the
    // quotients are taken in single precision like the byte count itself.
    if (!(bytes > 0.0f))
        return QString::asprintf("%u", 0u);
    float q = bytes / 1000000000.0f;
    if (q > 1.0f)
        return QString::asprintf("%.1fGB", double(q));
    q = bytes / 1000000.0f;
    if (q > 1.0f)
        return QString::asprintf("%.1fMB", double(q));
    q = bytes / 1000.0f;
    if (q > 1.0f)
        return QString::asprintf("%.1fKB", double(q));
    return QString::asprintf("%.1fB", double(bytes));
}

QString KPStringTools::limitText(quint64 bytes)
{
    if (bytes > 0 && bytes % 1000000 == 0)
        return QStringLiteral("%1 MB").arg(bytes / 1000000);
    if (bytes > 0 && bytes % 1000 == 0)
        return QStringLiteral("%1 KB").arg(bytes / 1000);
    return QStringLiteral("%1 bytes").arg(bytes);
}

QString KPStringTools::shortSize(quint64 bytes, const QLocale& locale)
{
    static const char* const units[] = {"B", "KB", "MB", "GB", "TB"};
    double value = double(bytes);
    size_t unit = 0;
    // Rounding may carry into the next unit: 999.96 KB is "1.0 MB", not "1000 KB".
    while (unit + 1 < std::size(units) && std::round(value) >= 1000.0) {
        value /= 1000.0;
        ++unit;
    }
    const bool decimal = unit > 0 && std::round(value * 10.0) < 100.0;
    const QString number =
        decimal ? locale.toString(value, 'f', 1) : locale.toString(qulonglong(std::llround(value)));
    return number + QLatin1Char(' ') + QLatin1String(units[unit]);
}

int KPStringTools::savingPercent(quint64 source, quint64 output)
{
    if (source == 0 || output >= source)
        return 0;
    const auto percent = int(std::lround(100.0 * double(source - output) / double(source)));
    return output > 0 ? std::min(percent, 99) : percent;
}

namespace {
QString withFormat(const QString& size, const QString& format)
{
    return format.isEmpty() ? size : size + QLatin1Char(' ') + format;
}
} // namespace

QString KPStringTools::savingText(quint64 source, quint64 output, const QLocale& locale,
                                  const QString& format)
{
    const QString from = sizeSwitch(float(source));
    const QString to = withFormat(sizeSwitch(float(output)), format);
    const int saving = savingPercent(source, output);
    if (saving == 0) // encoded, and no smaller than its source: the sizes alone
        return QStringLiteral("%1 \u2192 %2").arg(from, to);
    return qtTrId("L_ResultSaving").arg(from, to, locale.toString(saving));
}

QString KPStringTools::keptText(quint64 output, const QString& format)
{
    return qtTrId("L_ResultKept").arg(withFormat(sizeSwitch(float(output)), format));
}

QString KPStringTools::capitalised(const QString& text)
{
    if (text.isEmpty())
        return text;
    return text.left(1).toUpper() + text.mid(1);
}

std::optional<QString> KPStringTools::getStrToIdxByBackward(const QString& text,
                                                            const QString& find)
{
    if (find.isEmpty())
        return std::nullopt;
    const qsizetype at = text.lastIndexOf(find, -1, Qt::CaseInsensitive);
    if (at < 0)
        return std::nullopt;
    return text.left(at);
}

std::optional<QString> KPStringTools::getStrFromIdxByBackward(const QString& text,
                                                              const QString& find)
{
    if (find.isEmpty())
        return std::nullopt;
    const qsizetype at = text.lastIndexOf(find, -1, Qt::CaseInsensitive);
    if (at < 0)
        return std::nullopt;
    return text.mid(at + find.size());
}
