// The list file reader fed an arbitrary file. Every row it inserts must pass the record checks,
// rows come in line order, and a message names a line that exists.

#include "lists/listfile.h"
#include "link/numbers.h"
#include "lists/transponderlist.h"
#include "platform/virtualhost.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

namespace {

struct Checked : TransponderList
{
    int rows = 0;
    void insertTransponders(int position, const QList<TransponderEntry> &entries) override
    {
        if (position != rows + 1)
            std::abort();
        for (const TransponderEntry &e : entries) {
            const bool good =
                IsNumeric(e.frequency) && (e.frequency.size() == 6 || e.frequency.size() == 8) &&
                (e.polarisation == QLatin1String("V") || e.polarisation == QLatin1String("H")) &&
                IsNumeric(e.symbolRate) && LeadingNumber(e.symbolRate) <= 45e6 &&
                e.position == QLatin1String("5.00E");
            if (!good)
                std::abort();
            ++rows;
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    VirtualHost host;
    Checked list;
    const ListFileResult r =
        ReadListDevice(buffer, QStringLiteral("5.00E.csv"), list, host, QStringLiteral("12000000"));
    for (const int position : r.currentRows)
        if (position < 1 || position > list.rows)
            std::abort();
    if (r.rows != list.rows || (r.errorLine > 0) != (host.messages().size() == 1))
        std::abort();
    if (r.errorLine > 0 && r.errorLine != r.rows + 1)
        std::abort();
    return 0;
}
