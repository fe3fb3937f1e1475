// The list file reader fed an arbitrary file. Every row it inserts must pass the record checks,
// rows come in line order, and a message names a line that exists.

#include "lists/listfile.h"
#include "platform/numbers.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

namespace {

// A row as the format allows it.
bool good(const TransponderEntry &e)
{
    return IsNumeric(e.frequency) && (e.frequency.size() == 6 || e.frequency.size() == 8) &&
           (e.polarisation == QLatin1String("V") || e.polarisation == QLatin1String("H")) &&
           IsNumeric(e.symbolRate) && LeadingNumber(e.symbolRate) <= 45e6 &&
           e.position == QLatin1String("5.00E");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const ListFileResult r =
        ReadListDevice(buffer, QStringLiteral("5.00E.csv"), QStringLiteral("12000000"));
    for (const TransponderEntry &e : r.entries)
        if (!good(e))
            std::abort();
    for (const int line : r.currentRows)
        if (line < 1 || line > r.rows || r.entries[line - 1].frequency != "12000000")
            std::abort();
    if (r.rows != r.entries.size() ||
        (r.errorLine > 0) != ListFileMessage(QStringLiteral("5.00E.csv"), r).has_value())
        std::abort();
    if (r.errorLine > 0 && r.errorLine != r.rows + 1)
        std::abort();
    return 0;
}
