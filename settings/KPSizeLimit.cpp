#include "settings/KPSizeLimit.h"

#include "settings/KPSettings.h"

#include <algorithm>
#include <cmath>
#include <limits>

std::optional<quint64> KPSizeLimit::megabytesAsKilobytes(const QString& whole,
                                                         const QString& fraction)
{
    // Counted in whole numbers: no float rounds 0.3 MB to 299 KB.
    const auto digits = [](const QString& text) {
        return std::all_of(text.cbegin(), text.cend(),
                           [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
    };
    if (!digits(whole) || !digits(fraction) || whole.size() > 12)
        return std::nullopt;
    const quint64 megabytes = whole.isEmpty() ? 0 : whole.toULongLong();
    const QString thousandths = (fraction + QStringLiteral("000")).left(3);
    const quint64 kilobytes = megabytes * 1000 + thousandths.toULongLong();
    if (kilobytes == 0)
        return std::nullopt;
    return kilobytes;
}

quint64 KPSizeLimit::limitSize(const QString& number, int segment)
{
    if (number.isEmpty())
        return 0;
    quint64 multiplier = 0;
    if (segment == KB)
        multiplier = 1000;
    else if (segment == MB)
        multiplier = 1000000;
    else
        return 0;
    bool ok = false;
    const float value = number.toFloat(&ok);
    // A number too long for a float still means "more than any file".
    const bool digitsOnly = std::all_of(number.cbegin(), number.cend(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
    if ((!ok || !std::isfinite(value)) && digitsOnly &&
        number.count(QLatin1Char('0')) < number.size())
        return MaxLimit;
    if (!ok || !(value > 0.0f) || !std::isfinite(value))
        return 0;
    // Bytes beyond what 64 bits count saturate rather than wrap (and a float beyond the
    // range of the integer would be no number at all).
    if (double(value) >= 18446744073709551616.0 / double(multiplier))
        return MaxLimit;
    // Truncate toward zero, as an unsigned integer value of the float.
    const auto count = static_cast<quint64>(value);
    return count * multiplier;
}

QString KPSizeLimit::storedNumber()
{
    const std::optional<QString> stored = KPSettings::stringForKey(KPSettingsKey::LimitSize);
    if (!stored)
        return QStringLiteral("1");
    return stored->isEmpty() ? QStringLiteral("0") : *stored;
}

int KPSizeLimit::storedUnit()
{
    if (!KPSettings::contains(KPSettingsKey::LimitSizeUnit))
        return MB;
    return static_cast<int>(KPSettings::integerForKey(KPSettingsKey::LimitSizeUnit));
}

void KPSizeLimit::setNumber(const QString& number)
{
    QMutexLocker locker(&m_mutex);
    m_number = number;
}

void KPSizeLimit::setSegment(int segment)
{
    QMutexLocker locker(&m_mutex);
    m_segment = segment;
}

QString KPSizeLimit::number() const
{
    QMutexLocker locker(&m_mutex);
    return m_number;
}

int KPSizeLimit::segment() const
{
    QMutexLocker locker(&m_mutex);
    return m_segment;
}

quint64 KPSizeLimit::limitSize() const
{
    QMutexLocker locker(&m_mutex);
    return limitSize(m_number, m_segment);
}

void KPSizeLimit::saveLimitSize() const
{
    QMutexLocker locker(&m_mutex);
    KPSettings::setObject(KPSettingsKey::LimitSize, m_number);
    KPSettings::setInteger(KPSettingsKey::LimitSizeUnit, m_segment);
}
