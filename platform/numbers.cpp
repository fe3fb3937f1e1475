#include "platform/numbers.h"

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Length of the decimal number that starts at `from`, or 0 when none starts there.
template <typename Text> int numberLength(const Text &s, int from)
{
    int i = from;
    const int n = int(s.size());
    if (i < n && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
        ++i;
    int digits = 0;
    while (i < n && isDigit(s[i])) {
        ++i;
        ++digits;
    }
    if (i < n && s[i] == QLatin1Char('.')) {
        ++i;
        while (i < n && isDigit(s[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (i < n && (s[i] == QLatin1Char('E') || s[i] == QLatin1Char('e'))) {
        int j = i + 1;
        if (j < n && (s[j] == QLatin1Char('+') || s[j] == QLatin1Char('-')))
            ++j;
        int expDigits = 0;
        while (j < n && isDigit(s[j])) {
            ++j;
            ++expDigits;
        }
        if (expDigits > 0)
            i = j;
    }
    return i - from;
}

template <typename Text> bool isNumericText(const Text &text)
{
    int from = 0;
    int to = int(text.size());
    while (from < to && isBlank(text[from]))
        ++from;
    while (to > from && isBlank(text[to - 1]))
        --to;
    if (from == to)
        return false;
    return numberLength(text, from) == to - from;
}

} // namespace

bool IsNumeric(const QString &text)
{
    return isNumericText(text);
}

bool IsNumeric(QLatin1StringView text)
{
    return isNumericText(text);
}

double LeadingNumber(const QString &text)
{
    int from = 0;
    while (from < text.size() && isBlank(text[from]))
        ++from;
    const int len = numberLength(text, from);
    if (len == 0)
        return 0.0;
    return text.mid(from, len).toDouble();
}
