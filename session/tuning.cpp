#include "session/tuning.h"

#include "link/exchangerecorder.h"
#include "link/linkstate.h"
#include "link/protocol.h"
#include "link/receiverdriver.h"
#include "platform/host.h"
#include "platform/numbers.h"

bool InBand(quint8 band, double frequencyKHz)
{
    constexpr double kEdgeKHz = 2400000;
    return !(band == 0 && frequencyKHz > kEdgeKHz) && !(band == 1 && frequencyKHz < kEdgeKHz);
}

QString BandRefusal(quint8 band, const QString &frequency)
{
    if (InBand(band, LeadingNumber(frequency)))
        return QString();
    return band == 0 ? QStringLiteral("Not allowed for L band")
                     : QStringLiteral("Not allowed for Ku band");
}

TuningOutcome Tune(Tuner &driver, quint8 lnbType, const TuningRequest &request,
                   ServiceList &services, const std::function<void(const QString &)> &status)
{
    LinkState &link = driver.link();
    TuningOutcome out;
    // Each step runs only while nothing has gone unanswered; every result counts, as with And.
    const ExchangeTally tally(link);
    bool ok = driver.SetLNBType(lnbType);
    if (!tally.unanswered())
        ok = driver.SetLNBPolar(request.polarisation) && ok;
    if (!tally.unanswered())
        ok = driver.SetFrequency(request.frequency) && ok;
    if (!tally.unanswered())
        ok = driver.SetSpeed(request.symbolRate) && ok;
    out.frontEndSet = !tally.unanswered();
    if (!tally.unanswered())
        driver.SetServiceNum(1);
    out.accepted = ok;
    out.timedOut = tally.unanswered();
    if (out.timedOut) {
        link.host.beep();
        status(QStringLiteral("Status: Time out"));
        return out;
    }
    status(ok ? QStringLiteral("Status: No error") : QStringLiteral("Status: Error"));
    if (!ok)
        return out;
    status(QStringLiteral("Status: Wait setup"));
    driver.Wait(2500);
    if (!driver.GetLock()) {
        status(QStringLiteral("Status: No sync"));
        driver.Wait(1000);
        return out;
    }
    out.locked = true;
    status(QStringLiteral("Status: Sync"));
    driver.Wait(2000);
    status(QStringLiteral("Status: Get Services"));
    driver.Wait(1000);
    driver.GetServiceName(services);
    out.firstService = driver.GetService(1);
    return out;
}
