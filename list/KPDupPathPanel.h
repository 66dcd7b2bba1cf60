#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// A notice listing the paths an addition refused because they were already listed.
// It does not block the main window; the paths can be selected and copied.
class KPDupPathPanel : public QDialog
{
    Q_OBJECT
public:
    explicit KPDupPathPanel(QWidget* parent = nullptr);

    void awakeFromNib();
    void refreshLang();
    // Shows the paths, one per line, centred over the main window when it fits there.
    void showDupPanel(const QStringList& paths);
    void clickOkBT();

    QPlainTextEdit* dupTextV() const { return m_dupTextV; }
    QLabel* note() const { return m_note; }

    // Where a panel of size `panel` goes over a main window at `main`: centred, or
    // unchanged (`current`) when the panel does not fit.
    static QPoint centredOver(const QRect& main, const QRect& current);

private:
    QPlainTextEdit* m_dupTextV;
    QPushButton* m_okBT;
    QLabel* m_note;
};
