#include "engine/formats/KPHelperLimits.h"

#include <sys/resource.h>

// AddressSanitizer and ThreadSanitizer reserve terabytes of shadow memory, which count
// against an address-space limit.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define PICTARO_SHADOW_MEMORY
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define PICTARO_SHADOW_MEMORY
#endif
#endif

void KPHelperLimits::apply(qint64 memoryLimit, qint64 fileBytes)
{
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    const rlimit cpu{300, 310};
    setrlimit(RLIMIT_CPU, &cpu);
#ifndef PICTARO_SHADOW_MEMORY
    if (memoryLimit > 0) {
        // The decoder's buffers and the picture, each held to the limit, two copies of
        // the file, and the libraries with their threads.
        const auto bytes = rlim_t(3 * memoryLimit + 2 * fileBytes + (qint64(768) << 20));
        const rlimit space{bytes, bytes};
        setrlimit(RLIMIT_AS, &space);
    }
#else
    Q_UNUSED(memoryLimit);
    Q_UNUSED(fileBytes);
#endif
}
