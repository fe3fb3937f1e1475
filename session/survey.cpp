#include "session/survey.h"

#include "link/exchangerecorder.h"
#include "link/linkstate.h"
#include "link/protocol.h"
#include "link/protocol_mssl.h"

int SurveyWaitMs(qint32 speed)
{
    return 30 + int(40LL * 10 * 1000 / qMax<qint32>(speed, 1));
}

QString SurveyHit::tuningText() const
{
    return (frequency ? *frequency + QStringLiteral(" kHz")
                      : QStringLiteral("frequency not read")) +
           QStringLiteral(", ") +
           (!locked   ? QStringLiteral("lock not read")
            : *locked ? QStringLiteral("locked")
                      : QStringLiteral("no lock"));
}

QList<SurveyHit> Survey(LinkState &link, qint32 speed,
                        const std::function<void(int address)> &asking)
{
    const LinkBusy busy(link, LinkBusy::Command);
    const int waitMs = SurveyWaitMs(speed);
    QList<SurveyHit> hits;
    for (int a = 0; a <= 255 && !link.portLost() && link.run.Run; ++a) {
        asking(a);
        if (!Protocol::Probe(link, quint8(a), "Usvr", waitMs))
            continue;
        Protocol_MsSl receiver(link);
        receiver.setAdr(quint8(a));
        SurveyHit hit{a, {}, {}};
        ExchangeTally tally(link);
        const QString frequency = receiver.GetFrequency();
        if (!tally.unanswered())
            hit.frequency = frequency;
        tally.clear();
        const bool locked = receiver.GetLock();
        if (!tally.unanswered())
            hit.locked = locked;
        hits.append(hit);
    }
    return hits;
}
