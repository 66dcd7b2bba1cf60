// Feeds bytes to the PSD reader as Pictaro and pictaro-decode take a document: the layout
// check Pictaro makes first, then ImageMagick's Photoshop coder, asked for the size and
// for the picture. In Pictaro the coder runs in pictaro-decode, where a crash fails one
// picture; here it is a finding, as is a picture of another size than its layout's.
#include "KPFuzzMarks.h"
#include "engine/formats/KPPsdDecoder.h"
#include "engine/formats/KPPsdLayout.h"

#include <QImageReader>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    QImageReader::setAllocationLimit(1024); // the engine's limit
    // Qt's complaints about broken input (colour profiles, mostly) would fill the log.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    KPPsdDecoder::prepare(qint64(1024) << 20);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto layout = KPPsdLayout::readHeader(bytes);
    if (layout) {
        KPFuzzMarks::mark(std::size_t(layout->colorMode()) * 31 + std::size_t(layout->depth()) * 7 +
                          std::size_t(layout->channels()) + (layout->isLargeDocument() ? 128 : 0));
    }
    if (!KPPsdLayout::read(bytes))
        return 0;
    const KPDecodeReply header = KPPsdDecoder::decode(bytes, true);
    const KPDecodeReply picture = KPPsdDecoder::decode(bytes, false);
    if (picture.ok() && picture.picture.size() != header.size)
        __builtin_trap(); // the size query and the picture disagree
    return 0;
}
