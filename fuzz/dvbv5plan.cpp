// The DVBv5 plan reader fed an arbitrary file. Every transponder it keeps lies in the band, on
// H or V, once; every entry is accounted for; a refused text keeps nothing.

#include "lists/dvbv5plan.h"

#include <QSet>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const Dvbv5Plan plan = ReadDvbv5Plan(bytes, 10700000, 12750000);
    if (!plan.ok() && !plan.transponders.isEmpty())
        std::abort();
    if (plan.ok() && plan.transponders.size() + plan.outsideBand + plan.streams +
                             plan.notSatellite + plan.incomplete !=
                         plan.entries)
        std::abort();
    QSet<QPair<qint64, char>> seen;
    for (const PlanTransponder &t : plan.transponders) {
        if (t.frequency < 10700000 || t.frequency >= 12750000 || t.symbolRate <= 0 ||
            (t.polarisation != 'H' && t.polarisation != 'V') ||
            seen.contains({t.frequency, t.polarisation}) || t.rateText().isEmpty())
            std::abort();
        seen.insert({t.frequency, t.polarisation});
    }
    return 0;
}
