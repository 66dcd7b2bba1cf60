#pragma once

#include "engine/KPAsync.h"
#include "engine/KPRowDecode.h"

#include <QByteArray>
#include <QImage>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

// Decodes JPEG data on another thread into a Format_RGB32 picture whose rows can be read
// as soon as they are decoded. The fitting uses it to encode the next quality step while
// the previous step's file is still being decoded: the two run side by side on two
// cores, and the picture that comes out is the same as from a decode before the encode.
// When no thread is free to decode, the first wait decodes the whole picture itself.
class KPJpegStreamDecode final : public KPRowDecode
{
public:
    // Reads the header and starts decoding; nothing when the data is no JPEG this
    // decoder takes or the picture would exceed the decoder's allocation limit. Decoding
    // fails early once `cancelled` answers true. A `spent` picture of the decode's size and
    // format that nothing else holds is decoded into: each quality step decodes a picture of
    // the same size as the one before, and a new one would have every page of it faulted in
    // afresh. Any other is let go before the new one is made.
    static std::shared_ptr<KPJpegStreamDecode>
    start(const QByteArray& jpeg, std::function<bool()> cancelled = {}, QImage spent = {});
    ~KPJpegStreamDecode() override;

    QSize size() const override { return m_image.size(); }
    bool waitRows(int rows) override;
    bool wait() override;
    const QImage& image() const override { return m_image; }

private:
    KPJpegStreamDecode() = default;
    void run();

    QByteArray m_jpeg;
    std::function<bool()> m_cancelled;
    QImage m_image;
    uchar* m_bits = nullptr;
    std::atomic<int> m_rows{0};
    std::mutex m_mutex;
    std::condition_variable m_progress;
    bool m_failed = false;
    bool m_done = false;
    KPAsync::Task<void> m_decode; // last: it ends before what it decodes goes
};

// Asked by a streaming encoder before it reads rows [0, rows): true once they may be
// read, false to give up.
using KPRowGate = std::function<bool(int rows)>;
