// pictaro-decode: the process the readers of camera raw files (LibRaw), HEIF pictures
// (libheif) and the second reader (ImageMagick) run in: those libraries have a history
// of security faults, and a file that crashes one of them, or takes too long, must fail
// its job and nothing more. It reads a file on standard input and writes its size, or
// its picture, on standard output (KPDecodeReply).
//
//   pictaro-decode raw|heif|magick:CODER size|decode MEMORY_LIMIT_MB [BOX_WIDTH BOX_HEIGHT]
//
// A box asks for a picture to be shown at that size (a thumbnail, a preview): it comes
// back scaled down to fit, from the file's own small picture where it has one.
//
// Before it reads its input it enters its sandbox (KPHelperSandbox), once everything the
// decoders load from files of their own has been loaded.
//
//   pictaro-decode sandbox-check CALL
//
// checks the sandbox: see KPHelperSandbox::check.
#include "engine/formats/KPDecodeReply.h"
#include "engine/formats/KPHeifDecoder.h"
#include "engine/formats/KPHelperLimits.h"
#include "engine/formats/KPHelperSandbox.h"
#include "engine/formats/KPMagickDecoder.h"
#include "engine/formats/KPRawDeveloper.h"

#include <QColorSpace>
#include <QFile>
#include <QImageReader>

#include <csignal>
#include <sys/prctl.h>

#include <cstdlib>
#include <cstring>

namespace {
KPDecodeReply run(const char* kind, bool sizeOnly, const QByteArray& bytes, qint64 memoryLimit,
                  QSize box)
{
    if (std::strcmp(kind, "raw") == 0) {
        if (sizeOnly)
            return KPRawDeveloper::size(bytes, memoryLimit);
        // Half size skips demosaicing: four times less work and memory for a thumbnail.
        if (box.isValid()) {
            const KPDecodeReply header = KPRawDeveloper::size(bytes, memoryLimit);
            const bool half = header.ok() && box.width() * 2 <= header.size.width() &&
                              box.height() * 2 <= header.size.height();
            if (half)
                return KPRawDeveloper::develop(bytes, memoryLimit, true);
        }
        return KPRawDeveloper::develop(bytes, memoryLimit, false);
    }
    if (std::strcmp(kind, "heif") == 0)
        return KPHeifDecoder::decode(bytes, memoryLimit, sizeOnly, box);
    if (std::strncmp(kind, "magick:", 7) == 0)
        return KPMagickDecoder::decode(bytes, QByteArray(kind + 7), sizeOnly);
    return KPDecodeReply::failed(KPFailure::Unsupported);
}
} // namespace

int main(int argc, char** argv)
{
    // Pictaro waits for this process: when the thread that started it is gone (Pictaro was
    // killed), there is nobody to decode for.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // Every way out after the sandbox is std::_Exit: there is nothing to tidy, and the
    // sanitizers' leak check at exit would need calls the sandbox forbids.
    if (argc == 3 && std::strcmp(argv[1], KPHelperSandbox::CheckArgument) == 0)
        std::_Exit(KPHelperSandbox::check(argv[2]));
    if (argc != 4 && argc != 6)
        return 2;
    const char* kind = argv[1];
    const bool sizeOnly = std::strcmp(argv[2], "size") == 0;
    if (!sizeOnly && std::strcmp(argv[2], "decode") != 0)
        return 2;
    const qint64 memoryLimit = qint64(std::strtoll(argv[3], nullptr, 10)) << 20;
    QSize box;
    if (argc == 6)
        box = QSize(std::atoi(argv[4]), std::atoi(argv[5]));
    if (box.isEmpty())
        box = QSize();

    QFile in;
    QFile out;
    if (!in.open(stdin, QIODevice::ReadOnly) || !out.open(stdout, QIODevice::WriteOnly))
        return 2;
    if (memoryLimit > 0)
        QImageReader::setAllocationLimit(int(memoryLimit >> 20));
    // ImageMagick reads its configuration and loads the coder this file needs here, outside
    // the sandbox: a raw file's preview is a JPEG.
    KPMagickDecoder::prepare(memoryLimit);
    if (std::strncmp(kind, "magick:", 7) == 0)
        KPMagickDecoder::load(QByteArray(kind + 7));
    else if (std::strcmp(kind, "raw") == 0)
        KPMagickDecoder::load("JPEG");
    if (!KPHelperSandbox::enter())
        std::_Exit(KPHelperSandbox::RefusedExit);
    const QByteArray bytes = in.readAll();
    KPHelperLimits::apply(memoryLimit, bytes.size());

    KPDecodeReply reply = run(kind, sizeOnly, bytes, memoryLimit, box);
    if (reply.ok() && !reply.picture.isNull()) {
        QImage& picture = reply.picture;
        // Every reader's pixels leave here in sRGB.
        const QColorSpace space = picture.colorSpace();
        if (space.isValid() && space != QColorSpace(QColorSpace::SRgb))
            picture.convertToColorSpace(QColorSpace(QColorSpace::SRgb));
        picture.setColorSpace(QColorSpace());
        if (box.isValid() && (picture.width() > box.width() || picture.height() > box.height()))
            picture = picture.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (picture.isNull())
            reply = KPDecodeReply::failed(KPFailure::TooLargeToDecode);
    }
    std::_Exit(reply.writeTo(out) && out.flush() ? 0 : 1);
}
