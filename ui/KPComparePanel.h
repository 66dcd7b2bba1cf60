#pragma once

#include "engine/KPComparison.h"
#include "engine/KPImageData.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QWidget>

#include <atomic>
#include <memory>
#include <optional>

class KPCompareView;
class KPImageView;
class QAction;
class QActionGroup;
class QLabel;
class QStackedWidget;
class QToolButton;

// The picture area of the current-picture panel: the plain picture, or, in compare mode
// and for a converted picture, its source and output side by side (KPCompareView) with
// the output's pixel size, file size and SSIM. The comparison is read and measured on
// the engine's pool when it is first wanted for a picture; the GUI thread never waits for
// it. While a run goes the panel shows the plain picture the run follows.
class KPComparePanel : public QWidget
{
    Q_OBJECT
public:
    // `plain` shows the picture outside compare mode; the panel takes it in.
    explicit KPComparePanel(KPImageView* plain, QWidget* parent = nullptr);
    ~KPComparePanel() override;

    void refreshLanguage();
    // The job the panel shows, or none (the list is empty). Only a converted one compares.
    void showJob(const KPImageDataPtr& job);
    void setRunning(bool running);

    // Compare mode on and off, and the three zooms; the window's View menu holds them too.
    QAction* compareAction() const { return m_compareMI; }
    QList<QAction*> zoomActions() const;
    KPCompareView* compareV() const { return m_compareV; }
    QLabel* infoLB() const { return m_infoLB; }
    // Whether the comparison is shown (compare mode on, a converted picture).
    bool isComparing() const;
    bool isLoading() const;

private:
    void updateMode();
    void load();
    void loaded(const KPComparison& comparison);
    void loadEnded();
    void drop();
    void showInfo();

    KPImageView* m_plain;
    QStackedWidget* m_stack;
    QWidget* m_comparePage;
    KPCompareView* m_compareV;
    QLabel* m_infoLB;
    QAction* m_compareMI;
    QActionGroup* m_zoomGroup;
    QAction* m_zoomFitMI;
    QAction* m_zoom100MI;
    QAction* m_zoom200MI;
    QList<QToolButton*> m_buttons;
    bool m_running = false;

    // The converted picture shown, when there is one.
    QString m_source;
    QString m_output;
    QSize m_outputPixels;
    std::optional<quint64> m_outputBytes;
    // The files (and the output's version) of the comparison loaded or being loaded.
    QString m_loadedKey;
    std::optional<KPComparison> m_comparison;
    // The comparison comes back through a watcher, a part of this panel, so that one that
    // ends while the panel is destroyed has nothing left to post to.
    QFuture<KPComparison> m_loader;
    QFutureWatcher<KPComparison> m_loadWatcher;
    QString m_loadingKey; // the files the comparison being loaded is of
    bool m_loading = false;
    std::shared_ptr<std::atomic_bool> m_stop;
};
