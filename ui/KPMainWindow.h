#pragma once

#include "engine/KPImageData.h"
#include "engine/KPNotification.h"
#include "settings/KPExportFolder.h"
#include "settings/KPSizeLimit.h"
#include "ui/KPDesktop.h"
#include "ui/KPEndAlert.h"
#include "ui/KPOriginalsAlert.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class KPAbout;
class KPBatchRun;
class KPDupPathPanel;
class KPExportPathView;
class KPLimitView;
class KPPreferences;
class KPImageLogView;
class KPInlineMessage;
class KPListView;
class KPPicTableView;
class KPReportView;
class QAction;
class QMenu;
class QSplitter;
class QTableView;
class QToolBar;

// The main window: toolbar and menus, the picture table, the current-picture and
// report panels, and the run. Each command hands its work to the part that carries it
// out; the run itself is the engine's, which reports back through signals.
class KPMainWindow : public QMainWindow
{
    Q_OBJECT
public:
    enum class Choose
    {
        Files,
        Folders
    };
    // Shows a chooser and calls back with the chosen paths (empty when the chooser
    // ended with OK but gave nothing); not called at all when it was cancelled.
    using Chooser = std::function<void(Choose, std::function<void(const QStringList&)>)>;

    explicit KPMainWindow(QWidget* parent = nullptr);
    ~KPMainWindow() override;

    // The start-up steps, once the window's parts exist.
    void awakeFromNib();
    void refreshLanguage();

    // Commands. `resize()` is Resize/Stop; the widget's own resize overloads stay usable.
    using QMainWindow::resize;
    void addPic();
    void addPicByFolder();
    void delPic();
    // Puts the pictures of the latest removal back in their places (not during a run).
    void undoDelPic();
    void resize();
    void preference();
    void aboutShow();
    void help();

    // The toolbar form: running or idle.
    void controllerState(bool running);
    // Stores the size limit and the export folder when a run starts.
    void saveConfig();

    // Adds paths as given on the command line or dropped: folders as Add Folder does,
    // files as Add Files does.
    void addPaths(const QStringList& paths);

    // Replaces the file dialogs (tests answer them here).
    void setChooser(Chooser chooser) { m_chooser = std::move(chooser); }

    KPListView* picLV() const { return m_picLV.get(); }
    KPPicTableView* picTableView() const { return m_picTableView; }
    KPImageLogView* imgMsgV() const { return m_imgMsgV; }
    KPReportView* reportV() const { return m_reportV; }
    KPLimitView* limitV() const { return m_limitV; }
    KPExportPathView* exportPathV() const { return m_exportPathV; }
    KPPreferences* preferenceV() const { return m_preferenceV; }
    KPAbout* aboutW() const { return m_aboutW; }
    KPDupPathPanel* dupPathPanel() const { return m_dupPathPanel; }
    QAction* preferenceAction() const { return m_preferenceMI; }
    QAction* aboutAction() const { return m_aboutMI; }
    QAction* helpAction() const { return m_helpMI; }
    QAction* undoAction() const { return m_undoMI; }
    // Replaces opening web pages (tests check the Help command here).
    void setUrlOpener(KPDesktop::Opener opener) { m_urlOpener = std::move(opener); }
    // Says so when the help page could not be opened.
    KPInlineMessage* openProblem() const { return m_openProblem; }
    KPBatchRun* run() const { return m_run.get(); }
    KPSizeLimit& sizeLimit() { return m_sizeLimit; }
    KPExportFolder& exportFolder() { return m_exportFolder; }
    QAction* addAction() const { return m_addTBI; }
    QAction* addFolderAction() const { return m_addFolderTBI; }
    QAction* deleteAction() const { return m_delTBI; }
    QAction* resizeAction() const { return m_resizeTBI; }
    KPEndAlert* endAlert() const { return m_endAlert; }
    // Open while the user is asked whether a run replaces the originals in its export
    // folder.
    KPOriginalsAlert* originalsAlert() const { return m_originalsAlert; }

    // The window title: the application's name, or "Pictaro" when it has none.
    static QString windowTitleFor(const QString& applicationName);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildActions();
    void buildMenus();
    void buildLayout();
    void showEndAlert();
    // Whether a run can start: pictures listed, a limit, a usable export folder. Each
    // missing one is said beside its control.
    bool readyToRun();
    // Starts the run over the list, its outputs replacing their own sources in the export
    // folder or written beside them.
    void startRun(bool replaceOriginals);
    void jobStarted(int index, int count);
    void jobFinished(int index, int count);
    void runStateChanged(bool running);
    void releasePreviews(const KPNotification& notification);
    void selectAll();
    void updateUndo();
    void openMenuBar();
    void chooseWithDialog(Choose kind, std::function<void(const QStringList&)> done);
    void restoreWindowState();
    void saveWindowState();

    std::unique_ptr<KPListView> m_picLV;
    std::unique_ptr<KPBatchRun> m_run;
    QTableView* m_picTV = nullptr;
    KPPicTableView* m_picTableView = nullptr;
    KPImageLogView* m_imgMsgV = nullptr;
    KPReportView* m_reportV = nullptr;
    KPLimitView* m_limitV = nullptr;
    KPExportPathView* m_exportPathV = nullptr;
    KPPreferences* m_preferenceV = nullptr;
    KPAbout* m_aboutW = nullptr;
    KPDupPathPanel* m_dupPathPanel = nullptr;
    QSplitter* m_splitter = nullptr;
    KPInlineMessage* m_openProblem = nullptr;
    KPDesktop::Opener m_urlOpener;

    QAction* m_addTBI = nullptr;
    QAction* m_addFolderTBI = nullptr;
    QAction* m_delTBI = nullptr;
    QAction* m_resizeTBI = nullptr;
    QAction* m_selectAllMI = nullptr;
    QAction* m_undoMI = nullptr;
    QAction* m_preferenceMI = nullptr;
    QAction* m_aboutMI = nullptr;
    QAction* m_quitMI = nullptr;
    QAction* m_helpMI = nullptr;
    QAction* m_hideAppMI = nullptr;
    QMenu* m_appMenu = nullptr;
    QMenu* m_editMenu = nullptr;
    QMenu* m_viewMenu = nullptr;
    QMenu* m_windowMenu = nullptr;
    QMenu* m_helpMenu = nullptr;
    QToolBar* m_toolBar = nullptr;

    QPointer<KPEndAlert> m_endAlert;
    QPointer<KPOriginalsAlert> m_originalsAlert;
    // The newest converted and failed jobs, whose previews the log view may still show.
    KPImageDataList m_keptPreviews;
    // Jobs of the current run started and finished: with several pictures at once, the
    // progress and the marked row follow the earliest job still in progress.
    int m_runStarted = 0;
    int m_runFinished = 0;
    Chooser m_chooser;
    KPSizeLimit m_sizeLimit;
    KPExportFolder m_exportFolder;
    bool m_closing = false;
};
