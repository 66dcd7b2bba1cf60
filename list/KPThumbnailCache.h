#pragma once

#include <QCache>
#include <QSet>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QThreadPool>

#include <deque>
#include <memory>
#include <mutex>

// Small pictures of the listed files for the table, read in the background so that
// the GUI thread never decodes a photo. Readers decode straight to the small size where
// the format allows (JPEG's scaled decoding); only the small picture is kept, in a
// cache of bounded size, so a list of tens of thousands of photos stays light.
class KPThumbnailCache : public QObject
{
    Q_OBJECT
public:
    // `side` is the box a thumbnail fits in, in device-independent pixels.
    explicit KPThumbnailCache(QSize side, QObject* parent = nullptr);
    ~KPThumbnailCache() override;

    // Thumbnails are read with this many pixels to a device-independent one (the screen's
    // ratio), and carry it. A change drops the thumbnails read for the old one.
    void setDevicePixelRatio(qreal ratio);
    qreal devicePixelRatio() const { return m_ratio; }

    // The thumbnail, or a null image; a missing one is requested.
    QImage thumbnail(const QString& path);
    // The picture's own pixel size, when its thumbnail has been read.
    QSize pixelSize(const QString& path) const;

    // Most recently requested first; older requests beyond this many are dropped, so
    // scrolling fast through a long list does not queue thousands of reads.
    static constexpr int MaxPending = 256;
    static constexpr qint64 CacheBytes = 64LL * 1024 * 1024;
    // The readers' nice value, so that the GUI thread gets a core first.
    static constexpr int BackgroundNice = 10;

    // Reads a picture scaled to fit `box`, upright; also gives its full size.
    static QImage load(const QString& path, QSize box, QSize* fullSize = nullptr);

Q_SIGNALS:
    void thumbnailReady(const QString& path);

private:
    struct Entry
    {
        QImage image;
        QSize fullSize;
    };
    struct Queue
    {
        std::mutex mutex;
        std::deque<QString> pending;
        QSize box; // in device pixels
        qreal ratio = 1.0;
        bool closed = false;
    };

    void loaded(const QString& path, const QImage& image, QSize fullSize, qreal ratio);
    void pump();

    QSize m_side;
    qreal m_ratio = 1.0;
    QCache<QString, Entry> m_cache;
    QSet<QString> m_requested;
    std::shared_ptr<Queue> m_queue;
    QThreadPool m_pool;
};
