#pragma once

#include <QMessageBox>

// Asked before a run whose export folder holds listed pictures under the names their
// JPEGs would get: replace those originals, write each JPEG beside its original under a
// new name, or start nothing. Writing beside is the default and Escape cancels, so
// nothing is replaced unless the user says so.
class KPOriginalsAlert : public QMessageBox
{
    Q_OBJECT
public:
    // `originals`: how many pictures the run would replace.
    explicit KPOriginalsAlert(int originals, QWidget* parent = nullptr);

    QAbstractButton* replaceButton() const { return m_replaceBT; }
    QAbstractButton* besideButton() const { return m_besideBT; }
    QAbstractButton* cancelButton() const { return m_cancelBT; }

Q_SIGNALS:
    // The user chose to start the run; not emitted when the alert was cancelled.
    void runChosen(bool replaceOriginals);

private:
    QAbstractButton* m_replaceBT = nullptr;
    QAbstractButton* m_besideBT = nullptr;
    QAbstractButton* m_cancelBT = nullptr;
};
