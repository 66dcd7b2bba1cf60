// Feeds bytes to the raw reader the way the engine does for a .raw file: a QImageReader
// on a QBuffer with the format named, asked for the header first, then for the picture
// (at full size, or at a quarter for the thumbnails' half-size path).
#include "KPFuzzMarks.h"

#include <libraw/libraw.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <cstdint>
#include <memory>
#include <string_view>

namespace {
// Which LibRaw decoder the file selects, and for which maker.
void markDecoder(QByteArray& bytes)
{
    auto raw = std::make_unique<LibRaw>(LIBRAW_OPIONS_NO_MEMERR_CALLBACK |
                                        LIBRAW_OPIONS_NO_DATAERR_CALLBACK);
    if (raw->open_buffer(bytes.data(), size_t(bytes.size())) != LIBRAW_SUCCESS)
        return;
    const std::size_t decoder = std::hash<std::string_view>()(raw->unpack_function_name());
    KPFuzzMarks::mark(decoder * 7 + raw->imgdata.idata.maker_index);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    QImageReader::setAllocationLimit(1024); // the engine's limit
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    markDecoder(bytes);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "raw");
    reader.setAutoDetectImageFormat(false);
    const QSize header = reader.size();
    const bool thumbnail = size > 0 && (data[size - 1] & 1);
    if (thumbnail && header.isValid())
        reader.setScaledSize((header / 4).expandedTo(QSize(1, 1)));
    const QImage image = reader.read();
    Q_UNUSED(image);
    return 0;
}
