#pragma once

#include <QMessageBox>

// The message at the end of a run: how many pictures were converted and how many failed,
// where the converted ones are, with a button that opens that folder when there are any.
// It never says pictures are in the folder when none was converted.
class KPEndAlert : public QMessageBox
{
    Q_OBJECT
public:
    // `exportFolder` is where the converted pictures were written.
    KPEndAlert(qsizetype converted, qsizetype failed, const QString& exportFolder,
               QWidget* parent = nullptr);

    // The Open Export Folder button, or none when nothing was converted.
    QAbstractButton* openFolderButton() const { return m_openFolderBT; }

Q_SIGNALS:
    void openFolderRequested(const QString& folder);

private:
    QAbstractButton* m_openFolderBT = nullptr;
};
