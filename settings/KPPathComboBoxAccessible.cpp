#include "settings/KPPathComboBoxAccessible.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>

#include <mutex>

namespace {
QAccessibleInterface* factory(const QString& className, QObject* object)
{
    // Asked for each class from the object's own up: every combo box meets it as QComboBox.
    if (className != QLatin1String("QComboBox"))
        return nullptr;
    auto* comboBox = qobject_cast<QComboBox*>(object);
    return comboBox ? new KPPathComboBoxAccessible(comboBox) : nullptr;
}
} // namespace

KPPathComboBoxAccessible::KPPathComboBoxAccessible(QComboBox* comboBox)
    : QAccessibleWidget(comboBox, QAccessible::ComboBox)
{}

void KPPathComboBoxAccessible::install()
{
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(factory); });
}

QComboBox* KPPathComboBoxAccessible::comboBox() const
{
    return static_cast<QComboBox*>(object());
}

QString KPPathComboBoxAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return comboBox()->currentText();
    // The name (the accessible name, else the label's text), the description and the rest
    // as for any widget.
    return QAccessibleWidget::text(t);
}

int KPPathComboBoxAccessible::childCount() const
{
    return comboBox()->lineEdit() ? 2 : 1;
}

QAccessibleInterface* KPPathComboBoxAccessible::child(int index) const
{
    if (index == 0)
        return QAccessible::queryAccessibleInterface(comboBox()->view());
    if (index == 1 && comboBox()->lineEdit())
        return QAccessible::queryAccessibleInterface(comboBox()->lineEdit());
    return nullptr;
}

int KPPathComboBoxAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    if (child && child->object() == comboBox()->view())
        return 0;
    if (child && comboBox()->lineEdit() && child->object() == comboBox()->lineEdit())
        return 1;
    return -1;
}

QStringList KPPathComboBoxAccessible::actionNames() const
{
    return {showMenuAction(), pressAction()};
}

void KPPathComboBoxAccessible::doAction(const QString& actionName)
{
    if (actionName != showMenuAction() && actionName != pressAction())
        return;
    if (comboBox()->view()->isVisible())
        comboBox()->hidePopup();
    else
        comboBox()->showPopup();
}
