#include "ui/KPOriginalsAlert.h"

#include "ui/KPLocalization.h"

#include <QPushButton>

KPOriginalsAlert::KPOriginalsAlert(int originals, QWidget* parent)
    : QMessageBox(QMessageBox::Warning, QString(), KPLocalization::text("L_OriginalsInTheWay"),
                  QMessageBox::NoButton, parent)
{
    setInformativeText(KPLocalization::text("L_OriginalsInTheWayCount").arg(originals));
    QPushButton* replace =
        addButton(KPLocalization::text("L_ReplaceOriginalsBT"), QMessageBox::DestructiveRole);
    QPushButton* beside =
        addButton(KPLocalization::text("L_WriteBesideBT"), QMessageBox::AcceptRole);
    QPushButton* cancel = addButton(KPLocalization::text("L_CancelBT"), QMessageBox::RejectRole);
    setDefaultButton(beside);
    setEscapeButton(cancel);
    m_replaceBT = replace;
    m_besideBT = beside;
    m_cancelBT = cancel;
    connect(this, &QMessageBox::buttonClicked, this, [this](QAbstractButton* button) {
        if (button == m_replaceBT || button == m_besideBT)
            Q_EMIT runChosen(button == m_replaceBT);
    });
}
