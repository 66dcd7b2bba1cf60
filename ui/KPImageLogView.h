#pragma once

#include "engine/KPImageData.h"
#include "engine/KPNotification.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QGroupBox>
#include <QImage>

class KPComparePanel;
class KPImageView;
class QLabel;
class QProgressBar;

// The current-picture panel: the picture, its file name, pixel size, file size, the
// JPEG quality it was written at and progress. Shows the selected row, follows the picture a run
// converts, and returns to the placeholder when the list becomes empty. Keeps no job between
// refreshes. For a converted picture its compare mode shows the source beside the output.
class KPImageLogView : public QGroupBox
{
    Q_OBJECT
public:
    explicit KPImageLogView(QWidget* parent = nullptr);
    ~KPImageLogView() override;

    void awakeFromNib();
    void refreshLanguage();
    // Shows the job of a ZUN_ImageLogRefresh message, or resets without user info.
    void refreshImageLog(const KPNotification& notification);
    void refreshViewState(const KPImageDataPtr& job);
    // The limit (bytes) the reason of a failed job names: that of the latest run.
    void setFailureLimit(quint64 limit) { m_failureLimit = limit; }
    // The smallest box (pixels) the reason of a job failed at that box names.
    void setFailureBox(QSize box) { m_failureBox = box; }

    // For tests and the window's layout.
    KPImageView* imageIV() const { return m_imageIV; }
    KPComparePanel* comparePanel() const { return m_comparePanel; }
    QLabel* logNameTF() const { return m_logNameTF; }
    QLabel* logScaleTF() const { return m_logScaleTF; }
    QLabel* logSizeTF() const { return m_logSizeTF; }
    QLabel* logQualityTF() const { return m_logQualityTF; }
    QLabel* logProgressTF() const { return m_logProgressTF; }
    QProgressBar* logProgressPI() const { return m_logProgressPI; }
    bool isLoadingPicture() const;

    static constexpr QSize PreviewBox{960, 720};

private:
    void showPicture(const QImage& image);
    void loadEnded();
    // The output's pixel size, file size and quality.
    void showOutputValues(const KPImageData& job, const QImage& output);
    void loadPicture(const QString& path);
    // Drops the picture still being loaded: it would show a job no longer shown.
    void dropLoad();

    KPImageView* m_imageIV;
    KPComparePanel* m_comparePanel;
    QLabel* m_logNameLB;
    QLabel* m_logNameTF;
    QLabel* m_logScaleLB;
    QLabel* m_logScaleTF;
    QLabel* m_logSizeLB;
    QLabel* m_logSizeTF;
    QLabel* m_logQualityLB;
    QLabel* m_logQualityTF;
    QLabel* m_logProgressLB;
    QLabel* m_logProgressTF;
    QProgressBar* m_logProgressPI;
    QImage m_defaultImage;
    // The loaded preview comes back through a watcher, a part of this view: a load that
    // ends while the view is destroyed then has nothing left to post to. (A continuation
    // with this view as its context could post to it while it is being destroyed.)
    QFuture<QImage> m_loader;
    QFutureWatcher<QImage> m_loadWatcher;
    bool m_loading = false; // until the last load has been shown or dropped
    quint64 m_failureLimit = 0;
    QSize m_failureBox;
};
