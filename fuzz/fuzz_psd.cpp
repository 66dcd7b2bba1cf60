// Feeds bytes to the PSD reader the way the engine does: a QImageReader on a QBuffer,
// asked for the header first, then for the picture.
#include "KPFuzzMarks.h"
#include "engine/formats/KPPsdLayout.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    QImageReader::setAllocationLimit(1024); // the engine's limit
    // Qt's complaints about broken input (colour profiles, mostly) would fill the log.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto layout = KPPsdLayout::readHeader(bytes)) {
        KPFuzzMarks::mark(std::size_t(layout->colorMode()) * 31 + std::size_t(layout->depth()) * 7 +
                          std::size_t(layout->channels()) + (layout->isLargeDocument() ? 128 : 0));
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "psd");
    reader.setAutoDetectImageFormat(false);
    const QSize header = reader.size();
    const QImage image = reader.read();
    if (!image.isNull() && image.size() != header)
        __builtin_trap(); // the size query and the picture disagree
    return 0;
}
