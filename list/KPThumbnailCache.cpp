#include "list/KPThumbnailCache.h"

#include "engine/KPImageDecoder.h"

#include <QPointer>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <unistd.h>
#endif

KPThumbnailCache::KPThumbnailCache(QSize side, QObject* parent)
    : QObject(parent), m_side(side), m_cache(CacheBytes), m_queue(std::make_shared<Queue>())
{
    m_queue->box = side;
    m_pool.setMaxThreadCount(2);
}

void KPThumbnailCache::setDevicePixelRatio(qreal ratio)
{
    if (ratio <= 0 || qFuzzyCompare(ratio, m_ratio))
        return;
    m_ratio = ratio;
    {
        std::lock_guard lock(m_queue->mutex);
        m_queue->pending.clear();
        m_queue->box = (QSizeF(m_side) * ratio).toSize();
        m_queue->ratio = ratio;
    }
    m_cache.clear();
    m_requested.clear();
}

KPThumbnailCache::~KPThumbnailCache()
{
    {
        std::lock_guard lock(m_queue->mutex);
        m_queue->closed = true;
        m_queue->pending.clear();
    }
    m_pool.waitForDone();
}

QImage KPThumbnailCache::load(const QString& path, QSize box, QSize* fullSize)
{
    const KPImageDecoder::Decoded decoded = KPImageDecoder::readFile(path, box);
    if (fullSize)
        *fullSize = decoded.size;
    return decoded.image;
}

QImage KPThumbnailCache::thumbnail(const QString& path)
{
    if (const Entry* entry = m_cache.object(path))
        return entry->image;
    if (!m_requested.contains(path)) {
        m_requested.insert(path);
        {
            std::lock_guard lock(m_queue->mutex);
            m_queue->pending.push_back(path);
            while (m_queue->pending.size() > MaxPending) {
                m_requested.remove(m_queue->pending.front());
                m_queue->pending.pop_front();
            }
        }
        pump();
    }
    return {};
}

QSize KPThumbnailCache::pixelSize(const QString& path) const
{
    const Entry* entry = m_cache.object(path);
    return entry ? entry->fullSize : QSize();
}

void KPThumbnailCache::pump()
{
    if (m_pool.activeThreadCount() >= m_pool.maxThreadCount())
        return;
    const std::shared_ptr<Queue> queue = m_queue;
    const QPointer<KPThumbnailCache> self(this);
    m_pool.start([queue, self] {
#ifdef Q_OS_LINUX
        // On two cores, two readers at the GUI thread's priority made it wait for a core
        // while scrolling; niced, they still use every idle cycle. Linux keeps nice per
        // thread, and these threads are the cache's own.
        ::setpriority(PRIO_PROCESS, ::gettid(), BackgroundNice);
#endif
        for (;;) {
            QString path;
            QSize box;
            qreal ratio = 1.0;
            {
                std::lock_guard lock(queue->mutex);
                if (queue->closed || queue->pending.empty())
                    return;
                path = queue->pending.back();
                queue->pending.pop_back();
                box = queue->box;
                ratio = queue->ratio;
            }
            QSize fullSize;
            QImage image = load(path, box, &fullSize);
            image.setDevicePixelRatio(ratio);
            QMetaObject::invokeMethod(
                self.data(),
                [self, path, image, fullSize, ratio] {
                    if (self)
                        self->loaded(path, image, fullSize, ratio);
                },
                Qt::QueuedConnection);
        }
    });
}

void KPThumbnailCache::loaded(const QString& path, const QImage& image, QSize fullSize, qreal ratio)
{
    // Read for a pixel ratio no longer in use: the new ratio's read is on its way.
    if (!qFuzzyCompare(ratio, m_ratio))
        return;
    m_requested.remove(path);
    // A picture that cannot be read keeps an empty entry, so it is not read again.
    const qint64 cost = qMax<qint64>(image.sizeInBytes(), 64);
    m_cache.insert(path, new Entry{image, fullSize}, cost);
    Q_EMIT thumbnailReady(path);
}
