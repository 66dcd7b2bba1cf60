#pragma once

#include <QtGlobal>

// The limits every helper process puts on itself before it reads a file: a hostile file
// must not make it run or grow without end, nor leave a core dump.
namespace KPHelperLimits {
// CPU time, no core file, and an address space for buffers held to `memoryLimit` bytes
// and a file of `fileBytes` (left out under AddressSanitizer and ThreadSanitizer, which reserve
// terabytes).
void apply(qint64 memoryLimit, qint64 fileBytes);
} // namespace KPHelperLimits
