#pragma once

#include <QLatin1StringView>
#include <QString>

// True when the text, blanks at both ends ignored, is a decimal number: an optional sign,
// digits with at most one decimal point and at least one digit, and an optional exponent
// (E or e, an optional sign, digits). The empty text is not numeric, and neither are
// thousands separators, currency signs or hexadecimal prefixes.
bool IsNumeric(const QString &text);
bool IsNumeric(QLatin1StringView text);

// The number formed by the longest numeric beginning of the text, leading blanks skipped;
// 0 when the text does not begin with a number ("27500.00 kS" gives 27500, "H" gives 0).
double LeadingNumber(const QString &text);
