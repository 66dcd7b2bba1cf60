#include "settings/KPPathComboBox.h"

#include "settings/KPPathComboBoxAccessible.h"
#include "settings/KPSettings.h"

#include <QLineEdit>

KPPathComboBox::KPPathComboBox(QWidget* parent) : QComboBox(parent)
{
    KPPathComboBoxAccessible::install();
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert); // the recent list changes only when a run starts
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(24);
    // Case matters in paths: a completer would turn typed text into a listed entry.
    setCompleter(nullptr);
}

QStringList KPPathComboBox::items() const
{
    QStringList list;
    for (int i = 0; i < count(); ++i)
        list.append(itemText(i));
    return list;
}

void KPPathComboBox::savePath()
{
    const QString text = currentText();
    // A folder used again moves to the top, so the next launch offers the one used last.
    if (const int listed = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive); listed >= 0)
        removeItem(listed);
    else if (count() > 0 && quint32(count()) >= m_capacity)
        removeItem(count() - 1);
    // Inserting may change the shown text of an editable box; keep what was typed.
    insertItem(0, text);
    setEditText(text);
    importUserDef();
}

void KPPathComboBox::importUserDef()
{
    if (count() > 0)
        KPSettings::setObject(KPSettingsKey::PathList, items());
}

void KPPathComboBox::exportUserDef()
{
    const std::optional<QStringList> list = KPSettings::arrayForKey(KPSettingsKey::PathList);
    if (!list || list->isEmpty())
        return;
    addItems(*list);
    setEditText(list->first());
}
