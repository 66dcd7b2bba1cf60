#include "settings/KPSettings.h"

#include <QSettings>

namespace {
QSettings store()
{
    return QSettings(QStringLiteral("Pictaro"), QStringLiteral("Pictaro"));
}
} // namespace

bool KPSettings::contains(const QString& key)
{
    return store().contains(key);
}

QVariant KPSettings::objectForKey(const QString& key)
{
    return store().value(key);
}

bool KPSettings::boolForKey(const QString& key)
{
    return store().value(key, false).toBool();
}

float KPSettings::floatForKey(const QString& key)
{
    return store().value(key, 0.0f).toFloat();
}

qint64 KPSettings::integerForKey(const QString& key)
{
    // A stored float reads as its integer part, truncated toward zero.
    const QVariant value = store().value(key);
    bool ok = false;
    const qint64 asInteger = value.toLongLong(&ok);
    if (ok)
        return asInteger;
    const double asDouble = value.toDouble(&ok);
    return ok ? static_cast<qint64>(asDouble) : 0;
}

std::optional<QString> KPSettings::stringForKey(const QString& key)
{
    const QVariant value = store().value(key);
    if (!value.isValid())
        return std::nullopt;
    return value.toString();
}

std::optional<QStringList> KPSettings::arrayForKey(const QString& key)
{
    const QVariant value = store().value(key);
    if (!value.isValid())
        return std::nullopt;
    // The INI backing cannot tell a one-entry list from a string; both read as a list.
    if (value.canConvert<QStringList>())
        return value.toStringList();
    return std::nullopt;
}

void KPSettings::setBool(const QString& key, bool value)
{
    store().setValue(key, value);
}

void KPSettings::setFloat(const QString& key, float value)
{
    store().setValue(key, value);
}

void KPSettings::setInteger(const QString& key, qint64 value)
{
    store().setValue(key, value);
}

void KPSettings::setObject(const QString& key, const QVariant& value)
{
    store().setValue(key, value);
}

void KPSettings::synchronize()
{
    store().sync();
}

void KPSettings::checkDefaultSetting()
{
    QSettings settings = store();
    if (!settings.contains(KPSettingsKey::EnableConvertScale))
        settings.setValue(KPSettingsKey::EnableConvertScale, true);
    if (!settings.contains(KPSettingsKey::LimitWidth))
        settings.setValue(KPSettingsKey::LimitWidth, DefaultLimitWidth);
    if (!settings.contains(KPSettingsKey::LimitHeight))
        settings.setValue(KPSettingsKey::LimitHeight, DefaultLimitHeight);
    if (!settings.contains(KPSettingsKey::CompressionFactor))
        settings.setValue(KPSettingsKey::CompressionFactor, DefaultCompressionFactor);
    if (!settings.contains(KPSettingsKey::ExportPath))
        settings.setValue(KPSettingsKey::ExportPath, defaultExportPath());
    settings.sync();
}
