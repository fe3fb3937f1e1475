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
    const ShortReplyWait wait(link, kSampleAnswerMs);
    Protocol_MsSl receiver(link);
    receiver.setAdr(address);
    ReceiverSample s;
    bool down = false;
    // Each question asked again once when its reply is lost; none asked once one went
    // unanswered twice.
    auto ask = [&](auto get) {
        for (int attempt = 0; attempt < 2 && !down; ++attempt) {
            link.Eto = false;
            const auto value = get();
            if (!link.Eto)
                return value;
            ++s.unanswered;
        }
        down = true;
        return decltype(get())();
    };
    const bool there = ask([&] {
        const bool answered = Protocol::Probe(link, address, "Usvr", kSampleAnswerMs).has_value();
        link.Eto = !answered;
        return answered;
    });
    if (!there)
        return s;
    s.frequencyKHz = ask([&] { return receiver.GetFrequency().toLongLong(); });
    s.polarisation = ask([&] { return receiver.GetLNBPolar(); });
    s.symbolRate = ask([&] { return receiver.GetSpeed().toInt(); });
    s.service = ask([&] { return receiver.GetServiceSelected().toInt(); });
    s.locked = ask([&] { return receiver.GetLock(); });
    s.levelDbm = ask([&] { return reading(receiver.GetLevel()); });
    s.marginDb = ask([&] { return reading(receiver.GetMargin()); });
    // A receiver that stopped answering half way is down: its readings are not all its own.
    s.up = !down;
    return s;
}
