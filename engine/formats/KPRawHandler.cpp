#include "engine/formats/KPRawHandler.h"

#include <QIODevice>

#include <algorithm>
#include <array>
#include <cstring>

namespace {
// Signatures only raw files have. Plain TIFF ("II*\0", "MM\0*") is missing on purpose:
// DNG and many raw kinds share it with ordinary TIFF pictures.
bool hasRawSignature(const QByteArray& head)
{
    auto startsWith = [&head](const char* magic, qsizetype length, qsizetype at = 0) {
        return head.size() >= at + length &&
               std::memcmp(head.constData() + at, magic, size_t(length)) == 0;
    };
    return startsWith("IIU\0", 4)       // Panasonic, Leica
           || startsWith("FUJIFILM", 8) // Fujifilm RAF
           || startsWith("IIRO", 4) || startsWith("IIRS", 4) || startsWith("MMOR", 4) // Olympus
           || (startsWith("II*\0", 4) && startsWith("CR\x02\0", 4, 8))                // Canon CR2
           || startsWith("ftypcrx ", 8, 4)                                            // Canon CR3
           || startsWith("\0MRM", 4)                                                  // Minolta MRW
           || startsWith("FOVb", 4);                                                  // Sigma X3F
}

// The names raw files go by; raw.json lists the same.
constexpr std::array<const char*, 23> RawFormats = {
    "raw", "dng", "cr2", "cr3", "crw", "nef", "nrw", "arw", "srf", "sr2", "raf", "orf",
    "rw2", "pef", "srw", "x3f", "3fr", "iiq", "erf", "kdc", "mrw", "mos", "rwl"};
} // namespace

bool KPRawHandler::startsLikeRaw(QIODevice* device)
{
    return device && hasRawSignature(device->peek(16));
}

bool KPRawHandler::isRawFormat(const QByteArray& format)
{
    return std::any_of(RawFormats.begin(), RawFormats.end(),
                       [&format](const char* name) { return format == name; });
}
