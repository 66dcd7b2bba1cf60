#include "ui/KPFocusRing.h"

#include <QEvent>
#include <QPainter>

KPFocusRing* KPFocusRing::attach(QWidget* target, int inset, QPalette::ColorRole role)
{
    return new KPFocusRing(target, inset, role);
}

// A child of the control, drawn over it: a ring beyond its edges would need a neighbour
// of its own, which a splitter would take for one of its panes.
KPFocusRing::KPFocusRing(QWidget* target, int inset, QPalette::ColorRole role)
    : QWidget(target), m_target(target), m_inset(inset), m_role(role)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    target->installEventFilter(this);
    // The ring goes with its control.
    connect(target, &QObject::destroyed, this, &QObject::deleteLater);
}

bool KPFocusRing::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_target) {
        switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::FocusOut:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::WindowActivate:
        case QEvent::WindowDeactivate:
        case QEvent::PaletteChange:
            follow();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void KPFocusRing::follow()
{
    const bool shown =
        m_target && m_target->isVisible() && m_target->hasFocus() && m_target->isActiveWindow();
    if (!shown) {
        hide();
        return;
    }
    setGeometry(m_target->rect().adjusted(m_inset, m_inset, -m_inset, -m_inset));
    raise();
    show();
    update();
}

void KPFocusRing::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The target's colour of the moment: a button's changes as it is chosen.
    QPen pen(m_target ? m_target->palette().color(QPalette::Active, m_role) : QColor(), Width);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal half = Width / 2.0;
    painter.drawRoundedRect(QRectF(rect()).adjusted(half, half, -half, -half), 3, 3);
}
