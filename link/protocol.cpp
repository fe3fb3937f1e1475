#include "link/protocol.h"

#include "link/linkstate.h"
#include "link/replyscanner.h"
#include "platform/host.h"
#include "platform/serialport.h"

namespace Protocol {

namespace {
// A receiver that never stops talking must not hold a flush forever; what is flushed is
// discarded anyway.
constexpr int kMaxFlush = 64 * 1024;
} // namespace

bool OpenPort(LinkState &link)
{
    SerialPort &port = link.MSComm;
    if (port.isOpen())
        return true;
    port.setPortNumber(link.Prt);
    if (!port.setSettings(QString::number(link.Spd) + QLatin1String(",n,8,1")))
        return false;
    if (!port.open())
        return false;
    link.host.sleep(200);
    FlushInput(link);
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
void poll(SerialPort &port, Host &host, ReplyScanner &scanner)
{
    const quint64 end = host.elapsedUs() + 1000;
    for (quint64 now = host.elapsedUs();; now = host.elapsedUs()) {
        if (now < end)
            port.waitForInputUs(int(end - now));
        scanner.feed(port.read());
        if (scanner.closed() || port.isLost() || host.elapsedUs() >= end)
            return;
    }
}

} // namespace

QByteArray ReadReply(LinkState &link)
{
    SerialPort &port = link.MSComm;
    ReplyScanner scanner;
    int polls = 0;
    for (;;) {
        // A closed or lost port will never answer: report the time-out now instead of polling
        // a dead line for ten seconds.
        if (!port.isOpen() || port.isLost())
            break;
        poll(port, link.host, scanner);
        ++polls;
        link.host.doEvents();
        if (polls > kReplyPolls)
            break;
        if (scanner.closed()) {
            if (polls >= kReplyPolls)
                break; // a "}" first seen on the 10,000th poll is too late
            return scanner.value();
        }
    }
    link.Eto = true;
    return QByteArray();
}

bool ExpectOK(LinkState &link)
{
    return ReadReply(link) == "OK";
}

QByteArray SendQuery(LinkState &link, quint8 address, const QByteArray &code)
{
    const LinkBusy busy(link);
    link.MSComm.write(MakeFrame(address, code, "?"));
    return ReadReply(link);
}

bool SendSet(LinkState &link, quint8 address, const QByteArray &code, const QByteArray &value)
{
    const LinkBusy busy(link);
    link.MSComm.write(MakeFrame(address, code, value));
    return ExpectOK(link);
}

bool TermSend(LinkState &link, const QByteArray &text)
{
    const QByteArray line = text + "\r\n";
    for (const char c : line) {
        link.MSComm.write(QByteArray(1, c));
        link.host.sleep(2);
    }
    return true;
}

QByteArray TermRead(LinkState &link)
{
    return link.MSComm.read();
}

} // namespace Protocol
