#include "settings/KPLimitView.h"

#include "settings/KPNumberTextField.h"
#include "settings/KPSizeLimit.h"
#include "ui/KPLocalization.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace {
QToolButton* segment(QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setCheckable(true);
    button->setAutoRaise(false);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setMinimumWidth(44);
    return button;
}
} // namespace

KPLimitView::KPLimitView(KPSizeLimit& limit, QWidget* parent)
    : QWidget(parent), m_limit(limit), m_label(new QLabel(this)), m_sizeTF(new KPNumberTextField(this)),
      m_sizeUnitSC(new QButtonGroup(this)), m_kb(segment(this)), m_mb(segment(this))
{
    m_sizeUnitSC->setExclusive(true);
    m_sizeUnitSC->addButton(m_kb, KPSizeLimit::KB);
    m_sizeUnitSC->addButton(m_mb, KPSizeLimit::MB);
    m_sizeTF->setMaximumWidth(110);
    m_sizeTF->setAlignment(Qt::AlignRight);
    m_label->setBuddy(m_sizeTF);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(m_label);
    layout->addWidget(m_sizeTF);
    auto* units = new QHBoxLayout;
    units->setSpacing(0); // the two buttons read as one switch
    units->addWidget(m_kb);
    units->addWidget(m_mb);
    layout->addLayout(units);

    connect(m_sizeTF, &QLineEdit::textChanged, this, &KPLimitView::changed);
    connect(m_sizeUnitSC, &QButtonGroup::idToggled, this, &KPLimitView::changed);
}

void KPLimitView::awakeFromNib()
{
    refreshLanguage();
    setSelectedSegment(KPSizeLimit::storedUnit());
    m_sizeTF->initNumberTextField(KPSizeLimit::storedNumber());
    m_sizeTF->setFocus();
    changed();
}

void KPLimitView::refreshLanguage()
{
    m_label->setText(KPLocalization::text("L_LimitSizeLB"));
    m_sizeTF->setToolTip(KPLocalization::text("L_LimitSizeTip"));
    m_kb->setText(KPLocalization::text("L_UnitKB"));
    m_mb->setText(KPLocalization::text("L_UnitMB"));
}

int KPLimitView::selectedSegment() const
{
    return m_sizeUnitSC->checkedId();
}

void KPLimitView::setSelectedSegment(int segment)
{
    if (QAbstractButton* button = m_sizeUnitSC->button(segment)) {
        button->setChecked(true);
    } else if (QAbstractButton* checked = m_sizeUnitSC->checkedButton()) {
        // An unknown unit selects nothing, as a switch with no segment chosen.
        m_sizeUnitSC->setExclusive(false);
        checked->setChecked(false);
        m_sizeUnitSC->setExclusive(true);
    }
    changed();
}

void KPLimitView::changed()
{
    m_limit.setNumber(m_sizeTF->text());
    m_limit.setSegment(selectedSegment());
}

quint64 KPLimitView::limitSize() const
{
    return m_limit.limitSize();
}

void KPLimitView::saveLimitSize()
{
    m_limit.saveLimitSize();
}
