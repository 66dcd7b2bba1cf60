#include "settings/KPSizeLimit.h"

#include "settings/KPSettings.h"

#include <cmath>

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
    if (!ok || !(value > 0.0f) || !std::isfinite(value))
        return 0;
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

void KPSizeLimit::restore()
{
    const int unit = storedUnit();
    const QString number = storedNumber();
    QMutexLocker locker(&m_mutex);
    m_segment = unit;
    m_number = number;
}
