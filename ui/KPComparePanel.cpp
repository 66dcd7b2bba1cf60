#include "ui/KPComparePanel.h"

#include "engine/KPAsync.h"
#include "engine/KPPath.h"
#include "list/KPStringTools.h"
#include "ui/KPCompareView.h"
#include "ui/KPImageView.h"
#include "ui/KPLocalization.h"

#include <QAction>
#include <QActionGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

#include <sys/stat.h>

namespace {
QAction* zoomAction(QActionGroup* group, QKeySequence shortcut)
{
    auto* action = new QAction(group);
    action->setCheckable(true);
    action->setShortcut(shortcut);
    return action;
}

// A menu text on a button, with the shortcut in its tool tip.
void setTexts(QAction* action, const char* menuKey, const char* buttonKey)
{
    action->setText(KPLocalization::text(menuKey));
    action->setIconText(KPLocalization::text(buttonKey));
    QString tip = KPLocalization::withoutMnemonic(action->text());
    if (!action->shortcut().isEmpty())
        tip += QStringLiteral(" (%1)").arg(action->shortcut().toString(QKeySequence::NativeText));
    action->setToolTip(tip);
}
} // namespace

KPComparePanel::KPComparePanel(KPImageView* plain, QWidget* parent)
    : QWidget(parent), m_plain(plain), m_stack(new QStackedWidget(this)),
      m_comparePage(new QWidget(m_stack)), m_compareV(new KPCompareView(m_comparePage)),
      m_infoLB(new QLabel(m_comparePage)), m_compareMI(new QAction(this)),
      m_zoomGroup(new QActionGroup(this)),
      m_zoomFitMI(zoomAction(m_zoomGroup, QKeySequence(Qt::CTRL | Qt::Key_0))),
      m_zoom100MI(zoomAction(m_zoomGroup, QKeySequence(Qt::CTRL | Qt::Key_1))),
      m_zoom200MI(zoomAction(m_zoomGroup, QKeySequence(Qt::CTRL | Qt::Key_2)))
{
    m_compareMI->setCheckable(true);
    m_compareMI->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    m_zoomGroup->setExclusive(true);
    m_zoomFitMI->setChecked(true);

    auto* bar = new QHBoxLayout;
    bar->setSpacing(0);
    for (QAction* action : {m_compareMI, m_zoomFitMI, m_zoom100MI, m_zoom200MI}) {
        auto* button = new QToolButton(this);
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setFocusPolicy(Qt::StrongFocus);
        m_buttons.append(button);
        bar->addWidget(button);
        if (action == m_compareMI)
            bar->addStretch(1);
    }

    // Tab reaches the buttons first, then the pictures they act on (made before them).
    for (qsizetype i = 1; i < m_buttons.size(); ++i)
        QWidget::setTabOrder(m_buttons[i - 1], m_buttons[i]);
    QWidget::setTabOrder(m_buttons.last(), m_compareV);

    m_infoLB->setWordWrap(true);
    m_infoLB->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* page = new QVBoxLayout(m_comparePage);
    page->setContentsMargins(0, 0, 0, 0);
    page->addWidget(m_compareV, 1);
    page->addWidget(m_infoLB);
    m_stack->addWidget(m_plain);
    m_stack->addWidget(m_comparePage);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(bar);
    layout->addWidget(m_stack, 1);

    connect(m_compareMI, &QAction::toggled, this, &KPComparePanel::updateMode);
    connect(m_zoomFitMI, &QAction::triggered, this,
            [this] { m_compareV->setZoom(KPCompareView::Zoom::Fit); });
    connect(m_zoom100MI, &QAction::triggered, this,
            [this] { m_compareV->setZoom(KPCompareView::Zoom::Actual); });
    connect(m_zoom200MI, &QAction::triggered, this,
            [this] { m_compareV->setZoom(KPCompareView::Zoom::Double); });
    updateMode();
    connect(&m_loadWatcher, &QFutureWatcherBase::finished, this, &KPComparePanel::loadEnded);
}

KPComparePanel::~KPComparePanel()
{
    drop();
    m_loader.waitForFinished();
}

void KPComparePanel::loadEnded()
{
    m_loading = false;
    // A comparison of files no longer shown is not shown.
    const QFuture<KPComparison> ended = m_loadWatcher.future();
    if (!ended.isCanceled() && ended.resultCount() > 0 && m_loadingKey == m_loadedKey)
        loaded(ended.result());
}

QList<QAction*> KPComparePanel::zoomActions() const
{
    return {m_zoomFitMI, m_zoom100MI, m_zoom200MI};
}

void KPComparePanel::refreshLanguage()
{
    setTexts(m_compareMI, "L_MICompare", "L_Compare");
    setTexts(m_zoomFitMI, "L_MIZoomFit", "L_ZoomFit");
    setTexts(m_zoom100MI, "L_MIZoom100", "L_Zoom100");
    setTexts(m_zoom200MI, "L_MIZoom200", "L_Zoom200");
    m_compareV->setAccessibleName(KPLocalization::text("L_CompareViewName"));
    m_compareV->setAccessibleDescription(KPLocalization::text("L_CompareViewDesc"));
    m_infoLB->setToolTip(KPLocalization::text("L_CompareSsimTip"));
    showInfo();
}

bool KPComparePanel::isComparing() const
{
    return m_stack->currentWidget() == m_comparePage;
}

bool KPComparePanel::isLoading() const
{
    return m_loading;
}

void KPComparePanel::showJob(const KPImageDataPtr& job)
{
    const bool converted = job && job->is(KPProgress::Converted) && !job->exportPath().isEmpty();
    m_source = converted ? job->path() : QString();
    m_output = converted ? job->exportPath() : QString();
    m_outputPixels = converted ? job->exportPixelSize() : QSize();
    m_outputBytes = converted ? job->exportSize() : std::nullopt;
    updateMode();
}

void KPComparePanel::setRunning(bool running)
{
    m_running = running;
    updateMode();
}

void KPComparePanel::updateMode()
{
    const bool available = !m_running && !m_output.isEmpty();
    m_compareMI->setEnabled(available);
    const bool comparing = available && m_compareMI->isChecked();
    m_zoomGroup->setEnabled(comparing);
    // The zooms are of the comparison only: out of it they would only be in the way.
    for (QToolButton* button : std::as_const(m_buttons))
        button->setVisible(comparing || button->defaultAction() == m_compareMI);
    m_stack->setCurrentWidget(comparing ? m_comparePage : static_cast<QWidget*>(m_plain));
    if (comparing)
        load();
    else
        drop();
}

void KPComparePanel::load()
{
    // The output's size and time tell a file written again by a later run.
    struct stat output
    {
    };
    if (::stat(KPPath::toNative(m_output).constData(), &output) != 0)
        output = {};
    const QString key = m_source + QLatin1Char('\n') + m_output + QLatin1Char('\n') +
                        QString::number(output.st_size) + QLatin1Char('\n') +
                        QString::number(output.st_mtim.tv_sec) + QLatin1Char('.') +
                        QString::number(output.st_mtim.tv_nsec);
    if (key == m_loadedKey)
        return; // shown, or on its way
    drop();
    m_loadedKey = key;
    m_comparison.reset();
    m_compareV->clear();
    showInfo();
    auto stop = std::make_shared<std::atomic_bool>(false);
    m_stop = stop;
    m_loader = KPAsync::run([source = m_source, outputPath = m_output, stop] {
        return KPComparison::make(source, outputPath, [stop] { return stop->load(); });
    });
    m_loadingKey = key;
    m_loading = true;
    m_loadWatcher.setFuture(m_loader);
}

void KPComparePanel::drop()
{
    // What is still being read is for a picture no longer shown.
    if (m_stop)
        m_stop->store(true);
    m_stop.reset();
    m_loader.cancel();
    if (!m_comparison)
        m_loadedKey.clear();
}

void KPComparePanel::loaded(const KPComparison& comparison)
{
    m_comparison = comparison;
    if (comparison.isValid())
        m_compareV->setPictures(comparison.before, comparison.after);
    else
        m_compareV->clear();
    showInfo();
}

void KPComparePanel::showInfo()
{
    if (m_comparison && m_comparison->failedSide != KPComparison::Side::None) {
        const char* key = m_comparison->failedSide == KPComparison::Side::Source
                              ? "L_CompareSourceFailed"
                              : "L_CompareOutputFailed";
        m_infoLB->setText(
            KPLocalization::text(key).arg(KPFailureText::text(m_comparison->failure)));
        return;
    }
    const QSize pixels = m_comparison ? m_comparison->after.size() : m_outputPixels;
    const QString pixelText =
        pixels.isValid() ? QStringLiteral("%1 x %2").arg(pixels.width()).arg(pixels.height())
                         : KPLocalization::text("L_Unknown");
    const QString bytes = m_outputBytes ? KPStringTools::sizeSwitch(float(*m_outputBytes))
                                        : KPLocalization::text("L_Unknown");
    QString ssim = KPLocalization::text("L_CompareComputing");
    if (m_comparison)
        ssim = std::isnan(m_comparison->ssim) ? QStringLiteral("–")
                                              : QLocale().toString(m_comparison->ssim, 'f', 4);
    m_infoLB->setText(KPLocalization::text("L_CompareInfo").arg(pixelText, bytes, ssim));
}
