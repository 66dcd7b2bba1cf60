#include "engine/KPJpegStream.h"

#include "engine/KPImageDecoder.h"
#include "engine/KPJpegError.h"
#include "engine/KPJpegPixels.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

// Plain C state only between setjmp and longjmp: nothing here has a destructor.
bool readHeader(const QByteArray& jpeg, int& width, int& height)
{
    jpeg_decompress_struct info{};
    KPJpegError error{};
    info.err = error.manager();
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    KPJpegPixels::readFrom(&info, jpeg);
    jpeg_read_header(&info, TRUE);
    const bool colour = KPJpegPixels::rgbReadable(info);
    width = int(info.image_width);
    height = int(info.image_height);
    jpeg_destroy_decompress(&info);
    return colour;
}

// Decodes into `image`, storing the number of finished rows in `rows` as it goes.
bool decodeRows(const QByteArray& jpeg, uchar* bits, qsizetype stride, QSize size,
                const std::function<bool()>& cancelled, std::atomic<int>& rows, std::mutex& mutex,
                std::condition_variable& progress)
{
    jpeg_decompress_struct info{};
    KPJpegError error{};
    info.err = error.manager();
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    KPJpegPixels::readFrom(&info, jpeg);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = KPJpegPixels::Rgb32;
    info.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&info);
    if (int(info.output_width) != size.width() || int(info.output_height) != size.height()) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        if (cancelled && cancelled()) {
            jpeg_destroy_decompress(&info);
            return false;
        }
        KPJpegPixels::readRows(&info, bits, stride);
        rows.store(int(info.output_scanline), std::memory_order_release);
        {
            std::lock_guard lock(mutex);
        }
        progress.notify_all();
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}
} // namespace

std::shared_ptr<KPJpegStreamDecode>
KPJpegStreamDecode::start(const QByteArray& jpeg, std::function<bool()> cancelled, QImage spent)
{
    int width = 0;
    int height = 0;
    if (!readHeader(jpeg, width, height) || width <= 0 || height <= 0)
        return {};
    if (qint64(width) * height * 4 > qint64(KPImageDecoder::AllocationLimitMB) * 1024 * 1024)
        return {};
    std::shared_ptr<KPJpegStreamDecode> decode(new KPJpegStreamDecode);
    decode->m_jpeg = jpeg;
    decode->m_cancelled = std::move(cancelled);
    // Every row is written whole, so what the spent picture held never shows.
    if (spent.size() == QSize(width, height) && spent.format() == QImage::Format_RGB32 &&
        spent.isDetached())
        decode->m_image = std::move(spent);
    else
        spent = QImage(); // held once, not beside the new picture
    if (decode->m_image.isNull())
        decode->m_image = QImage(width, height, QImage::Format_RGB32);
    if (decode->m_image.isNull())
        return {};
    // Taken here, before any copy of the picture exists, so the buffer the decoder
    // fills is the one every reader sees.
    decode->m_bits = decode->m_image.bits();
    // The task ends, or is abandoned, before the object it decodes into goes.
    decode->m_decode = KPAsync::Task<void>::start([raw = decode.get()] { raw->run(); });
    return decode;
}

KPJpegStreamDecode::~KPJpegStreamDecode()
{
    m_decode.drop();
}

void KPJpegStreamDecode::run()
{
    // Not timed here: the worker times what it waits for, so overlapped work is not
    // counted twice.
    const bool ok = decodeRows(m_jpeg, m_bits, m_image.bytesPerLine(), m_image.size(), m_cancelled,
                               m_rows, m_mutex, m_progress);
    // The encoding is let go as soon as its picture is whole: the next step's encoding is
    // growing meanwhile, and with a large picture both would be held at once.
    m_jpeg = QByteArray();
    {
        std::lock_guard lock(m_mutex);
        m_failed = !ok;
        m_done = true;
    }
    m_progress.notify_all();
}

bool KPJpegStreamDecode::waitRows(int rows)
{
    if (m_rows.load(std::memory_order_acquire) >= rows)
        return true;
    m_decode.runIfQueued();
    std::unique_lock lock(m_mutex);
    m_progress.wait(
        lock, [this, rows] { return m_done || m_rows.load(std::memory_order_acquire) >= rows; });
    return m_rows.load(std::memory_order_acquire) >= rows;
}

bool KPJpegStreamDecode::wait()
{
    m_decode.runIfQueued();
    std::unique_lock lock(m_mutex);
    m_progress.wait(lock, [this] { return m_done; });
    return !m_failed;
}
