#pragma once

#include <QString>
#include <QVariant>

#include <optional>

// What an output keeps of its source's metadata (EXIF, XMP, IPTC). The numbers are
// stored in the preferences as they stand.
enum class KPMetadataPolicy : int
{
    KeepAll = 0,
    KeepAllButLocation = 1, // no location (positions, place names), maker notes or serial numbers
    RemoveAll = 2,
};

namespace KPMetadataPolicies {
// Every stored value that is not one of the three (absent, text, out of range) reads as
// the default, the one that keeps a photo's details but not where it was taken.
inline constexpr KPMetadataPolicy Default = KPMetadataPolicy::KeepAllButLocation;

inline KPMetadataPolicy fromStored(const QVariant& value)
{
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!ok || number < int(KPMetadataPolicy::KeepAll) || number > int(KPMetadataPolicy::RemoveAll))
        return Default;
    return KPMetadataPolicy(number);
}

// The names the terminal and pictaro-metadata use: keep, no-location, strip.
inline QString name(KPMetadataPolicy policy)
{
    switch (policy) {
    case KPMetadataPolicy::KeepAll:
        return QStringLiteral("keep");
    case KPMetadataPolicy::KeepAllButLocation:
        return QStringLiteral("no-location");
    case KPMetadataPolicy::RemoveAll:
        return QStringLiteral("strip");
    }
    return {};
}

inline std::optional<KPMetadataPolicy> fromName(const QString& text)
{
    for (KPMetadataPolicy policy : {KPMetadataPolicy::KeepAll, KPMetadataPolicy::KeepAllButLocation,
                                    KPMetadataPolicy::RemoveAll}) {
        if (text == name(policy))
            return policy;
    }
    return std::nullopt;
}
} // namespace KPMetadataPolicies
