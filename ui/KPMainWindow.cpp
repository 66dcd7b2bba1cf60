#include "ui/KPMainWindow.h"

#include "engine/KPBatchRun.h"
#include "engine/KPExportPlacement.h"
#include "engine/KPFitter.h"
#include "engine/KPPath.h"
#include "list/KPDupPathPanel.h"
#include "list/KPListView.h"
#include "list/KPPicTableModel.h"
#include "list/KPPicTableView.h"
#include "settings/KPExportPathView.h"
#include "settings/KPLimitView.h"
#include "settings/KPNumberTextField.h"
#include "settings/KPPathComboBox.h"
#include "settings/KPPreferences.h"
#include "settings/KPSettings.h"
#include "ui/KPAbout.h"
#include "ui/KPComparePanel.h"
#include "ui/KPEndAlert.h"
#include "ui/KPImageLogView.h"
#include "ui/KPInlineMessage.h"
#include "ui/KPLocalization.h"
#include "ui/KPProductInfo.h"
#include "ui/KPReportView.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QSettings>
#include <QShortcut>
#include <QSplitter>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {
QIcon picture(const char* name)
{
    return QIcon(QStringLiteral(":/pictures/%1.svg").arg(QLatin1String(name)));
}

QSettings windowStore()
{
    return QSettings(QStringLiteral("Pictaro"), QStringLiteral("Pictaro"));
}
} // namespace

KPMainWindow::KPMainWindow(QWidget* parent)
    : QMainWindow(parent), m_picLV(std::make_unique<KPListView>()),
      m_run(std::make_unique<KPBatchRun>())
{
    setAcceptDrops(true);
    buildActions();
    buildMenus();
    buildLayout();

    m_picTableView = new KPPicTableView(m_picTV, this);
    m_picTableView->awakeFromNib();
    m_picLV->setPresenter(m_picTableView);
    m_imgMsgV->awakeFromNib();
    m_reportV->awakeFromNib();
    m_limitV->awakeFromNib();
    m_exportPathV->awakeFromNib();
    m_preferenceV->awakeFromNib();
    m_aboutW->awakeFromNib();
    m_dupPathPanel->awakeFromNib();
    connect(m_picLV.get(), &KPListView::showDupPanel, m_dupPathPanel,
            &KPDupPathPanel::showDupPanel);
    connect(m_picLV.get(), &KPListView::canUndoDelMemberChanged, this, &KPMainWindow::updateUndo);

    // The run reads the limit and the folder on its own threads, from the thread-safe
    // copies the two views keep up to date.
    m_run->setLimitSizeSource([this] { return m_sizeLimit.limitSize(); });
    m_run->setExportPathSource([this] { return m_exportFolder.exportPath(); });
    m_run->setWaitsForEndAlert(true);
    m_run->setRedrawsList(true);
    connect(m_run.get(), &KPBatchRun::listRefresh, m_picLV.get(), &KPListView::refreshListView);
    connect(m_run.get(), &KPBatchRun::jobsReset, m_picLV.get(), &KPListView::refreshListView);
    connect(m_run.get(), &KPBatchRun::controllerState, this, &KPMainWindow::controllerState);
    connect(m_run.get(), &KPBatchRun::controllerState, this, &KPMainWindow::runStateChanged);
    connect(m_run.get(), &KPBatchRun::jobStarted, this,
            [this](const KPImageDataPtr&, int index, int count) { jobStarted(index, count); });
    connect(m_run.get(), &KPBatchRun::jobFinished, this,
            [this](const KPImageDataPtr&, int index, int count) { jobFinished(index, count); });
    connect(m_run.get(), &KPBatchRun::saveConfig, this, &KPMainWindow::saveConfig);
    connect(m_run.get(), &KPBatchRun::imageReportRefresh, m_reportV, &KPReportView::refreshReport);
    connect(m_run.get(), &KPBatchRun::imageReportRefresh, this, &KPMainWindow::releasePreviews);
    connect(m_run.get(), &KPBatchRun::imageLogRefresh, m_imgMsgV, &KPImageLogView::refreshImageLog);
    connect(m_run.get(), &KPBatchRun::runEnded, this, &KPMainWindow::showEndAlert);
    connect(m_run.get(), &KPBatchRun::setTotal, m_reportV, &KPReportView::showSetTotal);
}

KPMainWindow::~KPMainWindow()
{
    // The run goes first: its threads may still hand work to the views and the list.
    m_run.reset();
    m_picLV->setPresenter(nullptr);
}

void KPMainWindow::buildActions()
{
    m_addTBI = new QAction(picture("AddFile"), QString(), this);
    m_addTBI->setShortcut(QKeySequence::Open);
    connect(m_addTBI, &QAction::triggered, this, &KPMainWindow::addPic);

    m_addFolderTBI = new QAction(picture("AddFolder"), QString(), this);
    m_addFolderTBI->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    connect(m_addFolderTBI, &QAction::triggered, this, &KPMainWindow::addPicByFolder);

    m_delTBI = new QAction(picture("Delete"), QString(), this);
    m_delTBI->setShortcut(QKeySequence::Delete);
    connect(m_delTBI, &QAction::triggered, this, &KPMainWindow::delPic);

    m_resizeTBI = new QAction(picture("Resize"), QString(), this);
    m_resizeTBI->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    m_resizeTBI->setEnabled(false); // until start-up has finished
    connect(m_resizeTBI, &QAction::triggered, this, [this] { resize(); });

    m_undoMI = new QAction(this);
    m_undoMI->setShortcut(QKeySequence::Undo);
    m_undoMI->setEnabled(false); // nothing removed yet
    connect(m_undoMI, &QAction::triggered, this, &KPMainWindow::undoDelPic);

    m_selectAllMI = new QAction(this);
    m_selectAllMI->setShortcut(QKeySequence::SelectAll);
    connect(m_selectAllMI, &QAction::triggered, this, &KPMainWindow::selectAll);

    m_preferenceMI = new QAction(this);
    m_preferenceMI->setMenuRole(QAction::PreferencesRole);
    m_preferenceMI->setShortcut(QKeySequence::Preferences);
    if (m_preferenceMI->shortcut().isEmpty())
        m_preferenceMI->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(m_preferenceMI, &QAction::triggered, this, &KPMainWindow::preference);

    m_aboutMI = new QAction(this);
    m_aboutMI->setMenuRole(QAction::AboutRole);
    connect(m_aboutMI, &QAction::triggered, this, &KPMainWindow::aboutShow);

    m_quitMI = new QAction(this);
    m_quitMI->setMenuRole(QAction::QuitRole);
    m_quitMI->setShortcut(QKeySequence::Quit);
    connect(m_quitMI, &QAction::triggered, this, &QWidget::close);

    m_helpMI = new QAction(this);
    m_helpMI->setShortcut(QKeySequence::HelpContents);
    connect(m_helpMI, &QAction::triggered, this, &KPMainWindow::help);

    // Hiding an application has no meaning on most Linux desktops; minimising does.
    m_hideAppMI = new QAction(this);
    m_hideAppMI->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    connect(m_hideAppMI, &QAction::triggered, this, &QWidget::showMinimized);
}

void KPMainWindow::buildMenus()
{
    m_appMenu = menuBar()->addMenu(QString());
    m_appMenu->addAction(m_addTBI);
    m_appMenu->addAction(m_addFolderTBI);
    m_appMenu->addAction(m_delTBI);
    m_appMenu->addSeparator();
    m_appMenu->addAction(m_resizeTBI);
    m_appMenu->addSeparator();
    m_appMenu->addAction(m_quitMI);

    m_editMenu = menuBar()->addMenu(QString());
    m_editMenu->addAction(m_undoMI);
    m_editMenu->addSeparator();
    m_editMenu->addAction(m_selectAllMI);
    m_editMenu->addSeparator();
    m_editMenu->addAction(m_preferenceMI);

    // Filled once the panel whose commands it holds exists.
    m_viewMenu = menuBar()->addMenu(QString());

    m_windowMenu = menuBar()->addMenu(QString());
    m_windowMenu->addAction(m_hideAppMI);

    m_helpMenu = menuBar()->addMenu(QString());
    m_helpMenu->addAction(m_helpMI);
    m_helpMenu->addAction(m_aboutMI);

    m_toolBar = addToolBar(QString());
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolBar->setIconSize(QSize(32, 32));
    m_toolBar->addAction(m_addTBI);
    m_toolBar->addAction(m_addFolderTBI);
    m_toolBar->addAction(m_delTBI);
    auto* spacer = new QWidget(m_toolBar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_toolBar->addWidget(spacer);
    m_toolBar->addAction(m_resizeTBI);

    // F10 opens the menu bar, as in the other programs of the desktop.
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this, &KPMainWindow::openMenuBar);
    // Ctrl+Tab leaves any control, as Tab does, also one that takes Tab itself.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
          QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab)}) {
        auto* shortcut = new QShortcut(keys, this);
        const bool next = !(keys[0].keyboardModifiers() & Qt::ShiftModifier);
        connect(shortcut, &QShortcut::activated, this, [this, next] { focusNextPrevChild(next); });
    }
}

void KPMainWindow::openMenuBar()
{
    menuBar()->setActiveAction(m_appMenu->menuAction());
}

void KPMainWindow::buildLayout()
{
    auto* central = new QWidget(this);
    m_picTV = new QTableView(central);
    m_imgMsgV = new KPImageLogView(central);
    m_reportV = new KPReportView(central);

    auto* side = new QWidget(central);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(m_imgMsgV, 1);
    sideLayout->addWidget(m_reportV);

    m_splitter = new QSplitter(Qt::Horizontal, central);
    m_splitter->setObjectName(QStringLiteral("mainSplitter"));
    m_splitter->addWidget(m_picTV);
    m_splitter->addWidget(side);
    m_splitter->setStretchFactor(0, 3);
    m_splitter->setStretchFactor(1, 2);
    m_splitter->setChildrenCollapsible(false);

    m_limitV = new KPLimitView(m_sizeLimit, central);
    m_exportPathV = new KPExportPathView(m_exportFolder, central);
    // Top-aligned: a message under one field does not move the other.
    auto* settingsRow = new QHBoxLayout;
    settingsRow->addWidget(m_limitV, 0, Qt::AlignTop);
    settingsRow->addSpacing(16);
    settingsRow->addWidget(m_exportPathV, 1, Qt::AlignTop);

    m_openProblem = new KPInlineMessage(central);

    auto* layout = new QVBoxLayout(central);
    layout->addWidget(m_splitter, 1);
    layout->addLayout(settingsRow);
    layout->addWidget(m_openProblem);
    setCentralWidget(central);

    const KPComparePanel* compare = m_imgMsgV->comparePanel();
    m_viewMenu->addAction(compare->compareAction());
    m_viewMenu->addSeparator();
    m_viewMenu->addActions(compare->zoomActions());

    m_preferenceV = new KPPreferences(this);
    m_aboutW = new KPAbout(this);
    m_dupPathPanel = new KPDupPathPanel(this);
    resize(980, 640);
}

void KPMainWindow::awakeFromNib()
{
    refreshLanguage();
    KPSettings::checkDefaultSetting();
    m_picLV->setListViewType(KPListView::PictureList);
    setWindowTitle(windowTitleFor(QCoreApplication::applicationName()));
    m_resizeTBI->setEnabled(true);
    restoreWindowState();
}

QString KPMainWindow::windowTitleFor(const QString& applicationName)
{
    return applicationName.isEmpty() ? QStringLiteral("Pictaro") : applicationName;
}

void KPMainWindow::refreshLanguage()
{
    // The menus show the texts with their mnemonics, the toolbar without.
    auto setTexts = [](QAction* action, const char* label, const char* tip) {
        action->setText(KPLocalization::text(label));
        action->setIconText(KPLocalization::withoutMnemonic(KPLocalization::text(label)));
        if (tip)
            action->setToolTip(KPLocalization::text(tip));
    };
    setTexts(m_addTBI, "L_TBIAddFile", "L_TBIAddFileTip");
    setTexts(m_addFolderTBI, "L_TBIAddFolder", "L_TBIAddFolderTip");
    setTexts(m_delTBI, "L_TBIDel", "L_TBIDelTip");
    setTexts(m_resizeTBI, "L_TBIResize", "L_TBIResizeTip");
    m_undoMI->setText(KPLocalization::text("L_MIUndoRemove"));
    m_selectAllMI->setText(KPLocalization::text("L_MISelectAll"));
    m_preferenceMI->setText(KPLocalization::text("L_MIPreference"));
    m_aboutMI->setText(KPLocalization::text("L_MIAbout"));
    m_quitMI->setText(KPLocalization::text("L_MIQuit"));
    m_helpMI->setText(KPLocalization::text("L_MIHelp"));
    m_hideAppMI->setText(KPLocalization::text("L_MIHideApp"));
    m_appMenu->setTitle(KPLocalization::text("L_MIApp"));
    m_editMenu->setTitle(KPLocalization::text("L_MenuEdit"));
    m_viewMenu->setTitle(KPLocalization::text("L_MenuView"));
    m_windowMenu->setTitle(KPLocalization::text("L_MenuWindow"));
    m_helpMenu->setTitle(KPLocalization::text("L_MenuHelp"));
    m_toolBar->setWindowTitle(KPLocalization::text("L_ToolBar"));
}

void KPMainWindow::controllerState(bool running)
{
    m_addTBI->setEnabled(!running);
    m_addFolderTBI->setEnabled(!running);
    m_delTBI->setEnabled(!running);
    const char* label = running ? "L_TBIStop" : "L_TBIResize";
    m_resizeTBI->setText(KPLocalization::text(label));
    m_resizeTBI->setIconText(KPLocalization::withoutMnemonic(KPLocalization::text(label)));
    m_resizeTBI->setToolTip(KPLocalization::text(running ? "L_TBIStopTip" : "L_TBIResizeTip"));
    m_resizeTBI->setIcon(picture(running ? "Cancel" : "Resize"));
    m_undoMI->setEnabled(m_picLV->canUndoDelMember() && !running);
    m_imgMsgV->comparePanel()->setRunning(running);
}

void KPMainWindow::updateUndo()
{
    m_undoMI->setEnabled(m_picLV->canUndoDelMember() && !m_run->resizeFlag());
}

void KPMainWindow::saveConfig()
{
    m_limitV->saveLimitSize();
    m_exportPathV->addPathToComboBox();
}

void KPMainWindow::resize()
{
    if (m_run->resizeFlag()) {
        m_run->resize(m_picLV->memberMAr()); // Stop
        return;
    }
    if (!readyToRun())
        return;
    QStringList sources;
    for (const KPImageDataPtr& job : m_picLV->memberMAr())
        sources.append(job->path());
    const std::optional<QString> folder = m_exportFolder.exportPath();
    const int originals =
        folder ? KPExportPlacement::originalsInTheWay(
                     sources, *folder, KPOutputFormats::extension(KPSettings::outputFormat()))
               : 0;
    if (originals == 0) {
        startRun(false);
        return;
    }
    // Nothing is replaced unless the user says so, before the run starts.
    auto* alert = new KPOriginalsAlert(originals, this);
    alert->setWindowTitle(windowTitle());
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    connect(alert, &KPOriginalsAlert::runChosen, this, &KPMainWindow::startRun);
    m_originalsAlert = alert;
    alert->open();
}

void KPMainWindow::startRun(bool replaceOriginals)
{
    KPFitOptions options;
    options.replaceOriginals = replaceOriginals;
    m_run->setFitOptions(options);
    m_run->resize(m_picLV->memberMAr());
}

bool KPMainWindow::readyToRun()
{
    // Every problem at once, so that one press of Resize tells all that is missing.
    const bool listed = !m_picLV->memberMAr().isEmpty();
    if (!listed)
        m_picTableView->showEmptyListProblem();
    const bool limited = m_limitV->checkBeforeRun();
    const bool folder = m_exportPathV->checkBeforeRun();
    if (!limited)
        m_limitV->sizeTF()->setFocus();
    else if (!folder)
        m_exportPathV->pathCB()->setFocus();
    if (!listed || !limited || !folder)
        return false;
    // The run works to the limit that was checked, whatever is typed while it starts.
    const quint64 limit = m_sizeLimit.limitSize();
    m_run->setLimitSizeSource([limit] { return limit; });
    m_picTableView->model()->setFailureLimit(limit);
    m_imgMsgV->setFailureLimit(limit);
    const QSize box = KPFitPreferences::smallestBox({}, KPFitPreferences::stored());
    m_picTableView->model()->setFailureBox(box);
    m_imgMsgV->setFailureBox(box);
    return true;
}

void KPMainWindow::runStateChanged(bool running)
{
    m_runStarted = 0;
    m_runFinished = 0;
    if (running) {
        m_reportV->hideSetTotal();
        m_reportV->showRunProgress(0, 0, int(m_picLV->memberMAr().size()));
        return;
    }
    m_reportV->hideRunProgress();
    m_picTableView->markCurrentRow(-1);
}

void KPMainWindow::jobStarted(int index, int count)
{
    // Queued from the run: a job of a run already stopped no longer counts.
    if (!m_run->resizeFlag())
        return;
    m_runStarted = std::max(m_runStarted, index + 1);
    if (index != m_runFinished)
        return; // an earlier job is still in progress and stays marked
    m_reportV->showRunProgress(index, index + 1, count);
    m_picTableView->markCurrentRow(index);
}

void KPMainWindow::jobFinished(int index, int count)
{
    if (!m_run->resizeFlag())
        return;
    m_runFinished = index + 1;
    if (m_runStarted > index + 1) {
        // The next job began while this one was in progress.
        m_reportV->showRunProgress(index + 1, index + 2, count);
        m_picTableView->markCurrentRow(index + 1);
        return;
    }
    m_reportV->showRunProgress(index + 1, index + 1, count);
}

void KPMainWindow::releasePreviews(const KPNotification& notification)
{
    // Each finished job keeps a preview of its output for the log view, about 0.8 MB for a
    // photo: kept for every job, a long run grew by that much a picture. The log view has
    // shown a job's preview by the time a later job reports, and reads the output file
    // when the job is selected again. Only one job is fitted at a time, so every job
    // reported before this one is done with.
    KPImageDataList newest;
    for (const QString& key : {KPMessage::ReportOK, KPMessage::ReportError}) {
        const auto jobs = notification.userInfo.value(key).value<KPImageDataList>();
        if (!jobs.isEmpty())
            newest.append(jobs.last());
    }
    for (const KPImageDataPtr& job : std::as_const(m_keptPreviews)) {
        if (!newest.contains(job))
            job->setExportImage({});
    }
    m_keptPreviews = newest;
}

void KPMainWindow::showEndAlert()
{
    const KPImageDataList converted = m_run->okImgMAr();
    // Where the pictures went: the folder may have been changed during the run, so the
    // last one written tells.
    const QString folder =
        converted.isEmpty() ? QString() : KPPath::folder(converted.last()->exportPath());
    auto* alert = new KPEndAlert(converted.size(), m_run->errorImgMAr().size(), folder, this);
    alert->setWindowTitle(windowTitle());
    connect(alert, &KPEndAlert::openFolderRequested, m_exportPathV, &KPExportPathView::openFolder);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    // The run ends when the alert is dismissed; the window stays responsive meanwhile.
    connect(alert, &QMessageBox::finished, this, [this] { m_run->endAlertDismissed(); });
    m_endAlert = alert;
    alert->open();
}

void KPMainWindow::chooseWithDialog(Choose kind, std::function<void(const QStringList&)> done)
{
    auto* dialog = new QFileDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Links are listed as themselves, not as what they point to.
    dialog->setOption(QFileDialog::DontResolveSymlinks);
    // Each chooser opens where it was last used, never in the folder Pictaro started in.
    const QString& folderKey =
        kind == Choose::Files ? KPSettingsKey::AddFilesFolder : KPSettingsKey::AddFolderFolder;
    dialog->setDirectory(KPSettings::chooserFolder(folderKey));
    if (kind == Choose::Files) {
        dialog->setWindowTitle(KPLocalization::text("L_ChooseFiles"));
        dialog->setFileMode(QFileDialog::ExistingFiles);
        QStringList patterns;
        for (const QString& extension : KPListView::imageExtensions())
            patterns.append(QStringLiteral("*.") + extension);
        dialog->setNameFilter(KPLocalization::text("L_PictureFiles") + QStringLiteral(" (") +
                              patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    } else {
        dialog->setWindowTitle(KPLocalization::text("L_ChooseFolder"));
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly);
    }
    // The system's file chooser hands over URLs, which keep the bytes of a name that is no
    // UTF-8; selectedFiles would not.
    connect(dialog, &QFileDialog::accepted, this, [dialog, folderKey, done = std::move(done)] {
        KPSettings::setObject(folderKey, dialog->directory().absolutePath());
        QStringList paths;
        for (const QUrl& url : dialog->selectedUrls()) {
            if (const std::optional<QString> path = KPPath::fromUrl(url))
                paths.append(*path);
        }
        done(paths);
    });
    dialog->open();
}

void KPMainWindow::addPic()
{
    auto done = [this](const QStringList& paths) {
        if (paths.isEmpty()) {
            qWarning("folderArray is nil");
            return;
        }
        m_picLV->addMember(paths);
        m_picLV->showDupPathPanel();
    };
    if (m_chooser)
        m_chooser(Choose::Files, done);
    else
        chooseWithDialog(Choose::Files, done);
}

void KPMainWindow::addPicByFolder()
{
    auto done = [this](const QStringList& paths) {
        if (paths.isEmpty()) {
            qWarning("folderArray is nil");
            return;
        }
        m_picLV->addMemberByFolder(paths);
        m_picLV->showDupPathPanel();
    };
    if (m_chooser)
        m_chooser(Choose::Folders, done);
    else
        chooseWithDialog(Choose::Folders, done);
}

void KPMainWindow::delPic()
{
    if (m_run->resizeFlag())
        return; // the list must not change under a run
    m_picLV->delMember();
}

void KPMainWindow::undoDelPic()
{
    if (m_run->resizeFlag())
        return;
    m_picLV->undoDelMember();
}

void KPMainWindow::addPaths(const QStringList& paths)
{
    if (m_run->resizeFlag())
        return;
    m_picLV->addPaths(paths);
    m_picLV->showDupPathPanel();
}

void KPMainWindow::selectAll()
{
    QWidget* focus = QApplication::focusWidget();
    if (auto* edit = qobject_cast<QLineEdit*>(focus))
        edit->selectAll();
    else if (auto* view = qobject_cast<QAbstractItemView*>(focus))
        view->selectAll();
    else
        m_picTV->selectAll();
}

void KPMainWindow::preference()
{
    m_preferenceV->showPanel();
}

void KPMainWindow::aboutShow()
{
    m_aboutW->showMe();
}

void KPMainWindow::help()
{
    const QUrl faq = KPProductInfo::faq();
    if (KPDesktop::open(faq, m_urlOpener))
        m_openProblem->clearMessage();
    else
        m_openProblem->showMessage(
            KPLocalization::text("L_PageNotOpened").arg(KPDesktop::shownPath(faq)));
}

void KPMainWindow::closeEvent(QCloseEvent* event)
{
    // Stopping cuts the job in progress short and removes its working file; no later job
    // starts while the window goes.
    m_run->stop();
    saveWindowState();
    event->accept();
}

void KPMainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!m_run->resizeFlag() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void KPMainWindow::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        // A name whose bytes are no UTF-8 comes percent-encoded; toLocalFile would lose it.
        if (const std::optional<QString> path = KPPath::fromUrl(url))
            paths.append(*path);
    }
    if (paths.isEmpty() || m_run->resizeFlag())
        return;
    addPaths(paths);
    event->acceptProposedAction();
}

void KPMainWindow::restoreWindowState()
{
    QSettings store = windowStore();
    store.beginGroup(QStringLiteral("Window"));
    restoreGeometry(store.value(QStringLiteral("Geometry")).toByteArray());
    m_splitter->restoreState(store.value(QStringLiteral("Splitter")).toByteArray());
}

void KPMainWindow::saveWindowState()
{
    QSettings store = windowStore();
    store.beginGroup(QStringLiteral("Window"));
    store.setValue(QStringLiteral("Geometry"), saveGeometry());
    store.setValue(QStringLiteral("Splitter"), m_splitter->saveState());
}
