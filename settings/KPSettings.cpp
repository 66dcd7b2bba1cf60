#include "settings/KPSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {
QSettings store()
{
    return QSettings(QStringLiteral("Pictaro"), QStringLiteral("Pictaro"));
}

// Values a store could not keep (a folder where its file belongs, a configuration
// folder that cannot be made, a file that cannot be written), by store file. They hold
// for the rest of the process, so the defaults and the user's changes still apply.
std::mutex keptMutex;
QHash<QString, QVariantHash> kept;

QVariant read(const QString& key, const QVariant& fallback = {})
{
    const QSettings settings = store();
    {
        std::lock_guard lock(keptMutex);
        const auto it = kept.constFind(settings.fileName());
        if (it != kept.cend() && it->contains(key))
            return it->value(key);
    }
    return settings.value(key, fallback);
}

void write(const QString& key, const QVariant& value)
{
    QSettings settings = store();
    settings.setValue(key, value);
    settings.sync();
    std::lock_guard lock(keptMutex);
    if (settings.status() == QSettings::NoError) {
        if (const auto it = kept.find(settings.fileName()); it != kept.end())
            it->remove(key);
    } else {
        kept[settings.fileName()].insert(key, value);
    }
}

// A value for this process alone, the store's file left as it is.
void keep(const QString& key, const QVariant& value)
{
    const QString file = store().fileName();
    std::lock_guard lock(keptMutex);
    kept[file].insert(key, value);
}

// Whether a stored value reads as what its key holds; one that does not (text where a
// number belongs, a number out of its range) counts as missing for the defaults.
bool readable(const QVariant& value, QMetaType::Type type, float low, float high)
{
    if (type == QMetaType::Bool) {
        const QString text = value.toString();
        return value.typeId() == QMetaType::Bool || text == QStringLiteral("true") ||
               text == QStringLiteral("false");
    }
    if (type == QMetaType::Int) {
        bool ok = false;
        const qlonglong number = value.toLongLong(&ok);
        return ok && float(number) >= low && float(number) <= high;
    }
    if (type == QMetaType::Float) {
        bool ok = false;
        const float number = value.toFloat(&ok);
        return ok && std::isfinite(number) && number >= low && number <= high;
    }
    return value.typeId() == type;
}
} // namespace

bool KPSettings::contains(const QString& key)
{
    return read(key).isValid() || store().contains(key);
}

QVariant KPSettings::objectForKey(const QString& key)
{
    return read(key);
}

bool KPSettings::boolForKey(const QString& key)
{
    return read(key, false).toBool();
}

float KPSettings::floatForKey(const QString& key)
{
    return read(key, 0.0f).toFloat();
}

qint64 KPSettings::integerForKey(const QString& key)
{
    // A stored float reads as its integer part, truncated toward zero, whether it comes
    // from the file (as text) or was set in this process (Qt's own conversion of a
    // floating-point value rounds); one beyond 64 bits reads as 0.
    const auto truncated = [](double number) {
        return std::isfinite(number) && std::abs(number) < 9.2e18 ? static_cast<qint64>(number)
                                                                  : qint64(0);
    };
    const QVariant value = read(key);
    bool ok = false;
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        const double asDouble = value.toDouble(&ok);
        return ok ? truncated(asDouble) : 0;
    }
    const qint64 asInteger = value.toLongLong(&ok);
    if (ok)
        return asInteger;
    const double asDouble = value.toDouble(&ok);
    return ok ? truncated(asDouble) : 0;
}

std::optional<QString> KPSettings::stringForKey(const QString& key)
{
    const QVariant value = read(key);
    if (!value.isValid())
        return std::nullopt;
    return value.toString();
}

std::optional<QStringList> KPSettings::arrayForKey(const QString& key)
{
    const QVariant value = read(key);
    if (!value.isValid())
        return std::nullopt;
    // The INI backing cannot tell a one-entry list from a string; both read as a list.
    if (value.canConvert<QStringList>())
        return value.toStringList();
    return std::nullopt;
}

KPOutputFormat KPSettings::outputFormat()
{
    return KPOutputFormats::fromStored(objectForKey(KPSettingsKey::OutputFormat));
}

KPMetadataPolicy KPSettings::metadataPolicy()
{
    return KPMetadataPolicies::fromStored(read(KPSettingsKey::MetadataPolicy));
}

void KPSettings::setBool(const QString& key, bool value)
{
    write(key, value);
}

void KPSettings::setFloat(const QString& key, float value)
{
    write(key, value);
}

void KPSettings::setInteger(const QString& key, qint64 value)
{
    write(key, value);
}

void KPSettings::setObject(const QString& key, const QVariant& value)
{
    write(key, value);
}

const QList<KPSettingDefault>& KPSettings::defaults()
{
    // Each value keeps the C++ type its key has always been written with (a float, not a
    // double, for the numbers), so that the stores written so far read as they did.
    static const QList<KPSettingDefault> table = {
        {KPSettingsKey::EnableConvertScale, QMetaType::Bool, true},
        {KPSettingsKey::LimitWidth, QMetaType::Float, 320.0f, 0.0f},
        {KPSettingsKey::LimitHeight, QMetaType::Float, 240.0f, 0.0f},
        {KPSettingsKey::CompressionFactor, QMetaType::Float, 0.6f, 0.0f, 1.0f},
        {KPSettingsKey::ExportPath, QMetaType::QString, QStringLiteral("~/Pictures")},
        {KPSettingsKey::EnableLargestBox, QMetaType::Bool, false},
        {KPSettingsKey::LargestWidth, QMetaType::Int, 1920, 1.0f},
        {KPSettingsKey::LargestHeight, QMetaType::Int, 1920, 1.0f},
        {KPSettingsKey::KeepFolders, QMetaType::Bool, false},
        {KPSettingsKey::KeepDates, QMetaType::Bool, false},
        {KPSettingsKey::LimitAppliesTo, QMetaType::Int, 0, 0.0f, 1.0f},
    };
    return table;
}

QVariant KPSettings::defaultValue(const QString& key)
{
    for (const KPSettingDefault& entry : defaults()) {
        if (entry.key == key)
            return entry.value;
    }
    return {};
}

void KPSettings::fillDefaults(void (*put)(const QString&, const QVariant&))
{
    for (const KPSettingDefault& entry : defaults()) {
        const QVariant value = read(entry.key);
        if (!value.isValid() || !readable(value, entry.type, entry.low, entry.high))
            put(entry.key, entry.value);
    }
}

void KPSettings::checkDefaultSetting()
{
    fillDefaults(write);
}

void KPSettings::assumeDefaultSetting()
{
    fillDefaults(keep);
}

QString KPSettings::chooserFolder(const QString& key)
{
    if (const std::optional<QString> stored = stringForKey(key); stored && !stored->isEmpty()) {
        // A folder removed since, or on a disk no longer mounted: as near to it as there is.
        QString folder = QDir::cleanPath(QDir(*stored).absolutePath());
        while (!QFileInfo(folder).isDir()) {
            const QString parent = QFileInfo(folder).path();
            if (parent == folder)
                break;
            folder = parent;
        }
        if (QFileInfo(folder).isDir() && !QDir(folder).isRoot())
            return folder;
    }
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
}

int KPSettings::parallelJobs()
{
    return int(std::clamp<qint64>(integerForKey(KPSettingsKey::ParallelJobs), 1, MaxParallelJobs));
}

QSize KPSettings::largestBox()
{
    if (!boolForKey(KPSettingsKey::EnableLargestBox))
        return {};
    const auto side = [](const QString& key) {
        return int(std::clamp<qint64>(integerForKey(key), 1, std::numeric_limits<int>::max()));
    };
    return {side(KPSettingsKey::LargestWidth), side(KPSettingsKey::LargestHeight)};
}
