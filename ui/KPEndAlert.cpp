#include "ui/KPEndAlert.h"

#include "ui/KPLocalization.h"

#include <QAbstractButton>
#include <QGridLayout>
#include <QPushButton>
#include <QSpacerItem>

KPEndAlert::KPEndAlert(qsizetype converted, qsizetype failed, const QString& exportFolder,
                       QWidget* parent)
    : QMessageBox(QMessageBox::Information, QString(), KPLocalization::text("L_ResizeEnd"),
                  QMessageBox::NoButton, parent)
{
    const QString counts = KPLocalization::text("L_ResizeEndCounts").arg(converted).arg(failed);
    const char* where = converted == 0 ? "L_ResizeEndNoneOK"
                        : failed == 0  ? "L_ResizeEndAllOK"
                                       : "L_ResizeEndCaution";
    setInformativeText(counts + QStringLiteral("\n\n") + KPLocalization::text(where));

    if (converted > 0) {
        m_openFolderBT =
            addButton(KPLocalization::text("L_OpenExportFolder"), QMessageBox::ActionRole);
        connect(m_openFolderBT, &QAbstractButton::clicked, this,
                [this, exportFolder] { Q_EMIT openFolderRequested(exportFolder); });
    }
    QPushButton* ok = addButton(KPLocalization::text("L_OKBT"), QMessageBox::AcceptRole);
    setDefaultButton(ok);
    setEscapeButton(ok);

    // The box sizes itself to its shortest text and wrapped the sentences over four
    // lines; a spacer across the bottom gives it the width of a short paragraph.
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        const int width = fontMetrics().averageCharWidth() * 72;
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
}
