#pragma once

#include <QString>

#include <optional>

class Output;
class LinkState;

// kolvex7-ctl signal: the receiver's lock, level, margin and quality read again and again by
// queries only, for aligning a dish. Each reading is one line (on a terminal rewritten in
// place, with a bar of the margin in the terminal's width and the best margin so far), or a
// JSON line with --json; with `tone`, a tone whose pitch rises with the margin. Ctrl+C ends it:
// the result is the best values seen, exit 0 (4 when the receiver never answered; 3 when the
// port was lost).
struct SignalOptions
{
    int intervalMs = 0; // between the starts of readings; 0: as fast as the line allows
    bool tone = false;
};
int RunSignal(LinkState &link, quint8 address, const SignalOptions &options, Output &out);
// Seconds as digits with an optional fraction (empty: 0), within [0, maxSeconds], in whole
// milliseconds; nothing for anything else.
std::optional<int> Milliseconds(const QString &text, int maxSeconds);

// The line of a reading for a terminal `width` characters wide: lock, margin, a bar of the
// margin filling what is left of the width, level, quality and the best margin so far.
struct SignalReading;
struct SignalBest;
QString SignalLine(const SignalReading &reading, const SignalBest &best, int width);
