#include "settings/KPNumberTextField.h"

#include "engine/KPNotification.h"

const QString KPNumberTextField::NotiNumTFChange = QStringLiteral("NotiNumTFChange");

KPNumberTextField::KPNumberTextField(QWidget* parent) : QLineEdit(parent)
{
    setInputMethodHints(Qt::ImhDigitsOnly);
    connect(this, &QLineEdit::textEdited, this, &KPNumberTextField::textDidChange);
}

bool KPNumberTextField::initNumberTextField(const QString& text)
{
    m_oldNum = text.isEmpty() ? QStringLiteral("0") : text;
    setText(m_oldNum);
    return true;
}

std::optional<float> KPNumberTextField::number() const
{
    if (text().isEmpty())
        return std::nullopt;
    return text().toFloat();
}

bool KPNumberTextField::isDigits(const QString& text)
{
    for (const QChar unit : text) {
        if (unit.unicode() < u'0' || unit.unicode() > u'9')
            return false;
    }
    return true;
}

void KPNumberTextField::focusInEvent(QFocusEvent* event)
{
    m_oldNum = text();
    QLineEdit::focusInEvent(event);
}

void KPNumberTextField::textDidChange(const QString& text)
{
    if (text.isEmpty()) {
        // An empty field is accepted while editing, but never becomes the kept text.
        KPNotificationCenter::defaultCenter()->post(NotiNumTFChange, this);
        return;
    }
    if (!isDigits(text)) {
        const int cursor = qMax(0, cursorPosition() - int(text.size() - m_oldNum.size()));
        setText(m_oldNum);
        setCursorPosition(qMin(cursor, int(m_oldNum.size())));
        Q_EMIT editRefused(text);
        return;
    }
    m_oldNum = text;
    KPNotificationCenter::defaultCenter()->post(NotiNumTFChange, this);
}
