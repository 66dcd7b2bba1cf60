#pragma once

#include <QWidget>

class QLabel;

// A short warning shown right by the control it is about (the size field, the export
// folder), with a warning sign. Takes no room while there is nothing to say.
class KPInlineMessage : public QWidget
{
    Q_OBJECT
public:
    explicit KPInlineMessage(QWidget* parent = nullptr);

    void showMessage(const QString& text);
    void clearMessage();
    QString text() const;

    // Tints a field's background so that it stands out as the one to fix, or takes the
    // tint away.
    static void markField(QWidget* field, bool marked);

protected:
    void changeEvent(QEvent* event) override;

private:
    void updateIcon();

    QLabel* m_icon;
    QLabel* m_text;
};
