#pragma once

#include <QAccessibleWidget>

class QComboBox;

// What assistive technology reads of the window's combo boxes (the export folder's, the
// output format's): its accessible name (the label's "Export to"), its text as the value.
// Qt's own interface for combo boxes names them on Linux by the text they hold, so a
// screen reader announced a path instead of what the field is for. The popup list and the
// text field stay its children, and its actions open and close the list.
class KPPathComboBoxAccessible : public QAccessibleWidget
{
public:
    explicit KPPathComboBoxAccessible(QComboBox* comboBox);

    // Makes every combo box answer with this interface; once per process.
    static void install();

    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    QComboBox* comboBox() const;
};
