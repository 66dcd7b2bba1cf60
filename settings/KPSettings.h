#pragma once

#include "engine/KPMetadataPolicy.h"
#include "engine/KPOutputFormat.h"

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <limits>
#include <optional>

// Keys of the preferences store.
namespace KPSettingsKey {
inline const QString EnableConvertScale = QStringLiteral("EnableConvertScale"); // bool
inline const QString LimitWidth = QStringLiteral("LimitWidth");                 // float
inline const QString LimitHeight = QStringLiteral("LimitHeight");               // float
inline const QString CompressionFactor = QStringLiteral("CompressionFactor");   // float 0..1
inline const QString ExportPath = QStringLiteral("ExportPath");                 // string
inline const QString CurrentExportPath = QStringLiteral("CurrentExportPath");   // string
inline const QString PathList = QStringLiteral("PathList");                     // string list
inline const QString LimitSize = QStringLiteral("LimitSize");                   // digits
inline const QString LimitSizeUnit = QStringLiteral("LimitSizeUnit");           // 0 KB, 1 MB
// Fit each picture by one encoding at the best quality that fits, instead of the
// stepwise descent. Absent (as in every store written before it existed) reads false.
inline const QString BestQualityFit = QStringLiteral("BestQualityFit"); // bool
// How many pictures a run converts at once, 1 to KPSettings::MaxParallelJobs. Absent (and
// never written by the defaults) reads as 1: one picture after the other.
inline const QString ParallelJobs = QStringLiteral("ParallelJobs"); // integer
// What outputs keep of their sources' metadata: 0 all, 1 all but the location, 2 none
// (KPMetadataPolicy). Absent or any other value reads 1; the defaults do not write it.
inline const QString MetadataPolicy = QStringLiteral("MetadataPolicy"); // integer
// The format outputs are written in: "jpeg", "webp" or "avif" (KPOutputFormat). Absent or
// any other value reads JPEG; the defaults do not write it.
inline const QString OutputFormat = QStringLiteral("OutputFormat"); // string
// The folder each file chooser showed when it was last accepted: Add Files, Add Folder and
// the export folder's Browse. Absent at first, when they start in the Pictures folder
// (KPSettings::chooserFolder()); the defaults do not write them.
inline const QString AddFilesFolder = QStringLiteral("AddFilesFolder");   // string
inline const QString AddFolderFolder = QStringLiteral("AddFolderFolder"); // string
inline const QString BrowseFolder = QStringLiteral("BrowseFolder");       // string
// The rules of upload forms and mail: a largest box no output exceeds (its sides follow the
// picture's orientation, as the smallest box's do), the scanned folders' tree kept in the
// export folder, the sources' dates kept, and the limit for each picture (0) or for the
// whole set together (1).
inline const QString EnableLargestBox = QStringLiteral("EnableLargestBox"); // bool
inline const QString LargestWidth = QStringLiteral("LargestWidth");         // integer
inline const QString LargestHeight = QStringLiteral("LargestHeight");       // integer
inline const QString KeepFolders = QStringLiteral("KeepFolders");           // bool
inline const QString KeepDates = QStringLiteral("KeepDates");               // bool
inline const QString LimitAppliesTo = QStringLiteral("LimitAppliesTo");     // 0 each, 1 all
} // namespace KPSettingsKey

// A value the start-up writes when its key is absent or holds what does not read as its
// type, and that readers fall back to where they show a setting the store lacks.
struct KPSettingDefault
{
    QString key;
    QMetaType::Type type; // what the value is stored as: Bool, Int, Float or QString
    QVariant value;
    // The range a stored number must lie in to be kept.
    float low = -std::numeric_limits<float>::infinity();
    float high = std::numeric_limits<float>::infinity();
};

// The user's preferences store (organisation and application "Pictaro"), with the
// typed reads and fallbacks its readers rely on. Every call opens its own QSettings,
// which Qt keeps coherent across threads, so the store may be used from the GUI
// thread and a run's worker at once; each key is read or written as a whole. A value
// the store cannot keep (its file cannot be written or made) holds in this process.
class KPSettings
{
public:
    KPSettings() = delete;

    static bool contains(const QString& key);
    static QVariant objectForKey(const QString& key); // invalid when absent

    static bool boolForKey(const QString& key);      // false when absent
    static float floatForKey(const QString& key);    // 0.0 when absent
    static qint64 integerForKey(const QString& key); // 0 when absent
    static std::optional<QString> stringForKey(const QString& key);
    static std::optional<QStringList> arrayForKey(const QString& key);
    static KPMetadataPolicy metadataPolicy();
    static KPOutputFormat outputFormat();

    static void setBool(const QString& key, bool value);
    static void setFloat(const QString& key, float value);
    static void setInteger(const QString& key, qint64 value);
    static void setObject(const QString& key, const QVariant& value);

    // Fills in every missing default, and replaces a stored value that does not read as
    // its kind (text for a number, a quality floor outside 0 to 1); flushes.
    static void checkDefaultSetting();
    // Reads from now on as checkDefaultSetting() would leave the store, without writing
    // it: the defaults it would store hold in this process alone. The terminal reads the
    // window's preferences and leaves them as they are.
    static void assumeDefaultSetting();

    // The defaults, in the order the start-up writes them. The number of pictures at once
    // and the metadata choice are not among them: a store without them reads their
    // fallbacks (parallelJobs(), metadataPolicy()) and stays without them.
    static const QList<KPSettingDefault>& defaults();
    // The default of a key; invalid when it has none.
    static QVariant defaultValue(const QString& key);
    static QString defaultExportPath()
    {
        return defaultValue(KPSettingsKey::ExportPath).toString();
    }

    // Where a file chooser starts: the folder stored under its key, or the nearest folder
    // above it that still exists; at first the user's Pictures folder, or home without one.
    static QString chooserFolder(const QString& key);

    static constexpr int MaxParallelJobs = 16;
    // The stored number of pictures converted at once, kept within 1 to MaxParallelJobs.
    static int parallelJobs();
    // The largest box when it is on, its sides at least 1; an empty size when it is off.
    static QSize largestBox();

private:
    // Hands `put` each default whose key is missing or holds what does not read as it.
    static void fillDefaults(void (*put)(const QString&, const QVariant&));
};
