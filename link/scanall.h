#pragma once

#include <QByteArray>

#include <functional>

class LinkState;

// Receives each command code probed and the receiver's reply (empty on a time-out); returns
// false to stop the probing after this exchange.
using CommandSink = std::function<bool(const QByteArray &code, const QByteArray &reply)>;

// The sweep of the receiver's four-letter command codes: an upper-case first letter, and no
// return from lower to upper case, in four blocks of 26^4 codes (AAAA..ZZZZ, AAAa..ZZZz,
// AAaa..ZZzz, Aaaa..Zzzz), the first letter varying slowest.
namespace ScanAll {

constexpr int kBlock = 26 * 26 * 26 * 26;
constexpr int kCodes = 4 * kBlock;

// The code at a position of the sweep, 0 to kCodes - 1.
QByteArray Code(int index);
// The position of a code in the sweep; -1 for a text the sweep never sends.
int Index(const QByteArray &code);

// Queries every code in order from the position `first`, one event-loop pass between blocks.
// Without a sink the replies are dropped and the sweep runs to its end.
void ScanAllCodes(LinkState &link, quint8 address, const CommandSink &sink = {}, int first = 0);

} // namespace ScanAll
