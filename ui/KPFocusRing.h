#pragma once

#include <QPointer>
#include <QWidget>

// A ring drawn on a control while it has the keyboard focus, for the controls the style
// shows no focus on: a table, whose rows show only the selection, and a button painted in
// the selection colour. It takes no mouse.
class KPFocusRing : public QWidget
{
    Q_OBJECT
public:
    // Gives `target` a ring `inset` pixels inside its edges, in the colour `role` of the
    // target's palette (the selection colour, or the text colour of a button painted in
    // it); the ring lives as long as the target.
    static KPFocusRing* attach(QWidget* target, int inset = 0,
                               QPalette::ColorRole role = QPalette::Highlight);

    static constexpr int Width = 2; // of the ring

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    KPFocusRing(QWidget* target, int inset, QPalette::ColorRole role);
    void follow();

    QPointer<QWidget> m_target;
    int m_inset;
    QPalette::ColorRole m_role;
};
