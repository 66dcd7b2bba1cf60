#include "engine/KPFitSettings.h"

KPFitSettings::KPFitSettings(KPFitOptions options, KPFitPreferences preferences)
    : m_options(options), m_preferences(std::move(preferences))
{}

bool KPFitSettings::scalingAllowed() const
{
    return m_options.enableConvertScale.value_or(m_preferences.enableConvertScale());
}

bool KPFitSettings::bestQuality() const
{
    return m_options.bestQuality.value_or(m_preferences.bestQuality());
}

float KPFitSettings::qualityFloor() const
{
    return m_options.compressionFactor.value_or(m_preferences.compressionFactor());
}

KPMetadataPolicy KPFitSettings::metadataPolicy() const
{
    return m_options.metadataPolicy.value_or(m_preferences.metadataPolicy());
}

KPOutputFormat KPFitSettings::outputFormat() const
{
    if (m_options.outputFormat)
        return *m_options.outputFormat;
    return m_preferences.outputFormat ? m_preferences.outputFormat() : KPOutputFormats::Default;
}

KPFitSettings::Box KPFitSettings::smallestBox() const
{
    Box box;
    box.height = m_options.limitHeight.value_or(m_preferences.limitHeight());
    box.width = m_options.limitWidth.value_or(m_preferences.limitWidth());
    return box;
}

namespace {
// A preference left unset reads as off.
template <typename T, typename F> T asked(const std::optional<T>& option, const F& preference)
{
    if (option)
        return *option;
    return preference ? preference() : T{};
}
} // namespace

std::optional<QSize> KPFitSettings::largestBox() const
{
    const QSize box = asked(m_options.largestBox, m_preferences.largestBox);
    if (box.isEmpty())
        return std::nullopt;
    return box;
}

bool KPFitSettings::keepFolders() const
{
    return asked(m_options.keepFolders, m_preferences.keepFolders);
}

bool KPFitSettings::keepDates() const
{
    return asked(m_options.keepDates, m_preferences.keepDates);
}

bool KPFitSettings::limitForSet() const
{
    return asked(m_options.limitForSet, m_preferences.limitForSet);
}
