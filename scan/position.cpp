#include "scan/position.h"

#include "platform/numbers.h"

#include <QRegularExpression>

#include <cmath>

bool IsPositionText(const QString &text)
{
    static const QRegularExpression position(QStringLiteral("^[0-9]{1,3}(\\.[0-9]*)?[EW]?\\z"));
    return position.match(text).hasMatch();
}

bool IsPositionCharacter(QChar c)
{
    return c == QLatin1Char('.') || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           c == QLatin1Char('E') || c == QLatin1Char('W');
}

QString NormalisePosition(const QString &text, bool *completed)
{
    QString t = text;
    *completed = !(t.endsWith(QLatin1Char('E')) || t.endsWith(QLatin1Char('W')));
    if (*completed)
        t += QLatin1Char('E');
    // The number stands before the letter: the characters up to the position of "E" plus that
    // of "W" (1-based, 0 when absent), less one.
    const int e = int(t.indexOf(QLatin1Char('E'))) + 1;
    const int w = int(t.indexOf(QLatin1Char('W'))) + 1;
    float number = float(LeadingNumber(t.left(e + w - 1)));
    // A number beyond single precision ("3e55") would read as infinity: it reads as 0 instead.
    if (!std::isfinite(number))
        number = 0;
    // "00.00", with the sign in front of the padded digits.
    const double rounded = std::round(double(std::fabs(number)) * 100.0) / 100.0;
    QString digits = QString::number(rounded, 'f', 2);
    if (digits.indexOf(QLatin1Char('.')) < 2)
        digits.prepend(QLatin1Char('0'));
    if (number < 0 && rounded != 0)
        digits.prepend(QLatin1Char('-'));
    return digits + t.right(1);
}

bool IsNormalPosition(const QString &text)
{
    bool completed = false;
    return !text.isEmpty() && NormalisePosition(text, &completed) == text;
}
