// pictaro-metadata: the process a source's metadata is read in, by exiv2 (and libheif
// for HEIF files), which has a history of security faults: a file that crashes it, or
// takes too long, loses its metadata and nothing more. It links no more than those and
// Qt Core, so that it starts in a fraction of the time of pictaro-decode: it runs for
// nearly every picture. It reads a request (the metadata policy, whether a copy is asked
// for, the limits) and then a file on standard input, and writes what an output keeps of
// its metadata on standard output (see KPHelperWire.h, KPHelperRequest, KPMetadataReply).
//
// Before it reads the file it enters its sandbox (KPHelperSandbox), once exiv2 is set up.
//
//   pictaro-metadata sandbox-check CALL
//
// checks the sandbox: see KPHelperSandbox::check.
#include "engine/formats/KPHelperLimits.h"
#include "engine/formats/KPHelperSandbox.h"
#include "engine/formats/KPHelperSession.h"
#include "engine/formats/KPMetadataFilter.h"
#include "engine/formats/KPMetadataReply.h"

#include <csignal>
#include <cstdlib>
#include <optional>
#include <sys/prctl.h>

int main(int argc, char** argv)
{
    // Pictaro waits for this process: when the thread that started it is gone, so is the
    // reason to read.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (const std::optional<int> status = KPHelperSandbox::checkRequested(argc, argv))
        std::_Exit(*status);
    if (argc != 1)
        std::_Exit(KPHelperSession::BadRequestExit);
    KPHelperSession session;
    const std::optional<KPHelperRequest> request = session.readRequest();
    if (!request || request->operation != KPHelperRequest::Operation::Metadata)
        std::_Exit(KPHelperSession::BadRequestExit);
    KPMetadataFilter::prepare();
    if (!KPHelperSandbox::enter())
        std::_Exit(KPHelperSandbox::RefusedExit);
    const std::optional<QByteArray> bytes = session.readInput();
    if (!bytes)
        std::_Exit(KPHelperSession::BadRequestExit);
    KPHelperLimits::apply(request->memoryLimit(), bytes->size());
    const bool heif = request->reader == KPHelperRequest::Reader::Heif;
    const KPMetadataReply reply = KPMetadataFilter::read(
        *bytes, heif ? KPMetadataFilter::Source::Heif : KPMetadataFilter::Source::Other,
        request->policy, request->copy);
    QByteArray answer = reply.stream();
    // More than Pictaro reads: the source's metadata cannot be carried.
    if (answer.size() > KPMetadataReply::MaxBytes) {
        KPMetadataReply none;
        none.copy =
            request->copy ? KPMetadataReply::Copy::Unavailable : KPMetadataReply::Copy::NotAsked;
        answer = none.stream();
    }
    session.finish(session.output().write(answer) == answer.size());
}
