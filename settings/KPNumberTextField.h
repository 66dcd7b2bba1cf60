#pragma once

#include <QLineEdit>

#include <optional>

// A one-line field for whole numbers: it accepts the digits 0 to 9 only and quietly
// takes back any edit that would bring in another character, restoring the text it
// last accepted. Posts NotiNumTFChange after every accepted change.
class KPNumberTextField : public QLineEdit
{
    Q_OBJECT
public:
    explicit KPNumberTextField(QWidget* parent = nullptr);

    static const QString NotiNumTFChange;

    // Starts the field with a text ("0" when empty) that a refused edit brings back.
    bool initNumberTextField(const QString& text);
    // The text read as a 32-bit float, or nothing when the field is empty.
    std::optional<float> number() const;

    // Every UTF-16 unit is one of the digits 0 to 9 (full-width digits are not).
    static bool isDigits(const QString& text);

Q_SIGNALS:
    // An edit was taken back; `attempt` is the text it would have made.
    void editRefused(const QString& attempt);

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    void textDidChange(const QString& text);

    QString m_oldNum;
};
