#pragma once

#include "link/exchangeobserver.h"

#include <QByteArray>

#include <optional>

class LinkState;

// Every byte exchanged with the receiver goes through these procedures.
//
// Master/slave exchange: one frame out, one framed reply in. A frame is the receiver's address
// as a single byte, then "{", the command code, "=", the value ("?" for a query) and "}", with
// nothing after it: the query of "Tfrq" to address 129 is 0x81 "{Tfrq=?}". A reply has the same
// shape, from the same address, with the same code; only its value is used. A set the receiver
// accepts is answered "OK"; a code it rejects or does not know is answered "{Ack=Uk}". Frames of
// another address or code still pending on the line (a reply that came after its exchange had
// timed out) are skipped, never taken for the answer.
//
// Terminal exchange: a line of plain text ended by CR LF, written one character at a time, and a
// raw read of whatever has arrived; it switches a receiver in terminal mode to master/slave.
namespace Protocol {

// A reply whose "}" is not seen within this many polls has timed out.
constexpr int kReplyPolls = 10000;

// The reply to one exchange: its value (the empty text when none came) and how it ended.
struct Reply
{
    QByteArray value;
    ExchangeOutcome outcome = ExchangeOutcome::TimedOut;
    bool answered() const
    {
        return outcome == ExchangeOutcome::Answered || outcome == ExchangeOutcome::Refused;
    }
};

// Where a port is opened and at what speed; the line is always 8 data bits, no parity, one
// stop bit.
struct PortAt
{
    qint16 number = 0;
    qint32 speed = 115200;
    // Once open, wait for the line to settle and discard what the receiver had sent before;
    // the link test and the search of the line discard it themselves, at once.
    bool settle = true;
};
// Opens the port at `at` unless it is open already, settling it (a 200 ms blocking wait) as
// `at` says.
bool OpenPort(LinkState &link, const PortAt &at);
// The same at the link's own port number and speed.
bool OpenPort(LinkState &link);
QByteArray MakeFrame(quint8 address, const QByteArray &code, const QByteArray &value);
// Reads until nothing is pending; does not wait for text still on its way.
QByteArray FlushInput(LinkState &link);
// Polls for the reply of the receiver at `address` to `code` (or its refusal "Ack") and returns
// its value; on a time-out sets Eto and returns the empty text.
QByteArray ReadReply(LinkState &link, quint8 address, const QByteArray &code);
// One frame out and its reply in; a time-out sets Eto too.
Reply Ask(LinkState &link, quint8 address, const QByteArray &code, const QByteArray &value);
// The reply's value alone (the empty text after a time-out).
QByteArray Exchange(LinkState &link, quint8 address, const QByteArray &code,
                    const QByteArray &value);
QByteArray SendQuery(LinkState &link, quint8 address, const QByteArray &code);
bool SendSet(LinkState &link, quint8 address, const QByteArray &code, const QByteArray &value);
// A survey's short question: the query of `code` to `address`, after what the line held is
// discarded, waiting at most waitMs for its reply (not the exchange's time-out); the reply's
// value, or nothing when none came. It neither sets Eto nor counts as a silent exchange.
std::optional<QByteArray> Probe(LinkState &link, quint8 address, const QByteArray &code,
                                int waitMs);
// Sends the text and CR LF one character at a time, 2 ms apart (blocking). Always true.
bool TermSend(LinkState &link, const QByteArray &text);
QByteArray TermRead(LinkState &link);

} // namespace Protocol
