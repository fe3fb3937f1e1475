#include "session/receiversample.h"

#include "link/linkstate.h"
#include "link/numbers.h"
#include "link/protocol.h"
#include "link/protocol_mssl.h"

namespace {

// A reading, or none where the receiver reports "-??.?" (no signal, no lock).
std::optional<double> reading(const QString &text)
{
    return IsNumeric(text) ? std::optional<double>(LeadingNumber(text)) : std::nullopt;
}

} // namespace

ReceiverSample SampleReceiver(LinkState &link, quint8 address)
{
    const LinkBusy busy(link);
    Protocol_MsSl receiver(link);
    receiver.setAdr(address);
    ReceiverSample s;
    if (!Protocol::Probe(link, address, "Usvr", kSampleAnswerMs))
        return s;
    link.Eto = false; // this sample's own time-outs only
    s.frequencyKHz = receiver.GetFrequency().toLongLong();
    s.polarisation = receiver.GetLNBPolar();
    s.symbolRate = receiver.GetSpeed().toInt();
    s.service = receiver.GetServiceSelected().toInt();
    s.locked = receiver.GetLock();
    s.levelDbm = reading(receiver.GetLevel());
    s.marginDb = reading(receiver.GetMargin());
    // A receiver that stopped answering half way is down: its readings are not all its own.
    s.up = !link.Eto;
    return s;
}
