#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

// The format a run writes its outputs in. Stored in the preferences by name ("jpeg",
// "webp", "avif"); anything else, or nothing, reads as JPEG.
enum class KPOutputFormat
{
    Jpeg,
    WebP,
    Avif,
};

namespace KPOutputFormats {
inline constexpr KPOutputFormat Default = KPOutputFormat::Jpeg;
inline constexpr KPOutputFormat All[] = {KPOutputFormat::Jpeg, KPOutputFormat::WebP,
                                         KPOutputFormat::Avif};

// The name the preferences store and the terminal's --format take.
inline QString name(KPOutputFormat format)
{
    switch (format) {
    case KPOutputFormat::Jpeg:
        break;
    case KPOutputFormat::WebP:
        return QStringLiteral("webp");
    case KPOutputFormat::Avif:
        return QStringLiteral("avif");
    }
    return QStringLiteral("jpeg");
}

// The extension of its outputs: "jpg", "webp", "avif".
inline QString extension(KPOutputFormat format)
{
    return format == KPOutputFormat::Jpeg ? QStringLiteral("jpg") : name(format);
}

// The name people know it by, for the views: "JPEG", "WebP", "AVIF".
inline QString title(KPOutputFormat format)
{
    switch (format) {
    case KPOutputFormat::Jpeg:
        break;
    case KPOutputFormat::WebP:
        return QStringLiteral("WebP");
    case KPOutputFormat::Avif:
        return QStringLiteral("AVIF");
    }
    return QStringLiteral("JPEG");
}

inline std::optional<KPOutputFormat> fromName(const QString& text)
{
    for (const KPOutputFormat format : All) {
        if (text == name(format))
            return format;
    }
    return std::nullopt;
}

inline KPOutputFormat fromStored(const QVariant& value)
{
    return fromName(value.toString()).value_or(Default);
}

// What a file holds, by its first bytes: a JPEG, a WebP or an AVIF; nothing for any other.
inline std::optional<KPOutputFormat> ofBytes(const QByteArray& bytes)
{
    if (bytes.startsWith("\xff\xd8\xff"))
        return KPOutputFormat::Jpeg;
    if (bytes.size() >= 16 && bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP")
        return KPOutputFormat::WebP;
    // An ISO media file whose major brand is a still AVIF picture.
    if (bytes.size() >= 12 && bytes.mid(4, 4) == "ftyp" && bytes.mid(8, 4) == "avif")
        return KPOutputFormat::Avif;
    return std::nullopt;
}
} // namespace KPOutputFormats
