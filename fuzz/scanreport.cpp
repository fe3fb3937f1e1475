// The terminal scan report reader fed any text read from the line: the frequencies it takes
// are the 8 characters where the receiver prints them, and an end is seen only when the whole
// end text is there.

#include "link/protocol_term.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray R(reinterpret_cast<const char *>(data), int(size));
    const TermScanReport r = ParseScanReport(R);
    if (r.hasPassed && (r.passed.size() != 8 || !R.contains(r.passed.toLatin1() + " Khz")))
        std::abort();
    if (r.hasLocked && !R.contains("FREQUENCY SCAN LOCKED AT " + r.locked.toLatin1()))
        std::abort();
    if (r.locked.size() > 8 || r.end != R.contains("FREQUENCY SCAN END."))
        std::abort();
    return 0;
}
