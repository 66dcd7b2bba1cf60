#pragma once

#include "engine/KPNotification.h"

#include <QGroupBox>

class QLabel;

// The report panel: how many pictures the list holds, and how many the run has
// converted and failed. The labels are its only record of what was last shown.
class KPReportView : public QGroupBox
{
    Q_OBJECT
public:
    explicit KPReportView(QWidget* parent = nullptr);

    void awakeFromNib();
    void refreshLang();
    // Sets the numbers from a ZUN_ImageReportRefresh message.
    void refreshReport(const KPNotification& notification);

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
};
