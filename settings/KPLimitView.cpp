#include "settings/KPLimitView.h"

#include "settings/KPNumberTextField.h"
#include "settings/KPSettings.h"
#include "settings/KPSizeLimit.h"
#include "ui/KPFocusRing.h"
#include "ui/KPInlineMessage.h"
#include "ui/KPLocalization.h"

#include <QButtonGroup>

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

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
    : QWidget(parent), m_limit(limit), m_label(new QLabel(this)),
      m_sizeTF(new KPNumberTextField(this)), m_sizeUnitSC(new QButtonGroup(this)),
      m_kb(segment(this)), m_mb(segment(this)), m_appliesToSC(new QButtonGroup(this)),
      m_eachBT(segment(this)), m_allBT(segment(this)), m_problem(new KPInlineMessage(this)),
      m_hint(new KPInlineMessage(this))
{
    m_sizeUnitSC->setExclusive(true);
    m_sizeUnitSC->addButton(m_kb, KPSizeLimit::KB);
    m_sizeUnitSC->addButton(m_mb, KPSizeLimit::MB);
    // Room for eight digits however narrow the window gets: a squeezed field showed
    // "12000" as "120(".
    const QMargins margins = m_sizeTF->textMargins();
    m_sizeTF->setMinimumWidth(
        m_sizeTF->fontMetrics().horizontalAdvance(QStringLiteral("00000000")) + margins.left() +
        margins.right() + 16);
    m_sizeTF->setMaximumWidth(m_sizeTF->minimumWidth() + 30);
    m_sizeTF->setAlignment(Qt::AlignRight);
    m_label->setBuddy(m_sizeTF);
    // The chosen unit is painted in the selection colour, which hides the style's focus:
    // a ring in its text colour inside it shows it.
    KPFocusRing::attach(m_kb, 3, QPalette::ButtonText);
    KPFocusRing::attach(m_mb, 3, QPalette::ButtonText);

    auto* controls = new QHBoxLayout;
    controls->setSpacing(4);
    controls->addWidget(m_label);
    controls->addWidget(m_sizeTF);
    auto* units = new QHBoxLayout;
    units->setSpacing(0); // the two buttons read as one switch
    units->addWidget(m_kb);
    units->addWidget(m_mb);
    controls->addLayout(units);
    // Each picture or all together: a second switch, one Tab stop as the unit's.
    m_appliesToSC->setExclusive(true);
    m_appliesToSC->addButton(m_eachBT, 0);
    m_appliesToSC->addButton(m_allBT, 1);
    m_eachBT->setChecked(true);
    KPFocusRing::attach(m_eachBT, 3, QPalette::ButtonText);
    KPFocusRing::attach(m_allBT, 3, QPalette::ButtonText);

    auto* appliesTo = new QHBoxLayout;
    appliesTo->setSpacing(0);
    appliesTo->addWidget(m_eachBT);
    appliesTo->addWidget(m_allBT);
    controls->addSpacing(8);
    controls->addLayout(appliesTo);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(controls);
    layout->addWidget(m_problem);
    layout->addWidget(m_hint);

    connect(m_sizeTF, &QLineEdit::textChanged, this, &KPLimitView::changed);
    connect(m_sizeUnitSC, &QButtonGroup::idToggled, this, &KPLimitView::changed);
    connect(m_appliesToSC, &QButtonGroup::idToggled, this, &KPLimitView::showChosenUnit);
    connect(m_sizeTF, &KPNumberTextField::editRefused, this, &KPLimitView::editRefused);
    // The unit chosen anew settles the question the hint answers.
    connect(m_sizeUnitSC, &QButtonGroup::idClicked, this, [this] {
        m_pointWhole.reset();
        m_hint->clearMessage();
    });
}

void KPLimitView::awakeFromNib()
{
    refreshLanguage();
    setSelectedSegment(KPSizeLimit::storedUnit());
    m_sizeTF->initNumberTextField(KPSizeLimit::storedNumber());
    setAppliesTo(KPSettings::integerForKey(KPSettingsKey::LimitAppliesTo) == 1 ? 1 : 0);
    m_sizeTF->setFocus();
    changed();
}

void KPLimitView::refreshLanguage()
{
    m_label->setText(KPLocalization::text("L_LimitSizeLB"));
    m_sizeTF->setToolTip(KPLocalization::text("L_LimitSizeTip"));
    m_sizeTF->setAccessibleName(KPLocalization::asName(m_label->text()));
    m_kb->setText(KPLocalization::text("L_UnitKB"));
    m_mb->setText(KPLocalization::text("L_UnitMB"));
    m_kb->setToolTip(KPLocalization::text("L_UnitKBTip"));
    m_mb->setToolTip(KPLocalization::text("L_UnitMBTip"));
    m_eachBT->setText(KPLocalization::text("L_LimitEach"));
    m_allBT->setText(KPLocalization::text("L_LimitAllTogether"));
    for (QToolButton* button : {m_eachBT, m_allBT}) {
        // Their words, unlike KB and MB, would be cut short in a narrow window.
        button->setMinimumWidth(0);
        button->setMinimumWidth(button->sizeHint().width());
        button->setToolTip(KPLocalization::text("L_LimitAppliesToTip"));
        button->setAccessibleDescription(KPLocalization::text("L_LimitAppliesTo"));
    }
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
    showChosenUnit();
    m_problem->clearMessage();
    KPInlineMessage::markField(m_sizeTF, false);
    followDecimalHint();
}

void KPLimitView::editRefused(const QString& attempt)
{
    // A decimal point is refused like any other character, but typed on, "0.5" would
    // become "05": say what the limit takes instead.
    static const QList<QChar> points = {QLatin1Char('.'), QLatin1Char(','), QChar(0xFF0E),
                                        QChar(0xFF0C)};
    const auto point =
        std::find_if(attempt.cbegin(), attempt.cend(), [](QChar c) { return points.contains(c); });
    if (point == attempt.cend())
        return;
    const qsizetype at = point - attempt.cbegin();
    const QString whole = attempt.left(at);
    const QString fraction = attempt.mid(at + 1);
    if (!KPNumberTextField::isDigits(whole) || !KPNumberTextField::isDigits(fraction))
        return;
    m_pointWhole = whole;
    m_pointFraction = fraction;
    m_point = *point;
    m_textAtPoint = m_sizeTF->text();
    showDecimalHint(fraction);
}

void KPLimitView::followDecimalHint()
{
    if (!m_pointWhole)
        return;
    const QString text = m_sizeTF->text();
    // The field announces the refused edit itself once more after it was taken back.
    if (!m_pointFraction.isEmpty() && text == m_textAtPoint)
        return;
    // A pasted number was answered whole; typed digits land behind those before the point.
    if (!m_pointFraction.isEmpty() || !text.startsWith(*m_pointWhole)) {
        m_pointWhole.reset();
        m_hint->clearMessage();
        return;
    }
    showDecimalHint(text.mid(m_pointWhole->size()));
}

void KPLimitView::showDecimalHint(const QString& fraction)
{
    const std::optional<quint64> kilobytes =
        KPSizeLimit::megabytesAsKilobytes(*m_pointWhole, fraction);
    QString message = KPLocalization::text("L_LimitWhole");
    if (selectedSegment() == KPSizeLimit::MB && fraction.isEmpty())
        message = KPLocalization::text("L_LimitWholeKB");
    else if (selectedSegment() == KPSizeLimit::MB && kilobytes)
        message = KPLocalization::text("L_LimitWholeTry")
                      .arg(QStringLiteral("%1%2%3 %4")
                               .arg(m_pointWhole->isEmpty() ? QStringLiteral("0") : *m_pointWhole,
                                    QString(m_point), fraction, m_mb->text()),
                           QStringLiteral("%1 %2").arg(*kilobytes).arg(m_kb->text()));
    m_hint->showMessage(message);
}

void KPLimitView::showChosenUnit()
{
    // A checked tool button differs from an unchecked one by a shade in most styles; the
    // chosen unit is the selection colour and bold, the other stays plain.
    for (QToolButton* button : {m_kb, m_mb, m_eachBT, m_allBT}) {
        // One Tab stop, as radio buttons: Tab lands on the unit chosen, the arrow keys
        // choose the other.
        button->setFocusPolicy(button->isChecked() || !button->group()->checkedButton()
                                   ? Qt::StrongFocus
                                   : Qt::ClickFocus);
        QPalette palette;
        QFont font = button->font();
        font.setBold(button->isChecked());
        if (button->isChecked()) {
            palette = button->palette();
            palette.setColor(QPalette::Button, palette.color(QPalette::Highlight));
            palette.setColor(QPalette::ButtonText, palette.color(QPalette::HighlightedText));
        }
        button->setPalette(palette);
        button->setFont(font);
    }
}

bool KPLimitView::checkBeforeRun()
{
    if (limitSize() > 0)
        return true;
    m_problem->showMessage(KPLocalization::text("L_NeedLimit"));
    KPInlineMessage::markField(m_sizeTF, true);
    return false;
}

quint64 KPLimitView::limitSize() const
{
    return m_limit.limitSize();
}

void KPLimitView::saveLimitSize()
{
    m_limit.saveLimitSize();
    KPSettings::setInteger(KPSettingsKey::LimitAppliesTo, appliesTo());
}

int KPLimitView::appliesTo() const
{
    return m_appliesToSC->checkedId() == 1 ? 1 : 0;
}

void KPLimitView::setAppliesTo(int appliesTo)
{
    (appliesTo == 1 ? m_allBT : m_eachBT)->setChecked(true);
    showChosenUnit();
}
