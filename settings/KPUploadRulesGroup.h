#pragma once

#include <QSize>
#include <QWidget>

class KPInlineMessage;
class KPNumberTextField;
class QCheckBox;
class QLabel;

// The preferences panel's rules of upload forms: "Never larger than W x H", the folders
// of an added folder kept in the export folder, and the sources' file dates kept. Loaded
// from the store and written back by the panel, which first asks whether the largest box
// holds the smallest.
class KPUploadRulesGroup : public QWidget
{
    Q_OBJECT
public:
    explicit KPUploadRulesGroup(QWidget* parent = nullptr);

    void refreshLanguage();
    void load();
    void store() const;
    // False, with a message by the fields, when the largest box is on and smaller than
    // `smallest` on either side.
    bool holds(QSize smallest);

    QCheckBox* largestCB() const { return m_largestCB; }
    KPNumberTextField* largestWidthTF() const { return m_widthTF; }
    KPNumberTextField* largestHeightTF() const { return m_heightTF; }
    QCheckBox* keepFoldersCB() const { return m_keepFoldersCB; }
    QCheckBox* keepDatesCB() const { return m_keepDatesCB; }
    KPInlineMessage* problem() const { return m_problem; }

private:
    QSize largest() const;

    QCheckBox* m_largestCB;
    KPNumberTextField* m_widthTF;
    QLabel* m_timesLB;
    KPNumberTextField* m_heightTF;
    QLabel* m_unitLB;
    KPInlineMessage* m_problem;
    QLabel* m_hintLB;
    QCheckBox* m_keepFoldersCB;
    QLabel* m_keepFoldersHintLB;
    QCheckBox* m_keepDatesCB;
    QLabel* m_keepDatesHintLB;
};
