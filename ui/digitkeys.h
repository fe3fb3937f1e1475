#pragma once

#include <QString>

// The key filter of the boxes that take digits only (a frequency, a symbol rate): Backspace and
// the characters "0" to ";" (codes 48 to 59) pass, any other character typed is refused. The
// filter judges characters typed, never the keys that move the focus or the caret or edit the
// text: Tab, Backtab, Delete, the arrows, Home, End and the page keys always pass, although Qt
// gives some of them a text ("\t", "\x7f"). key is a Qt::Key, text the key event's text.
bool DigitKeyRefused(int key, const QString &text);
