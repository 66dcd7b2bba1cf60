// pictaro-decode: the process the readers of camera raw files (LibRaw), HEIF pictures
// (libheif), Photoshop documents and the second reader (both ImageMagick) run in: those
// libraries have a history of security faults, and a file that crashes one of them, or
// takes too long, must fail its job and nothing more. It reads a request (a size query or
// a decode, with the reader, the limits and a box) and then a file on standard input, and
// writes the picture's size, or the picture, or its refusal on standard output (see
// KPHelperWire.h, KPHelperRequest, KPDecodeReply).
//
// A box asks for a picture to be shown at that size (a thumbnail, a preview): it comes
// back scaled down to fit, from the file's own small picture where it has one.
//
// Before it reads the file it enters its sandbox (KPHelperSandbox), once everything the
// decoders load from files of their own has been loaded.
//
//   pictaro-decode sandbox-check CALL
//
// checks the sandbox: see KPHelperSandbox::check.
#include "engine/formats/KPDecodeReply.h"
#include "engine/formats/KPHeifDecoder.h"
#include "engine/formats/KPHelperLimits.h"
#include "engine/formats/KPHelperSandbox.h"
#include "engine/formats/KPHelperSession.h"
#include "engine/formats/KPHelperWireWriter.h"
#include "engine/formats/KPMagickDecoder.h"
#include "engine/formats/KPPsdDecoder.h"
#include "engine/formats/KPRawDeveloper.h"

#include <QColorSpace>
#include <QImageReader>

#include <csignal>
#include <sys/prctl.h>

#include <cstdlib>

namespace {
using Reader = KPHelperRequest::Reader;

KPDecodeReply developRaw(const QByteArray& bytes, qint64 memoryLimit, bool sizeOnly, QSize box)
{
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

KPDecodeReply decode(const KPHelperRequest& request, const QByteArray& bytes)
{
    const bool sizeOnly = request.operation == KPHelperRequest::Operation::Size;
    switch (request.reader) {
    case Reader::Raw:
        return developRaw(bytes, request.memoryLimit(), sizeOnly, request.box);
    case Reader::Heif:
        return KPHeifDecoder::decode(bytes, request.memoryLimit(), sizeOnly, request.box);
    case Reader::Psd:
        return KPPsdDecoder::decode(bytes, sizeOnly);
    case Reader::Second:
        return KPMagickDecoder::decode(bytes, request.coder, sizeOnly);
    case Reader::Exiv2:
        break;
    }
    return KPDecodeReply::failed(KPFailure::Unsupported);
}

// ImageMagick reads its configuration and loads the coder this file needs here, outside
// the sandbox: a raw file's preview is a JPEG.
void prepare(const KPHelperRequest& request)
{
    if (request.memoryLimitMB > 0)
        QImageReader::setAllocationLimit(request.memoryLimitMB);
    if (request.reader == Reader::Psd) {
        KPPsdDecoder::prepare(request.memoryLimit());
        return;
    }
    KPMagickDecoder::prepare(request.memoryLimit());
    if (request.reader == Reader::Second)
        KPMagickDecoder::load(request.coder);
    else if (request.reader == Reader::Raw)
        KPMagickDecoder::load("JPEG");
}

// Every reader's pixels leave here in sRGB, within the box, and no larger than the size
// the reader gave for the file.
void finishPicture(KPDecodeReply& reply, const KPHelperRequest& request)
{
    if (!reply.ok() || reply.picture.isNull())
        return;
    QImage& picture = reply.picture;
    const QColorSpace space = picture.colorSpace();
    if (space.isValid() && space != QColorSpace(QColorSpace::SRgb))
        picture.convertToColorSpace(QColorSpace(QColorSpace::SRgb));
    picture.setColorSpace(QColorSpace());
    const QSize box = request.box;
    if (box.isValid() && (picture.width() > box.width() || picture.height() > box.height()))
        picture = picture.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    const QSize probed = request.probed;
    if (picture.isNull())
        reply = KPDecodeReply::failed(KPFailure::TooLargeToDecode);
    else if (probed.isValid() &&
             qint64(picture.width()) * picture.height() > qint64(probed.width()) * probed.height())
        reply = KPDecodeReply::failed(KPFailure::Damaged);
}
} // namespace

int main(int argc, char** argv)
{
    // Pictaro waits for this process: when the thread that started it is gone (Pictaro was
    // killed), there is nobody to decode for.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (const std::optional<int> status = KPHelperSandbox::checkRequested(argc, argv))
        std::_Exit(*status);
    if (argc != 1)
        std::_Exit(KPHelperSession::BadRequestExit);
    KPHelperSession session;
    const std::optional<KPHelperRequest> request = session.readRequest();
    if (!request || request->operation == KPHelperRequest::Operation::Metadata)
        std::_Exit(KPHelperSession::BadRequestExit);
    prepare(*request);
    if (!KPHelperSandbox::enter())
        std::_Exit(KPHelperSandbox::RefusedExit);
    const std::optional<QByteArray> bytes = session.readInput();
    if (!bytes)
        std::_Exit(KPHelperSession::BadRequestExit);
    KPHelperLimits::apply(request->memoryLimit(), bytes->size());

    KPDecodeReply reply = decode(*request, *bytes);
    finishPicture(reply, *request);
    KPHelperWireWriter writer(session.output());
    session.finish(reply.writeTo(writer));
}
