#include "session/receiversample.h"

#include "link/linkstate.h"
#include "link/protocol.h"
#include "link/protocol_mssl.h"

ReceiverSample SampleReceiver(LinkState &link, quint8 address)
{
    const LinkBusy busy(link);
    const ShortReplyWait wait(link, kSampleAnswerMs);
    Protocol_MsSl receiver(link);
    receiver.setAdr(address);
    ReceiverSample s;
    QuestionsAskedAgain ask(link);
    const bool there =
        ask([&] { return Protocol::Probe(link, address, "Usvr", kSampleAnswerMs).has_value(); });
    if (there) {
        s.frequencyKHz = ask([&] { return receiver.GetFrequency().toLongLong(); });
        s.polarisation = ask([&] { return receiver.GetLNBPolar(); });
        s.symbolRate = ask([&] { return receiver.GetSpeed().toInt(); });
        s.service = ask([&] { return receiver.GetServiceSelected().toInt(); });
        ReadSignalInto(receiver, ask, s.signal);
    }
    // A receiver that stopped answering half way is down: its readings are not all its own.
    s.up = !ask.down();
    s.unanswered = ask.unanswered();
    return s;
}
