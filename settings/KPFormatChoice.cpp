#include "settings/KPFormatChoice.h"

#include "settings/KPPathComboBoxAccessible.h"
#include "settings/KPSettings.h"
#include "ui/KPLocalization.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>

KPFormatChoice::KPFormatChoice(QWidget* parent)
    : QWidget(parent), m_captionLB(new QLabel(this)), m_formatCB(new QComboBox(this))
{
    // The formats' own names, the same in every language.
    for (const KPOutputFormat format : KPOutputFormats::All)
        m_formatCB->addItem(KPOutputFormats::title(format), int(format));
    m_captionLB->setBuddy(m_formatCB);
    // Named by its label for a screen reader, not by the format it shows.
    KPPathComboBoxAccessible::install();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_captionLB);
    layout->addWidget(m_formatCB);
    layout->addStretch(1);
}

void KPFormatChoice::refreshLanguage()
{
    m_captionLB->setText(KPLocalization::text("L_OutputFormatLabel"));
    m_formatCB->setAccessibleName(
        KPLocalization::asName(KPLocalization::text("L_OutputFormatLabel")));
}

void KPFormatChoice::load()
{
    setFormat(KPSettings::outputFormat());
}

void KPFormatChoice::store() const
{
    if (format() != KPSettings::outputFormat())
        KPSettings::setObject(KPSettingsKey::OutputFormat, KPOutputFormats::name(format()));
}

KPOutputFormat KPFormatChoice::format() const
{
    return KPOutputFormat(m_formatCB->currentData().toInt());
}

void KPFormatChoice::setFormat(KPOutputFormat format)
{
    m_formatCB->setCurrentIndex(std::max(0, m_formatCB->findData(int(format))));
}
