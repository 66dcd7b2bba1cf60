// Feeds bytes to the HEIF reader of pictaro-decode: libheif with its HEVC and AV1
// decoders, in this process, asked for the size and then for the picture, whole or for
// a thumbnail's box (chosen by the last byte). In Pictaro the reader runs in
// pictaro-decode, where a crash fails one picture; here it is a finding.
#include "KPFuzzMarks.h"
#include "engine/formats/KPHeifDecoder.h"

#include <QImageReader>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    QImageReader::setAllocationLimit(1024); // the engine's limit
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qint64 memoryLimit = qint64(1024) << 20;
    const KPDecodeReply header = KPHeifDecoder::decode(bytes, memoryLimit, true);
    const bool thumbnail = size > 0 && (data[size - 1] & 1);
    const KPDecodeReply picture =
        KPHeifDecoder::decode(bytes, memoryLimit, false, thumbnail ? QSize(8, 8) : QSize());
    // The sizes and the reasons stand in for the paths libheif took, which libFuzzer
    // cannot see in a library built without it.
    KPFuzzMarks::mark(std::size_t(header.size.width()) * 31 +
                      std::size_t(header.size.height()) * 7 + std::size_t(header.failure) * 3 +
                      std::size_t(picture.failure) + (thumbnail ? 128 : 0));
    if (header.ok() && picture.ok() && header.size != picture.size)
        __builtin_trap(); // the size query and the picture must agree
    return 0;
}
