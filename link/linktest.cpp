#include "link/linktest.h"

#include "link/exchangerecorder.h"
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
    const QByteArray frame = MakeFrame(address, "Utst", "?");
    ExchangeRecorder recorder(link, frame);
    link.MSComm.write(frame);
    link.host.sleep(200);
    const QByteArray received = link.MSComm.read();
    if (QByteArray *seen = recorder.received())
        *seen = received;
    const QByteArray ours = withoutOtherAddresses(received, char(address));
    const LinkTestResult result = judge(ours);
    recorder.finish(ours.isEmpty(), result == LinkTestResult::Refused);
    return result;
}

} // namespace Protocol
