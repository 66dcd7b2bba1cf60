#pragma once

#include <QComboBox>

// The export folder's editable text with the recent folders below it: most recently
// used first, at most `capacity` entries, kept exactly as typed or chosen.
class KPPathComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit KPPathComboBox(QWidget* parent = nullptr);

    void setCapacity(quint32 capacity) { m_capacity = capacity; }
    quint32 capacity() const { return m_capacity; }

    QStringList items() const;
    // Puts the current text first (moving it there when it is listed), then stores the list.
    void savePath();
    // Writes the items under PathList (an empty list is never stored).
    void importUserDef();
    // Reads the items from PathList and shows the first.
    void exportUserDef();

private:
    quint32 m_capacity = 0;
};
