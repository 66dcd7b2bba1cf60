#pragma once

#include "engine/KPMetadataPolicy.h"

#include <QWidget>

class QButtonGroup;
class QLabel;
class QRadioButton;

// The preferences panel's choice of what each output keeps of its source's metadata:
// all of it, all but the location (the default), or none. Loaded from the store and
// written back by the panel.
class KPMetadataGroup : public QWidget
{
    Q_OBJECT
public:
    explicit KPMetadataGroup(QWidget* parent = nullptr);

    void refreshLanguage();
    // Shows what the store holds (an absent or unknown value shows the default).
    void load();
    // Writes the choice shown into the store.
    void store() const;

    KPMetadataPolicy policy() const;
    void setPolicy(KPMetadataPolicy policy);
    QRadioButton* button(KPMetadataPolicy policy) const;

private:
    QLabel* m_captionLB;
    QRadioButton* m_keepAllBT;
    QRadioButton* m_noLocationBT;
    QRadioButton* m_removeAllBT;
    QLabel* m_hintLB;
    QButtonGroup* m_choices;
};
