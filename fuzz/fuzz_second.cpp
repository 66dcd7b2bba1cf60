// Feeds bytes to the second reader as the engine does for a file Qt's readers turn away
// or would read wrongly: the checks that send a file there, the PNG orientation, then
// ImageMagick with one coder of the accepted types (chosen by the first byte), asked for
// the size and for the picture. In Pictaro ImageMagick runs in pictaro-decode, where a
// crash fails one picture; here it is a finding.
#include "KPFuzzMarks.h"
#include "engine/KPPngOrientation.h"
#include "engine/KPSecondReader.h"
#include "engine/formats/KPMagickDecoder.h"

#include <QImageReader>

#include <array>
#include <cstdint>

namespace {
constexpr std::array<const char*, 8> Coders = {"BMP",  "ICO", "TIFF", "GIF",
                                               "JPEG", "PNG", "WEBP", "ICNS"};
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    QImageReader::setAllocationLimit(1024); // the engine's limit
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    KPMagickDecoder::prepare(qint64(1024) << 20);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const std::size_t coder = data[0] % Coders.size();
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const bool misread = KPSecondReader::qtMisreads(bytes);
    const int orientation = KPPngOrientation::of(bytes);
    const KPDecodeReply header = KPMagickDecoder::decode(bytes, Coders[coder], true);
    const KPDecodeReply picture = KPMagickDecoder::decode(bytes, Coders[coder], false);
    KPFuzzMarks::mark(coder * 29 + std::size_t(header.failure) * 7 +
                      std::size_t(picture.failure) * 3 + (misread ? 1 : 0) +
                      std::size_t(orientation) * 61);
    return 0;
}
