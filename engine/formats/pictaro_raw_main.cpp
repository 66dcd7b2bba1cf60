// pictaro-raw: the process the raw reader runs LibRaw in (see KPRawDeveloper). It reads
// a raw file on standard input and writes its size, or its developed picture, on
// standard output.
//
//   pictaro-raw size|develop|develop-half MEMORY_LIMIT_MB
#include "engine/formats/KPRawDeveloper.h"

#include <QFile>

#include <sys/resource.h>

#include <cstdlib>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#define PICTARO_UNDER_ASAN
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PICTARO_UNDER_ASAN
#endif
#endif

namespace {
// A hostile file must not make this process run or grow without end. The address-space
// limit is left out under AddressSanitizer, which reserves terabytes of it.
void limitResources(qint64 memoryLimit, qint64 fileBytes)
{
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    const rlimit cpu{300, 310};
    setrlimit(RLIMIT_CPU, &cpu);
#ifndef PICTARO_UNDER_ASAN
    if (memoryLimit > 0) {
        // The raw buffer and the developing buffer, each held to the limit, the picture,
        // two copies of the file, and the libraries.
        const auto bytes = rlim_t(3 * memoryLimit + 2 * fileBytes + (qint64(512) << 20));
        const rlimit space{bytes, bytes};
        setrlimit(RLIMIT_AS, &space);
    }
#else
    Q_UNUSED(memoryLimit);
    Q_UNUSED(fileBytes);
#endif
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const char* mode = argv[1];
    const qint64 memoryLimit = qint64(std::strtoll(argv[2], nullptr, 10)) << 20;

    QFile in;
    QFile out;
    if (!in.open(stdin, QIODevice::ReadOnly) || !out.open(stdout, QIODevice::WriteOnly))
        return 2;
    const QByteArray bytes = in.readAll();
    limitResources(memoryLimit, bytes.size());

    std::optional<KPRawReply> picture;
    if (std::strcmp(mode, "size") == 0)
        picture = KPRawDeveloper::size(bytes, memoryLimit);
    else if (std::strcmp(mode, "develop") == 0 || std::strcmp(mode, "develop-half") == 0)
        picture = KPRawDeveloper::develop(bytes, memoryLimit, std::strcmp(mode, "develop") != 0);
    else
        return 2;
    if (!picture)
        return 1;
    const QByteArray reply = picture->encode();
    return out.write(reply) == reply.size() && out.flush() ? 0 : 1;
}
