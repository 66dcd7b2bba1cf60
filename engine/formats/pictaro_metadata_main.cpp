// pictaro-metadata: the process a source's metadata is read in, by exiv2 (and libheif
// for HEIF files), which has a history of security faults: a file that crashes it, or
// takes too long, loses its metadata and nothing more. It links no more than those and
// Qt Core, so that it starts in a fraction of the time of pictaro-decode: it runs for
// nearly every picture. It reads a file on standard input and writes what an output
// keeps of its metadata on standard output (KPMetadataReply).
//
//   pictaro-metadata heif|other keep|no-location|strip MEMORY_LIMIT_MB [copy]
//
// `copy` also asks how to copy the file, a JPEG, without what the choice removes.
//
// Before it reads its input it enters its sandbox (KPHelperSandbox), once exiv2 is set up.
//
//   pictaro-metadata sandbox-check CALL
//
// checks the sandbox: see KPHelperSandbox::check.
#include "engine/KPMetadataPolicy.h"
#include "engine/formats/KPHelperLimits.h"
#include "engine/formats/KPHelperSandbox.h"
#include "engine/formats/KPMetadataFilter.h"
#include "engine/formats/KPMetadataReply.h"

#include <QFile>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sys/prctl.h>

int main(int argc, char** argv)
{
    // Pictaro waits for this process: when the thread that started it is gone, so is the
    // reason to read.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // Every way out after the sandbox is std::_Exit: there is nothing to tidy, and the
    // sanitizers' leak check at exit would need calls the sandbox forbids.
    if (argc == 3 && std::strcmp(argv[1], KPHelperSandbox::CheckArgument) == 0)
        std::_Exit(KPHelperSandbox::check(argv[2]));
    if (argc != 4 && argc != 5)
        return 2;
    const bool heif = std::strcmp(argv[1], "heif") == 0;
    if (!heif && std::strcmp(argv[1], "other") != 0)
        return 2;
    const std::optional<KPMetadataPolicy> policy =
        KPMetadataPolicies::fromName(QString::fromLatin1(argv[2]));
    if (!policy)
        return 2;
    const qint64 memoryLimit = qint64(std::strtoll(argv[3], nullptr, 10)) << 20;
    const bool copy = argc == 5 && std::strcmp(argv[4], "copy") == 0;
    if (argc == 5 && !copy)
        return 2;

    QFile in;
    QFile out;
    if (!in.open(stdin, QIODevice::ReadOnly) || !out.open(stdout, QIODevice::WriteOnly))
        return 2;
    KPMetadataFilter::prepare();
    if (!KPHelperSandbox::enter())
        std::_Exit(KPHelperSandbox::RefusedExit);
    const QByteArray bytes = in.readAll();
    KPHelperLimits::apply(memoryLimit, bytes.size());
    const KPMetadataReply reply = KPMetadataFilter::read(
        bytes, heif ? KPMetadataFilter::Source::Heif : KPMetadataFilter::Source::Other, *policy,
        copy);
    QByteArray answer = reply.encode();
    // More than Pictaro reads: the source's metadata cannot be carried.
    if (answer.size() > KPMetadataReply::MaxBytes) {
        KPMetadataReply none;
        none.copy = copy ? KPMetadataReply::Copy::Unavailable : KPMetadataReply::Copy::NotAsked;
        answer = none.encode();
    }
    std::_Exit(out.write(answer) == answer.size() && out.flush() ? 0 : 1);
}
