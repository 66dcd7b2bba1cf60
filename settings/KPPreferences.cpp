#include "settings/KPPreferences.h"

#include "engine/KPQuality.h"
#include "settings/KPFormatChoice.h"
#include "settings/KPMetadataGroup.h"
#include "settings/KPNumberTextField.h"
#include "settings/KPSettings.h"
#include "settings/KPUploadRulesGroup.h"
#include "ui/KPLocalization.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
// A box side as the field shows it: 320, not 320.0.
QString sideText(float value)
{
    return QString::number(double(value), 'g', 10);
}

// A stored box side as the field shows it, or its default when absent or negative.
QString boxSide(const QString& key)
{
    const QString fallback = sideText(KPSettings::defaultValue(key).toFloat());
    if (!KPSettings::contains(key))
        return fallback;
    const float value = KPSettings::floatForKey(key);
    const auto whole = static_cast<qint64>(value); // truncated toward zero
    if (whole < 0 || std::isnan(value))
        return fallback;
    return sideText(value);
}

QLabel* boldLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

// A line that explains the control above it, quieter than the control so the panel
// still reads as a list of settings.
QLabel* hintLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    QFont font = label->font();
    if (font.pointSizeF() > 0) // a font sized in pixels has no point size to shrink
        font.setPointSizeF(font.pointSizeF() * 0.9);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}
} // namespace

KPPreferences::KPPreferences(QWidget* parent)
    : QDialog(parent), m_imageQualityLB(boldLabel(this)), m_imageScaleLB(boldLabel(this)),
      m_widthLB(new QLabel(this)), m_highLB(new QLabel(this)), m_poorLB(new QLabel(this)),
      m_goodLB(new QLabel(this)), m_widthUnitLB(new QLabel(this)), m_highUnitLB(new QLabel(this)),
      m_qualityPercentLB(new QLabel(this)), m_bestQualityHintLB(hintLabel(this)),
      m_parallelJobsLB(new QLabel(this)), m_parallelJobsHintLB(hintLabel(this)),
      m_widthTF(new KPNumberTextField(this)), m_highTF(new KPNumberTextField(this)),
      m_qualitySlider(new QSlider(Qt::Horizontal, this)), m_scaleCB(new QCheckBox(this)),
      m_bestQualityCB(new QCheckBox(this)), m_parallelJobsSB(new QSpinBox(this)),
      m_cancelBT(new QPushButton(this)), m_okBT(new QPushButton(this)),
      m_metadataGroup(new KPMetadataGroup(this)), m_formatChoice(new KPFormatChoice(this)),
      m_uploadRulesGroup(new KPUploadRulesGroup(this))
{
    setModal(false);
    setMinimumWidth(440);
    configureControls();
    layOut();
    connectControls();
}

void KPPreferences::configureControls()
{
    m_qualitySlider->setRange(KPQuality::MinPercent, KPQuality::MaxPercent);
    m_qualitySlider->setPageStep(5);
    m_qualitySlider->setTickPosition(QSlider::TicksBelow);
    m_qualitySlider->setTickInterval(10);
    m_qualityPercentLB->setMinimumWidth(
        m_qualityPercentLB->fontMetrics().horizontalAdvance(QStringLiteral("100 %")));
    m_qualityPercentLB->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_widthTF->setMaximumWidth(90);
    m_highTF->setMaximumWidth(90);
    m_imageQualityLB->setBuddy(m_qualitySlider);
    m_widthLB->setBuddy(m_widthTF);
    m_highLB->setBuddy(m_highTF);
    m_parallelJobsSB->setRange(1, KPSettings::MaxParallelJobs);
    m_parallelJobsLB->setBuddy(m_parallelJobsSB);
}

QLayout* KPPreferences::qualityRows()
{
    auto* quality = new QGridLayout;
    quality->addWidget(m_qualitySlider, 0, 0, 1, 2);
    quality->addWidget(m_qualityPercentLB, 0, 2);
    auto* percentSign = new QLabel(QStringLiteral("%"), this);
    quality->addWidget(percentSign, 0, 3);
    quality->addWidget(m_poorLB, 1, 0, Qt::AlignLeft);
    quality->addWidget(m_goodLB, 1, 1, Qt::AlignRight);
    quality->setColumnStretch(0, 1);
    quality->setColumnStretch(1, 1);
    quality->setHorizontalSpacing(6);
    return quality;
}

QLayout* KPPreferences::smallestBoxRow()
{
    auto* box = new QGridLayout;
    box->addWidget(m_widthLB, 0, 0, Qt::AlignRight);
    box->addWidget(m_widthTF, 0, 1);
    box->addWidget(m_widthUnitLB, 0, 2);
    box->addItem(new QSpacerItem(12, 0), 0, 3);
    box->addWidget(m_highLB, 0, 4, Qt::AlignRight);
    box->addWidget(m_highTF, 0, 5);
    box->addWidget(m_highUnitLB, 0, 6);
    box->setColumnStretch(7, 1);
    return box;
}

void KPPreferences::layOut()
{
    // The hint starts where the check box's text starts, so it reads as part of it.
    auto* bestQualityHint = new QHBoxLayout;
    bestQualityHint->addSpacing(style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                                style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing));
    bestQualityHint->addWidget(m_bestQualityHintLB, 1);

    auto* parallelJobs = new QHBoxLayout;
    parallelJobs->addWidget(m_parallelJobsLB);
    parallelJobs->addWidget(m_parallelJobsSB);
    parallelJobs->addStretch(1);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_okBT, QDialogButtonBox::AcceptRole);
    buttons->addButton(m_cancelBT, QDialogButtonBox::RejectRole);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_imageQualityLB);
    layout->addLayout(qualityRows());
    layout->addSpacing(8);
    layout->addWidget(m_bestQualityCB);
    layout->addLayout(bestQualityHint);
    layout->addSpacing(12);
    layout->addWidget(m_scaleCB);
    layout->addSpacing(4);
    layout->addWidget(m_imageScaleLB);
    layout->addLayout(smallestBoxRow());
    layout->addWidget(m_uploadRulesGroup);
    layout->addSpacing(12);
    layout->addLayout(parallelJobs);
    layout->addWidget(m_parallelJobsHintLB);
    layout->addWidget(m_metadataGroup);
    layout->addSpacing(8);
    layout->addWidget(m_formatChoice);
    layout->addStretch(1);
    layout->addWidget(buttons);
}

void KPPreferences::connectControls()
{
    // The slider, the property and the percent label show one value; OK reads the label.
    connect(m_qualitySlider, &QSlider::valueChanged, this, &KPPreferences::setImageQuality);
    connect(m_okBT, &QPushButton::clicked, this, &KPPreferences::ok);
    connect(m_cancelBT, &QPushButton::clicked, this, &KPPreferences::cancel);
    connect(m_scaleCB, &QCheckBox::toggled, this, [this](bool on) {
        for (QWidget* part :
             std::initializer_list<QWidget*>{m_widthTF, m_highTF, m_widthUnitLB, m_highUnitLB})
            part->setEnabled(on);
    });
}

void KPPreferences::awakeFromNib()
{
    loadPreferences();
    m_okBT->setDefault(true);
    m_okBT->setFocus();
}

void KPPreferences::refreshLanguage()
{
    setWindowTitle(KPLocalization::text("L_PreferenceTitle"));
    m_imageQualityLB->setText(KPLocalization::text("L_ImageQualityLabel"));
    m_imageScaleLB->setText(KPLocalization::text("L_ImageScaleLabel"));
    m_widthLB->setText(KPLocalization::text("L_WidthLB"));
    m_highLB->setText(KPLocalization::text("L_HighLB"));
    m_widthUnitLB->setText(KPLocalization::text("L_UnitPx"));
    m_highUnitLB->setText(KPLocalization::text("L_UnitPx"));
    m_poorLB->setText(KPLocalization::text("L_poorLB"));
    m_goodLB->setText(KPLocalization::text("L_goodLB"));
    m_cancelBT->setText(KPLocalization::text("L_CancelBT"));
    m_okBT->setText(KPLocalization::text("L_OKBT"));
    m_scaleCB->setText(KPLocalization::text("L_EnableScale"));
    m_bestQualityCB->setText(KPLocalization::text("L_BestQuality"));
    m_bestQualityHintLB->setText(KPLocalization::text("L_BestQualityHint"));
    m_parallelJobsLB->setText(KPLocalization::text("L_ParallelJobs"));
    m_parallelJobsHintLB->setText(KPLocalization::text("L_ParallelJobsHint"));
    m_metadataGroup->refreshLanguage();
    m_formatChoice->refreshLanguage();
    m_uploadRulesGroup->refreshLanguage();
}

void KPPreferences::showPanel()
{
    show();
    raise();
    activateWindow();
    loadPreferences();
    keepHintsWhole();
}

void KPPreferences::keepHintsWhole()
{
    // Qt sizes a dialog from its layout's minimum size, which leaves out the lines that
    // the wrapped hints need at the dialog's width: they would be drawn over each other.
    layout()->activate();
    const QScreen* shown = screen();
    const int available = shown ? shown->availableGeometry().height() : QWIDGETSIZE_MAX;
    setMinimumHeight(std::min(heightForWidth(minimumWidth()), available));
    if (const int needed = std::min(heightForWidth(width()), available); needed > height())
        resize(width(), needed);
}

void KPPreferences::loadPreferences()
{
    refreshLanguage();
    m_widthTF->setText(boxSide(KPSettingsKey::LimitWidth));
    m_highTF->setText(boxSide(KPSettingsKey::LimitHeight));
    const float floor = KPSettings::floatForKey(KPSettingsKey::CompressionFactor);
    m_storedPercent.reset();
    if (KPSettings::contains(KPSettingsKey::CompressionFactor) && floor >= 0.0f) {
        setImageQuality(KPQuality::nearest(floor).percent());
        m_storedPercent = m_imageQuality;
    } else {
        setImageQuality(FallbackPercent);
    }
    m_qualityPercentLB->setText(QString::number(m_imageQuality));
    m_scaleCB->setChecked(KPSettings::boolForKey(KPSettingsKey::EnableConvertScale));
    m_bestQualityCB->setChecked(KPSettings::boolForKey(KPSettingsKey::BestQualityFit));
    m_storedParallelJobs = KPSettings::parallelJobs();
    m_parallelJobsSB->setValue(m_storedParallelJobs);
    m_metadataGroup->load();
    m_formatChoice->load();
    m_uploadRulesGroup->load();
    m_highTF->initNumberTextField(m_highTF->text());
    m_widthTF->initNumberTextField(m_widthTF->text());
}

void KPPreferences::setImageQuality(int percent)
{
    if (m_imageQuality != percent) {
        m_imageQuality = percent;
        Q_EMIT imageQualityChanged(percent);
    }
    m_qualitySlider->setValue(percent);
    m_qualityPercentLB->setText(QString::number(percent));
}

void KPPreferences::ok()
{
    // A largest box smaller than the smallest leaves a picture no size to take.
    if (!m_uploadRulesGroup->holds({m_widthTF->text().toInt(), m_highTF->text().toInt()})) {
        keepHintsWhole(); // room for the message
        return;
    }
    KPSettings::setFloat(KPSettingsKey::LimitWidth, m_widthTF->text().toFloat());
    KPSettings::setFloat(KPSettingsKey::LimitHeight, m_highTF->text().toFloat());
    // A floor the slider was not moved from stays as stored: writing back the whole
    // percent shown would change a stored 0.555 to 0.56 on every OK.
    const int percent = m_qualityPercentLB->text().toInt();
    if (m_storedPercent != percent)
        KPSettings::setFloat(KPSettingsKey::CompressionFactor,
                             KPQuality::fromPercent(percent).factor());
    KPSettings::setBool(KPSettingsKey::EnableConvertScale, m_scaleCB->isChecked());
    KPSettings::setBool(KPSettingsKey::BestQualityFit, m_bestQualityCB->isChecked());
    if (m_parallelJobsSB->value() != m_storedParallelJobs)
        KPSettings::setInteger(KPSettingsKey::ParallelJobs, m_parallelJobsSB->value());
    m_metadataGroup->store();
    m_formatChoice->store();
    m_uploadRulesGroup->store();
    close();
}

void KPPreferences::cancel()
{
    close();
}
