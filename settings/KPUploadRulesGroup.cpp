#include "settings/KPUploadRulesGroup.h"

#include "settings/KPNumberTextField.h"
#include "settings/KPSettings.h"
#include "ui/KPInlineMessage.h"
#include "ui/KPLocalization.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <QStyle>

#include <algorithm>

namespace {
QLabel* hintLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    QFont font = label->font();
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * 0.9);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

// A hint under a check box starts where the box's text starts, so it reads as part of it.
QLayout* indented(QWidget* parent, QLabel* hint)
{
    auto* row = new QHBoxLayout;
    row->addSpacing(parent->style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                    parent->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing));
    row->addWidget(hint, 1);
    return row;
}
} // namespace

KPUploadRulesGroup::KPUploadRulesGroup(QWidget* parent)
    : QWidget(parent), m_largestCB(new QCheckBox(this)), m_widthTF(new KPNumberTextField(this)),
      m_timesLB(new QLabel(QStringLiteral("x"), this)), m_heightTF(new KPNumberTextField(this)),
      m_unitLB(new QLabel(this)), m_problem(new KPInlineMessage(this)), m_hintLB(hintLabel(this)),
      m_keepFoldersCB(new QCheckBox(this)), m_keepFoldersHintLB(hintLabel(this)),
      m_keepDatesCB(new QCheckBox(this)), m_keepDatesHintLB(hintLabel(this))
{
    m_widthTF->setMaximumWidth(90);
    m_heightTF->setMaximumWidth(90);

    auto* box = new QHBoxLayout;
    box->addWidget(m_largestCB);
    box->addWidget(m_widthTF);
    box->addWidget(m_timesLB);
    box->addWidget(m_heightTF);
    box->addWidget(m_unitLB);
    box->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(box);
    layout->addWidget(m_problem);
    layout->addLayout(indented(this, m_hintLB));
    layout->addWidget(m_keepFoldersCB);
    layout->addLayout(indented(this, m_keepFoldersHintLB));
    layout->addWidget(m_keepDatesCB);
    layout->addLayout(indented(this, m_keepDatesHintLB));

    const auto edited = [this] {
        m_problem->clearMessage();
        KPInlineMessage::markField(m_widthTF, false);
        KPInlineMessage::markField(m_heightTF, false);
    };
    connect(m_largestCB, &QCheckBox::toggled, this, [this, edited](bool on) {
        m_widthTF->setEnabled(on);
        m_heightTF->setEnabled(on);
        edited();
    });
    connect(m_widthTF, &QLineEdit::textChanged, this, edited);
    connect(m_heightTF, &QLineEdit::textChanged, this, edited);
}

void KPUploadRulesGroup::refreshLanguage()
{
    m_largestCB->setText(KPLocalization::text("L_LargestBox"));
    m_unitLB->setText(KPLocalization::text("L_UnitPx"));
    m_widthTF->setAccessibleName(KPLocalization::text("L_LargestWidth"));
    m_heightTF->setAccessibleName(KPLocalization::text("L_LargestHeight"));
    m_hintLB->setText(KPLocalization::text("L_LargestBoxHint"));
    m_keepFoldersCB->setText(KPLocalization::text("L_KeepFolders"));
    m_keepFoldersHintLB->setText(KPLocalization::text("L_KeepFoldersHint"));
    m_keepFoldersCB->setAccessibleDescription(m_keepFoldersHintLB->text());
    m_keepDatesCB->setText(KPLocalization::text("L_KeepDates"));
    m_keepDatesHintLB->setText(KPLocalization::text("L_KeepDatesHint"));
    m_keepDatesCB->setAccessibleDescription(m_keepDatesHintLB->text());
}

void KPUploadRulesGroup::load()
{
    const auto side = [](const QString& key) {
        const QVariant stored = KPSettings::objectForKey(key);
        return QString::number(stored.isValid() ? KPSettings::integerForKey(key)
                                                : KPSettings::defaultValue(key).toLongLong());
    };
    m_largestCB->setChecked(KPSettings::boolForKey(KPSettingsKey::EnableLargestBox));
    m_widthTF->initNumberTextField(side(KPSettingsKey::LargestWidth));
    m_heightTF->initNumberTextField(side(KPSettingsKey::LargestHeight));
    m_widthTF->setEnabled(m_largestCB->isChecked());
    m_heightTF->setEnabled(m_largestCB->isChecked());
    m_keepFoldersCB->setChecked(KPSettings::boolForKey(KPSettingsKey::KeepFolders));
    m_keepDatesCB->setChecked(KPSettings::boolForKey(KPSettingsKey::KeepDates));
    m_problem->clearMessage();
}

QSize KPUploadRulesGroup::largest() const
{
    return {m_widthTF->text().toInt(), m_heightTF->text().toInt()};
}

bool KPUploadRulesGroup::holds(QSize smallest)
{
    if (!m_largestCB->isChecked())
        return true;
    const QSize box = largest();
    const bool narrow = box.width() < std::max(1, smallest.width());
    const bool low = box.height() < std::max(1, smallest.height());
    if (!narrow && !low)
        return true;
    m_problem->showMessage(KPLocalization::text("L_LargestBelowSmallest")
                               .arg(smallest.width())
                               .arg(smallest.height()));
    KPInlineMessage::markField(m_widthTF, narrow);
    KPInlineMessage::markField(m_heightTF, low);
    (narrow ? m_widthTF : m_heightTF)->setFocus();
    return false;
}

void KPUploadRulesGroup::store() const
{
    KPSettings::setBool(KPSettingsKey::EnableLargestBox, m_largestCB->isChecked());
    KPSettings::setInteger(KPSettingsKey::LargestWidth, largest().width());
    KPSettings::setInteger(KPSettingsKey::LargestHeight, largest().height());
    KPSettings::setBool(KPSettingsKey::KeepFolders, m_keepFoldersCB->isChecked());
    KPSettings::setBool(KPSettingsKey::KeepDates, m_keepDatesCB->isChecked());
}
