#include "session/scanrun.h"

#include "link/linkstate.h"
#include "link/protocol_mssl.h"
#include "link/scanevents.h"
#include "link/scantree.h"

#include <algorithm>

namespace {

// The order listens to the run's events while the run lasts.
struct Listening
{
    Listening(ScanEventsFanOut &s, ScanEvents &l) : events(s), listener(l)
    {
        events.listen(&listener);
    }
    ~Listening() { events.unlisten(&listener); }
    ScanEventsFanOut &events;
    ScanEvents &listener;
};

bool identifiedNear(const ScanTree &tree, const TransponderEntry &l)
{
    for (int n = 1; n <= tree.count(); ++n) {
        if (!tree.parent(n) && StandsFor(tree.key(n), l))
            return true;
    }
    return false;
}

// Each listed transponder no carrier stood for, at its own frequency and rate, the vertical ones
// first as the sweep goes.
void TestUnseen(Protocol_MsSl &driver, const ScanOrder &order, ScanEventsFanOut &events,
                ScanTree &tree, RunToken &run)
{
    QList<TransponderEntry> unseen = order.unseen();
    std::stable_sort(unseen.begin(), unseen.end(), [](const auto &a, const auto &b) {
        return a.polarisation == QLatin1String("V") && b.polarisation != QLatin1String("V");
    });
    for (const TransponderEntry &l : unseen) {
        if (!run.Run)
            break;
        if (!identifiedNear(tree, l)) // found as another carrier's already
            driver.TestAt(l.frequency, l.polarisation, l.symbolRate, events, tree, run.Run);
    }
}

} // namespace

QStringList DefaultScanRates()
{
    return {QStringLiteral("45000"), QStringLiteral("30000"), QStringLiteral("27500"),
            QStringLiteral("22000")};
}

bool TestPass(Protocol_MsSl &driver, const QStringList &rates, const ScanOrder &order,
              ScanEventsFanOut &events, ScanTree &tree, RunToken &run, bool rescan)
{
    events.passStarted(rescan, rates);
    auto ratesOf = [&](const QString &key) {
        return rescan ? order.rescanRates(key) : order.firstRates(key);
    };
    qsizetype tries = 0;
    for (const QString &key : tree.unidentified())
        tries = std::max(tries, ratesOf(key).size());
    bool all = driver.AllFound(tree);
    for (qsizetype i = 0; i < tries; ++i) {
        if (!run.Run || all)
            break;
        all = driver.RunTests(
            [&](const QString &key) {
                const QStringList r = ratesOf(key);
                return i < r.size() ? r[i] : QString();
            },
            events, tree, run.Run, rescan);
    }
    events.passEnded(rescan, all);
    return all;
}

void RunScan(Protocol_MsSl &driver, const QStringList &rates, ScanEventsFanOut &events,
             ScanTree &tree, RunToken &run, const ScanGuide &guide)
{
    ScanOrder order(rates, guide);
    const Listening listening(events, order);
    driver.SetScanLocal(events, tree, run.Run);
    TestPass(driver, rates, order, events, tree, run, false);
    if (run.Run)
        TestUnseen(driver, order, events, tree, run);
    if (!driver.AllFound(tree) && run.Run)
        TestPass(driver, rates, order, events, tree, run, true);
    events.runEnded(run.Run);
}

void RunRescan(Protocol_MsSl &driver, const QStringList &rates, ScanEventsFanOut &events,
               ScanTree &tree, RunToken &run, const ScanGuide &guide)
{
    const ScanOrder order(rates, guide);
    TestPass(driver, rates, order, events, tree, run, true);
    events.runEnded(run.Run);
}
