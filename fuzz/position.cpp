// The scan window's position normalisation fed any text: the result is always a number with two
// integer digits at least, two decimals, and the letter E or W.

#include "scan/position.h"
#include "platform/numbers.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data), int(size));
    bool completed = false;
    const QString p = NormalisePosition(text, &completed);
    if (p.size() < 6 || (!p.endsWith(QLatin1Char('E')) && !p.endsWith(QLatin1Char('W'))))
        std::abort();
    const QString number = p.chopped(1);
    const int dot = int(number.indexOf(QLatin1Char('.')));
    if (!IsNumeric(number) || dot < 0 || number.size() - dot != 3)
        std::abort();
    if (completed != !(text.endsWith(QLatin1Char('E')) || text.endsWith(QLatin1Char('W'))))
        std::abort();
    return 0;
}
