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
