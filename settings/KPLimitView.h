#pragma once

#include <QWidget>

class KPInlineMessage;
class KPNumberTextField;
class KPSizeLimit;
class QButtonGroup;
class QLabel;
class QToolButton;

// The size limit in the main window: a number field and a KB/MB switch. Every change
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

    KPNumberTextField* sizeTF() const { return m_sizeTF; }
    int selectedSegment() const;
    void setSelectedSegment(int segment);

private:
    void changed();
    void showChosenUnit();

    KPSizeLimit& m_limit;
    QLabel* m_label;
    KPNumberTextField* m_sizeTF;
    QButtonGroup* m_sizeUnitSC;
    QToolButton* m_kb;
    QToolButton* m_mb;
    KPInlineMessage* m_problem;
};
