#pragma once

#include <QByteArray>

// How an exchange ended: its reply came, the receiver refused the code or value ("{Ack=Uk}"),
// no reply came in time, or the port went away under it.
enum class ExchangeOutcome
{
    Answered,
    Refused,
    TimedOut,
    PortLost
};

// One exchange with the receiver as the link made it: what went out, what came back, when, and
// how long it took. A terminal line typed is an exchange with nothing read; text read from a
// terminal-mode line apart from a line typed is an exchange with nothing sent.
struct LinkExchange
{
    quint64 startUs = 0;        // the host's elapsed time when the exchange began
    const char *operation = ""; // the driver operation under way ("SetFrequency"), or ""
    QByteArray sent;            // the bytes written
    QByteArray received;        // the bytes read for the reply, as they came
    quint64 latencyUs = 0;      // from the write to the end of the reply (or of the wait),
                                // less the time other work took in the wait (a nested wait)
    bool timedOut = false;
    bool portLost = false; // it ended because the port went away, not by its time-out
    bool refused = false;  // the reply was the receiver's refusal "Ack"

    // A terminal line typed, which awaits nothing, counts as answered.
    ExchangeOutcome outcome() const
    {
        if (!timedOut)
            return refused ? ExchangeOutcome::Refused : ExchangeOutcome::Answered;
        return portLost ? ExchangeOutcome::PortLost : ExchangeOutcome::TimedOut;
    }
};

// The bytes as a line of text: printable ASCII as it is, every other byte (and "\\") as \xNN,
// so a frame's address byte and a line end show.
QByteArray PrintableBytes(const QByteArray &bytes);

// Watches every exchange of a link: the link console, the command-line tool's trace, a
// command's tally of its outcomes. The link records an exchange only while it has observers, so
// a link nobody watches pays one test of an empty list per exchange.
class ExchangeObserver
{
public:
    virtual ~ExchangeObserver() = default;
    virtual void exchanged(const LinkExchange &exchange) = 0;
    // An exchange a run did not make because its receiver counts as lost: it went unanswered
    // without being sent.
    virtual void unsent() {}
};
