#include "ui/KPInlineMessage.h"

#include "ui/KPLocalization.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>

namespace {
const char* const MarkedProperty = "kpMarked";

// The field's own base colour mixed with red: readable in light and dark palettes alike.
QColor tinted(const QColor& base)
{
    const QColor red(220, 50, 47);
    const qreal share = base.lightness() > 128 ? 0.18 : 0.35;
    return QColor::fromRgbF(float(base.redF() * (1 - share) + red.redF() * share),
                            float(base.greenF() * (1 - share) + red.greenF() * share),
                            float(base.blueF() * (1 - share) + red.blueF() * share));
}
} // namespace

KPInlineMessage::KPInlineMessage(QWidget* parent)
    : QWidget(parent), m_icon(new QLabel(this)), m_text(new QLabel(this))
{
    m_icon->setAccessibleName(KPLocalization::text("L_WarningIcon"));
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(m_icon, 0, Qt::AlignTop);
    layout->addWidget(m_text, 1);
    updateIcon();
    hide();
}

void KPInlineMessage::showMessage(const QString& text)
{
    m_text->setText(text);
    setVisible(!text.isEmpty());
}

void KPInlineMessage::clearMessage()
{
    m_text->clear();
    hide();
}

QString KPInlineMessage::text() const
{
    return m_text->text();
}

void KPInlineMessage::markField(QWidget* field, bool marked)
{
    if (field->property(MarkedProperty).toBool() == marked)
        return;
    field->setProperty(MarkedProperty, marked);
    if (!marked) {
        field->setPalette(QPalette());
        return;
    }
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, tinted(palette.color(QPalette::Base)));
    field->setPalette(palette);
}

void KPInlineMessage::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange)
        updateIcon();
}

void KPInlineMessage::updateIcon()
{
    // As tall as a line of the text; the icon's pixmap follows the screen's pixel ratio.
    const int side = m_text->fontMetrics().height();
    m_icon->setPixmap(style()
                          ->standardIcon(QStyle::SP_MessageBoxWarning)
                          .pixmap(QSize(side, side), m_icon->devicePixelRatioF()));
}
