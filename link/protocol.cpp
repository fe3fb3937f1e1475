#include "link/protocol.h"

#include "link/exchangerecorder.h"
#include "link/linkstate.h"
#include "link/replyscanner.h"
#include "platform/host.h"
#include "platform/serialport.h"

namespace Protocol {

namespace {
// A receiver that never stops talking must not hold a flush forever; what is flushed is
// discarded anyway.
constexpr int kMaxFlush = 64 * 1024;
constexpr quint64 kPassIntervalUs = 1000;
// A pass of the event loop that takes longer than this ran other work (a window's own wait):
// its time is not the line's.
constexpr quint64 kNestedWorkUs = 2000;
static_assert(kReplyPolls == LinkState::kDefaultReplyPolls, "one reply time-out");
} // namespace

bool OpenPort(LinkState &link)
{
    return OpenPort(link, {link.Prt, link.Spd, true});
}

bool OpenPort(LinkState &link, const PortAt &at)
{
    SerialPort &port = link.MSComm;
    if (port.isOpen())
        return true;
    port.setPortNumber(at.number);
    if (!port.setSettings(QString::number(at.speed) + QLatin1String(",n,8,1")))
        return false;
    if (!port.open())
        return false;
    if (at.settle) {
        link.host.sleep(200);
        FlushInput(link);
    }
    return true;
}

QByteArray MakeFrame(quint8 address, const QByteArray &code, const QByteArray &value)
{
    QByteArray frame;
    frame.reserve(code.size() + value.size() + 4);
    frame.append(char(address));
    frame.append('{');
    frame.append(code);
    frame.append('=');
    frame.append(value);
    frame.append('}');
    return frame;
}

QByteArray FlushInput(LinkState &link)
{
    QByteArray all;
    for (;;) {
        const QByteArray got = link.MSComm.read();
        if (got.isEmpty())
            break;
        if (all.size() < kMaxFlush)
            all += got;
        else
            break;
    }
    return all;
}

namespace {

// One poll of the reply reader: waits for input, then reads it, for 1 ms from the poll's start
// or until the reply's "}" is in. Input ends a wait at once, so a reply that arrives whole is
// read in the poll it arrives in; a line that keeps sending without a "}" does not end the
// poll early, so 10,000 polls always take at least 10 s.
void poll(SerialPort &port, Host &host, ReplyScanner &scanner, QByteArray *raw)
{
    const quint64 end = host.elapsedUs() + 1000;
    for (quint64 now = host.elapsedUs();; now = host.elapsedUs()) {
        if (now < end)
            port.waitForInputUs(int(end - now));
        const QByteArray got = port.read();
        scanner.feed(got);
        if (raw)
            raw->append(got);
        if (scanner.closed() || port.isLost() || host.elapsedUs() >= end)
            return;
    }
}

} // namespace

namespace {

// The reply reader; the bytes it reads go to *raw as well when raw is given, and the time other
// work took in its passes of the event loop is added to *elsewhereUs when given.
Reply readReply(LinkState &link, quint8 address, const QByteArray &code, QByteArray *raw,
                quint64 *elsewhereUs = nullptr)
{
    SerialPort &port = link.MSComm;
    ReplyScanner scanner(address, code);
    int polls = 0;
    for (;;) {
        // A closed or lost port will never answer: report the time-out now instead of polling
        // a dead line for ten seconds.
        if (!port.isOpen() || port.isLost())
            break;
        poll(port, link.host, scanner, raw);
        ++polls;
        // The event loop runs after every poll of a reply still awaited. The poll that
        // completes a reply skips its pass when one ran less than a millisecond ago: back to
        // back exchanges then cost little beyond their bytes, and a click or a timer still
        // waits no more than a millisecond.
        const quint64 now = link.host.elapsedUs();
        if (!scanner.closed() || now - link.lastPassUs >= kPassIntervalUs) {
            link.host.doEvents();
            link.lastPassUs = link.host.elapsedUs();
            if (elsewhereUs && link.lastPassUs - now > kNestedWorkUs)
                *elsewhereUs += link.lastPassUs - now;
        }
        if (polls > link.replyPolls())
            break;
        if (scanner.closed()) {
            if (polls >= link.replyPolls())
                break; // a "}" first seen on the last poll is too late
            link.replied(true);
            return {scanner.value(),
                    scanner.refused() ? ExchangeOutcome::Refused : ExchangeOutcome::Answered};
        }
    }
    link.replied(false);
    return {QByteArray(), port.isLost() ? ExchangeOutcome::PortLost : ExchangeOutcome::TimedOut};
}

// Writes the frame and reads its reply, recorded for the link's observers.
Reply exchange(LinkState &link, quint8 address, const QByteArray &code, const QByteArray &frame)
{
    ExchangeRecorder recorder(link, frame);
    link.MSComm.write(frame);
    quint64 elsewhereUs = 0;
    const Reply reply = readReply(link, address, code, recorder.received(), &elsewhereUs);
    link.exchanged(
        recorder.finish(!reply.answered(), reply.outcome == ExchangeOutcome::Refused, elsewhereUs));
    return reply;
}

} // namespace

std::optional<QByteArray> Probe(LinkState &link, quint8 address, const QByteArray &code, int waitMs)
{
    const LinkBusy busy(link);
    FlushInput(link);
    const QByteArray frame = MakeFrame(address, code, "?");
    ExchangeRecorder recorder(link, frame, "Probe");
    const quint64 endUs = link.host.elapsedUs() + quint64(qMax(waitMs, 0)) * 1000;
    link.MSComm.write(frame);
    ReplyScanner scanner(address, code);
    // The event loop runs after every poll, as it does while a reply is awaited: a click, a
    // timer or a scrape of the watch's metrics waits a millisecond, not the whole wait.
    while (!scanner.closed() && link.MSComm.isOpen() && !link.MSComm.isLost() &&
           link.host.elapsedUs() < endUs) {
        poll(link.MSComm, link.host, scanner, recorder.received());
        link.host.doEvents();
    }
    link.host.doEvents();
    recorder.finish(!scanner.closed(), scanner.refused());
    return scanner.closed() ? std::optional<QByteArray>(scanner.value()) : std::nullopt;
}

QByteArray ReadReply(LinkState &link, quint8 address, const QByteArray &code)
{
    return readReply(link, address, code, nullptr).value;
}

Reply Ask(LinkState &link, quint8 address, const QByteArray &code, const QByteArray &value)
{
    const LinkBusy busy(link);
    return exchange(link, address, code, MakeFrame(address, code, value));
}

QByteArray Exchange(LinkState &link, quint8 address, const QByteArray &code,
                    const QByteArray &value)
{
    return Ask(link, address, code, value).value;
}

QByteArray SendQuery(LinkState &link, quint8 address, const QByteArray &code)
{
    return Exchange(link, address, code, "?");
}

bool SendSet(LinkState &link, quint8 address, const QByteArray &code, const QByteArray &value)
{
    return Exchange(link, address, code, value) == "OK";
}

bool TermSend(LinkState &link, const QByteArray &text)
{
    const QByteArray line = text + "\r\n";
    ExchangeRecorder recorder(link, line);
    for (const char c : line) {
        link.MSComm.write(QByteArray(1, c));
        link.host.sleep(2);
    }
    recorder.finish(false, false);
    return true;
}

QByteArray TermRead(LinkState &link)
{
    const QByteArray text = link.MSComm.read();
    if (link.watched() && !text.isEmpty()) {
        ExchangeRecorder recorder(link, QByteArray());
        recorder.received()->append(text);
        recorder.finish(false, false);
    }
    return text;
}

} // namespace Protocol
