#pragma once

#include "engine/KPNotification.h"

#include <QGroupBox>

class QLabel;
class QProgressBar;

// The report panel: how many pictures the list holds, and how many the run has
// converted and failed, with the run's progress while one goes. The labels are its only
// record of what was last shown.
class KPReportView : public QGroupBox
{
    Q_OBJECT
public:
    explicit KPReportView(QWidget* parent = nullptr);

    void awakeFromNib();
    void refreshLang();
    // Sets the numbers from a ZUN_ImageReportRefresh message.
    void refreshReport(const KPNotification& notification);

    // The run's progress: `done` of `count` pictures ended, picture `current` (from 1)
    // the one being converted, shown as "current of count".
    void showRunProgress(int done, int current, int count);
    void hideRunProgress();
    // A run under one limit for the whole set: the total written against the limit, or,
    // when the set could not fit, by how much it is over (nothing was written). Shown until
    // the next run starts.
    void showSetTotal(quint64 limit, quint64 written, quint64 over);
    void hideSetTotal();
    QLabel* setTotalTF() const { return m_setTF; }
    QProgressBar* runPI() const { return m_runPI; }

    QLabel* totalTF() const { return m_totalTF; }
    QLabel* okTF() const { return m_okTF; }
    QLabel* failTF() const { return m_failTF; }

private:
    QLabel* m_totalLB;
    QLabel* m_totalTF;
    QLabel* m_okLB;
    QLabel* m_okTF;
    QLabel* m_failLB;
    QLabel* m_failTF;
    QProgressBar* m_runPI;
    QLabel* m_setLB;
    QLabel* m_setTF;
};
