#include "ui/KPReportView.h"

#include "engine/KPImageData.h"
#include "list/KPStringTools.h"
#include "ui/KPLocalization.h"

#include <QFormLayout>
#include <QLabel>
#include <QProgressBar>

KPReportView::KPReportView(QWidget* parent)
    : QGroupBox(parent), m_totalLB(new QLabel(this)), m_totalTF(new QLabel(this)),
      m_okLB(new QLabel(this)), m_okTF(new QLabel(this)), m_failLB(new QLabel(this)),
      m_failTF(new QLabel(this)), m_runPI(new QProgressBar(this)), m_setLB(new QLabel(this)),
      m_setTF(new QLabel(this))
{
    m_setTF->setWordWrap(true);
    m_runPI->setTextVisible(true);
    m_runPI->setAlignment(Qt::AlignCenter);
    m_runPI->hide();
    auto* layout = new QFormLayout(this);
    layout->setLabelAlignment(Qt::AlignRight);
    layout->addRow(m_totalLB, m_totalTF);
    layout->addRow(m_okLB, m_okTF);
    layout->addRow(m_failLB, m_failTF);
    layout->addRow(m_setLB, m_setTF);
    layout->setRowVisible(m_setTF, false);
    layout->addRow(m_runPI);
    connect(KPNotificationCenter::defaultCenter(), &KPNotificationCenter::posted, this,
            [this](const KPNotification& note) {
                if (note.name == KPMessage::ImageReportRefresh)
                    refreshReport(note);
            });
}

void KPReportView::awakeFromNib()
{
    refreshLang();
}

void KPReportView::refreshLang()
{
    setTitle(KPLocalization::text("L_ReportBoxPreview"));
    m_totalLB->setText(KPLocalization::text("L_FileTotal"));
    m_okLB->setText(KPLocalization::text("L_ResizeOKNum"));
    m_failLB->setText(KPLocalization::text("L_ResizeErrorNum"));
    m_setLB->setText(KPLocalization::text("L_SetTotalLB"));
    m_setLB->setBuddy(m_setTF);
    m_totalTF->clear();
    m_okTF->clear();
    m_failTF->clear();
}

void KPReportView::refreshReport(const KPNotification& notification)
{
    const QVariantMap& info = notification.userInfo;
    if (const QVariant total = info.value(KPMessage::Total); total.isValid())
        m_totalTF->setText(QString::number(total.value<quint64>()));
    const QVariant ok = info.value(KPMessage::ReportOK);
    m_okTF->setText(ok.isValid() ? QString::number(ok.value<KPImageDataList>().size())
                                 : QStringLiteral("0"));
    const QVariant failed = info.value(KPMessage::ReportError);
    m_failTF->setText(failed.isValid() ? QString::number(failed.value<KPImageDataList>().size())
                                       : QStringLiteral("0"));
}

void KPReportView::showRunProgress(int done, int current, int count)
{
    m_runPI->setRange(0, qMax(count, 1));
    m_runPI->setValue(qBound(0, done, count));
    m_runPI->setFormat(KPLocalization::text("L_RunProgress").arg(current).arg(count));
    m_runPI->show();
}

void KPReportView::hideRunProgress()
{
    m_runPI->hide();
}

void KPReportView::showSetTotal(quint64 limit, quint64 written, quint64 over)
{
    const QString of = KPStringTools::limitText(limit);
    m_setTF->setText(
        over > 0 ? KPLocalization::text("L_SetOver").arg(of, KPStringTools::sizeSwitch(float(over)))
                 : KPLocalization::text("L_SetTotal")
                       .arg(KPStringTools::sizeSwitch(float(written)), of));
    static_cast<QFormLayout*>(layout())->setRowVisible(m_setTF, true);
}

void KPReportView::hideSetTotal()
{
    m_setTF->clear();
    static_cast<QFormLayout*>(layout())->setRowVisible(m_setTF, false);
}
