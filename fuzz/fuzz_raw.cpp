// Feeds bytes to the raw reader the way the engine does for a .raw file: a QImageReader
// on a QBuffer with the format named, asked for the header first, then for the picture
// (at full size, or at a quarter for the thumbnails' half-size path). LibRaw runs in
// pictaro-decode, built here with the sanitizers too; whatever happens to that process,
// the reader must come back with a picture or a clean failure, in time.
#include "KPFuzzMarks.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication application(*argc, *argv);
    QImageReader::setAllocationLimit(1024); // the engine's limit
    // Qt's complaints about broken input would fill the log.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "raw");
    reader.setAutoDetectImageFormat(false);
    const QSize header = reader.size();
    const bool thumbnail = size > 0 && (data[size - 1] & 1);
    if (thumbnail && header.isValid())
        reader.setScaledSize((header / 4).expandedTo(QSize(1, 1)));
    const QImage image = reader.read();
    // The picture's size and whether it developed stand in for the path LibRaw took,
    // which libFuzzer cannot see in the other process.
    KPFuzzMarks::mark(std::size_t(header.width()) * 31 + std::size_t(header.height()) * 7 +
                      std::size_t(image.isNull()) + (thumbnail ? 128 : 0));
    return 0;
}
