#include "link/linktest.h"

#include "link/exchangeobserver.h"
#include "link/linkstate.h"
#include "link/protocol.h"
#include "platform/host.h"
#include "platform/serialport.h"

namespace Protocol {

namespace {

// The text without the frames of other addresses: a byte followed by "{" that is not `address`
// starts a frame of another receiver, which runs to its "}" (or to the end of the text).
QByteArray withoutOtherAddresses(const QByteArray &text, char address)
{
    QByteArray kept;
    for (int i = 0; i < text.size();) {
        if (i + 1 < text.size() && text[i + 1] == '{' && text[i] != address) {
            const int close = int(text.indexOf('}', i + 2));
            i = close < 0 ? int(text.size()) : close + 1;
            continue;
        }
        kept.append(text[i++]);
    }
    return kept;
}

LinkTestResult judge(const QByteArray &got)
{
    const QByteArray rest = got.mid(1); // after the answering address byte
    if (rest == "{Ack=Uk}")
        return LinkTestResult::Refused;
    if (rest == "{Utst=I}")
        return LinkTestResult::Ok;
    if (got.isEmpty())
        return LinkTestResult::NoResponse;
    if (got.mid(1, 6) == "{Utst=")
        return LinkTestResult::BadResponse;
    return LinkTestResult::CommError;
}

} // namespace

LinkTestResult TestLink(LinkState &link, quint8 address)
{
    const LinkOperation op(link, "LinkTest");
    FlushInput(link);
    LinkExchange e;
    e.startUs = link.host.elapsedUs();
    e.operation = link.operation;
    e.sent = MakeFrame(address, "Utst", "?");
    link.MSComm.write(e.sent);
    link.host.sleep(200);
    e.received = link.MSComm.read();
    e.latencyUs = link.host.elapsedUs() - e.startUs;
    const QByteArray ours = withoutOtherAddresses(e.received, char(address));
    e.timedOut = ours.isEmpty();
    if (link.observer)
        link.observer->exchanged(e);
    return judge(ours);
}

} // namespace Protocol
