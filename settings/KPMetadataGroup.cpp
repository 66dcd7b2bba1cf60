#include "settings/KPMetadataGroup.h"

#include "settings/KPSettings.h"
#include "ui/KPLocalization.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

KPMetadataGroup::KPMetadataGroup(QWidget* parent)
    : QWidget(parent), m_captionLB(new QLabel(this)), m_keepAllBT(new QRadioButton(this)),
      m_noLocationBT(new QRadioButton(this)), m_removeAllBT(new QRadioButton(this)),
      m_hintLB(new QLabel(this)), m_choices(new QButtonGroup(this))
{
    QFont font = m_captionLB->font();
    font.setBold(true);
    m_captionLB->setFont(font);
    // Quieter than the choices, as the panel's other hints.
    m_hintLB->setWordWrap(true);
    QFont hint = m_hintLB->font();
    if (hint.pointSizeF() > 0)
        hint.setPointSizeF(hint.pointSizeF() * 0.9);
    m_hintLB->setFont(hint);
    m_hintLB->setForegroundRole(QPalette::PlaceholderText);

    m_choices->addButton(m_keepAllBT, int(KPMetadataPolicy::KeepAll));
    m_choices->addButton(m_noLocationBT, int(KPMetadataPolicy::KeepAllButLocation));
    m_choices->addButton(m_removeAllBT, int(KPMetadataPolicy::RemoveAll));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_captionLB);
    layout->addWidget(m_keepAllBT);
    layout->addWidget(m_noLocationBT);
    layout->addWidget(m_removeAllBT);
    layout->addWidget(m_hintLB);
    setPolicy(KPMetadataPolicies::Default);
}

void KPMetadataGroup::refreshLanguage()
{
    m_captionLB->setText(KPLocalization::text("L_MetadataLabel"));
    m_keepAllBT->setText(KPLocalization::text("L_MetadataKeepAll"));
    m_noLocationBT->setText(KPLocalization::text("L_MetadataNoLocation"));
    m_removeAllBT->setText(KPLocalization::text("L_MetadataRemoveAll"));
    m_hintLB->setText(KPLocalization::text("L_MetadataHint"));
}

void KPMetadataGroup::load()
{
    setPolicy(KPSettings::metadataPolicy());
}

void KPMetadataGroup::store() const
{
    KPSettings::setInteger(KPSettingsKey::MetadataPolicy, int(policy()));
}

KPMetadataPolicy KPMetadataGroup::policy() const
{
    return KPMetadataPolicies::fromStored(m_choices->checkedId());
}

void KPMetadataGroup::setPolicy(KPMetadataPolicy policy)
{
    button(policy)->setChecked(true);
}

QRadioButton* KPMetadataGroup::button(KPMetadataPolicy policy) const
{
    switch (policy) {
    case KPMetadataPolicy::KeepAll:
        return m_keepAllBT;
    case KPMetadataPolicy::RemoveAll:
        return m_removeAllBT;
    case KPMetadataPolicy::KeepAllButLocation:
        break;
    }
    return m_noLocationBT;
}
