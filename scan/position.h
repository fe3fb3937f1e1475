#pragma once

#include <QString>

// A satellite position as the scan window keeps it: a number with at least two integer digits
// and two decimals, "." as separator, then "E" or "W" (5.00E becomes 05.00E, 130W 130.00W).
// A text that does not end in "E" or "W" gets an "E" (and *completed is set).
QString NormalisePosition(const QString &text, bool *completed);

// A text an operator may give as a position: one to three digits, perhaps "." and decimals,
// perhaps "E" or "W", and nothing else (no blank, no line end).
bool IsPositionText(const QString &text);

// A character that may end a position being typed: ".", a digit, "E" or "W".
bool IsPositionCharacter(QChar c);

// The text is a position as NormalisePosition gives it, and so safe to build a file name from.
bool IsNormalPosition(const QString &text);
