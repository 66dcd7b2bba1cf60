#pragma once

#include <QWidget>

#include <optional>

class KPInlineMessage;
class KPNumberTextField;
class KPSizeLimit;
class QButtonGroup;
class QLabel;
class QToolButton;

// The size limit in the main window: a number field, a KB/MB switch and whether the limit
// holds for each picture or for all of them together. Every change
// goes into a thread-safe copy, which a run's batch thread reads for the limit.
class KPLimitView : public QWidget
{
    Q_OBJECT
public:
    KPLimitView(KPSizeLimit& limit, QWidget* parent = nullptr);

    void awakeFromNib();
    void refreshLanguage();

    // The limit in bytes (0 when none can be read); safe on any thread.
    quint64 limitSize() const;
    // Stores the field's text and the unit (when a run starts).
    void saveLimitSize();

    // Whether a run can start with the limit shown; when it cannot, the field is marked
    // and a message beside it says why, until the next edit.
    bool checkBeforeRun();
    KPInlineMessage* problem() const { return m_problem; }
    // The line that says, after a decimal point was refused, that the limit is a whole
    // number, and what to type in the other unit.
    KPInlineMessage* hint() const { return m_hint; }

    KPNumberTextField* sizeTF() const { return m_sizeTF; }
    // 0: each picture, 1: all together (the LimitAppliesTo setting, stored with the limit).
    int appliesTo() const;
    void setAppliesTo(int appliesTo);
    QToolButton* eachBT() const { return m_eachBT; }
    QToolButton* allTogetherBT() const { return m_allBT; }
    int selectedSegment() const;
    void setSelectedSegment(int segment);

private:
    void changed();
    void showChosenUnit();
    void editRefused(const QString& attempt);
    // Follows the digits typed after a refused point; any other edit ends the hint.
    void followDecimalHint();
    void showDecimalHint(const QString& fraction);

    KPSizeLimit& m_limit;
    QLabel* m_label;
    KPNumberTextField* m_sizeTF;
    QButtonGroup* m_sizeUnitSC;
    QToolButton* m_kb;
    QToolButton* m_mb;
    QButtonGroup* m_appliesToSC;
    QToolButton* m_eachBT;
    QToolButton* m_allBT;
    KPInlineMessage* m_problem;
    KPInlineMessage* m_hint;
    // The number refused for its decimal point: the digits before the point, which the
    // field kept, and, for a pasted number, those after it (typed ones follow in the field).
    std::optional<QString> m_pointWhole;
    QString m_pointFraction;
    QChar m_point;         // as typed: "0,5" is answered with a comma
    QString m_textAtPoint; // what the field showed once the point was refused
};
