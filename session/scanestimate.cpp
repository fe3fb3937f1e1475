#include "session/scanestimate.h"

#include "link/linkstate.h"
#include "link/scankey.h"
#include "platform/host.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kStepExchanges = 11; // a step: tuning, its confirmation, 8 levels, a margin
constexpr double kRateTolerance = 0.12;
// The chance that a carrier locks at the rate its width points to, before the tries at that rate
// have shown how often it does (the prior counts as kMatchWeight tries seen): 0.8 lies between
// the positions of the field's shared plans (all but a few carriers exactly at a ticked rate on
// some, two thirds or fewer on others). A stored list is seldom wrong about a rate: of 281
// carriers tried at their listed rate in scans of three real positions' plans, 280 locked; how
// often it is right is learnt as the listed rates are tried, the prior counting as kMatchWeight
// tries. A carrier seldom locks at a rate neither its width nor a list points to; one try of a
// rescan seldom locks, as it only mends a sweep's frequency that was off, which 1 MHz steps seldom
// leave.
constexpr double kMatchChance = 0.8, kMatchWeight = 4;
constexpr double kListedChance = 0.99;
constexpr double kOtherChance = 0.01;
constexpr double kRescanChance = 0.003;
// A listed transponder where the sweep saw no signal: as likely to lock as not, until its like
// have.
constexpr double kUnseenChance = 0.5, kUnseenWeight = 2;
constexpr int kRescanTries = 1 + ScanWaits::kNeighbours;
// Until the sweep has passed a part of the band, the carriers it found so far per step are
// expected there too, blended with kPriorCarriers as if that many had been seen on this share
// of the band.
constexpr double kPriorShare = 0.05;
// The span of the time left reaches this many standard deviations of the chance by width either
// way; it is told as a span while it is wider than kNarrowSpan of the likeliest time left.
constexpr double kSpanDeviations = 1.5;
constexpr double kNarrowSpan = 0.3;
// A lock costs its waits, a few polls and names, and about 20 exchanges.
constexpr double kLockWaitsMs =
    ScanWaits::kTestMs + ScanWaits::kPollMs + ScanWaits::kServicesMs + 4 * ScanWaits::kNameMs;
} // namespace

void ScanEstimate::start(bool scan, quint8 band, const QStringList &rates,
                         const QStringList &unidentified, const ScanGuide &guide)
{
    const LinkState *link = m_link;
    *this = ScanEstimate(*link);
    m_running = true;
    m_scan = scan;
    m_phase = scan ? Sweep : RescanPass;
    m_rates = rates;
    m_order = ScanOrder(rates, guide);
    m_unseen = Odds{kUnseenChance, kUnseenWeight};
    m_listedOdds = Odds{kListedChance, kMatchWeight};
    m_polSteps = scan ? SweepBand::of(band).steps() : 0;
    m_startUs = nowUs();
    m_byWidth = QList<Odds>(rates.size(), Odds{kMatchChance, kMatchWeight});
    for (const QString &key : unidentified)
        m_carriers.append(carrier(key));
}

void ScanEstimate::stop()
{
    closeTry();
    m_running = false;
}

quint64 ScanEstimate::nowUs() const
{
    return m_link->host.elapsedUs();
}

double ScanEstimate::exchangeMs() const
{
    return m_link->meanExchangeMs().value_or(5.0);
}

double ScanEstimate::failMs() const
{
    return m_fails ? m_failSumMs / m_fails : ScanWaits::kTestMs + 2 * exchangeMs();
}

double ScanEstimate::lockMs() const
{
    return m_locks ? m_lockSumMs / m_locks : kLockWaitsMs + 20 * exchangeMs();
}

void ScanEstimate::sweepStep(const QString &, double, std::optional<double>, std::optional<double>)
{
    const quint64 now = nowUs();
    if (m_stepsDone++ == 0)
        m_firstStepUs = now;
    else if (m_stepsDone >= 8) // the steps' own pace, once a few have gone by
        m_stepMs = double(now - m_firstStepUs) / 1000.0 / (m_stepsDone - 1);
}

void ScanEstimate::sweepCut(const QString &Pol, const QString &)
{
    // The rest of that polarisation's band will not be swept.
    m_stepsDone = std::max(m_stepsDone, (Pol == QLatin1String("V") ? 1 : 2) * m_polSteps);
}

void ScanEstimate::carrierFound(const QString &key, double low, double high)
{
    m_order.carrierFound(key, low, high);
    // What it will likely cost counts from now on, not only once the tests begin.
    m_carriers.append(carrier(key));
}

// A carrier as the run's order will try it, and the ticked rate its width points to, if any.
ScanEstimate::Carrier ScanEstimate::carrier(const QString &key) const
{
    Carrier c{key};
    c.first = m_order.firstRates(key);
    c.rescan = m_order.rescanRates(key);
    if (const TransponderEntry *l = m_order.listedFor(key))
        c.listedRate = l->symbolRate;
    const double width = m_order.widthRate(key);
    c.widthKnown = width > 0;
    double best = kRateTolerance;
    for (int k = 0; c.widthKnown && k < m_rates.size(); ++k) {
        const double rate = m_rates[k].toDouble();
        const double off = rate > 0 ? std::fabs(width - rate) / rate : 1;
        if (off <= best)
            best = off, c.match = k;
    }
    return c;
}

void ScanEstimate::passStarted(bool rescan, const QStringList &rates)
{
    closeTry();
    m_phase = rescan ? RescanPass : FirstPass;
    m_stepsDone = 2 * m_polSteps;
    m_current = -1;
    if (rescan)
        return;
    m_rates = rates;
    m_byWidth = QList<Odds>(rates.size(), Odds{kMatchChance, kMatchWeight});
    if (!m_scan)
        return;
    // What no carrier stood for is tried after the pass, once, at its own rate.
    for (const TransponderEntry &l : m_order.unseen()) {
        Carrier c{ScanKey::found(l.frequency, l.polarisation).key()};
        c.unseen = true;
        c.inSignal = m_order.withinSignal(l);
        c.first = {l.symbolRate};
        c.listed = l;
        m_carriers.append(c);
    }
}

int ScanEstimate::carrierIndex(const QString &key)
{
    for (int i = 0; i < m_carriers.size(); ++i) {
        if (m_carriers[i].key == key)
            return i;
    }
    m_carriers.append(carrier(key)); // a carrier nobody told of: its width is unknown
    return int(m_carriers.size()) - 1;
}

void ScanEstimate::testStarted(const QString &key, const QString &, const QString &rate)
{
    closeTry();
    m_current = carrierIndex(key);
    Carrier &c = m_carriers[m_current];
    if (m_phase != RescanPass) {
        ++c.begun;
    } else if (c.rescanAt >= 0 && c.rescan.value(c.rescanAt) == rate) {
        ++c.attempts;
    } else {
        c.rescanAt = int(c.rescan.indexOf(rate, std::max(0, c.rescanAt)));
        c.attempts = 1;
    }
    m_tryRate = rate;
    m_inTry = true;
    m_tryLocked = false;
    m_tryStartUs = nowUs();
}

void ScanEstimate::identified(const QString &key, int)
{
    m_identified << key;
    if (m_current >= 0 && m_current < m_carriers.size())
        m_carriers[m_current].identified = true;
}

void ScanEstimate::closeTry()
{
    if (!m_inTry)
        return;
    m_inTry = false;
    const double ms = double(nowUs() - m_tryStartUs) / 1000.0;
    (m_tryLocked ? m_lockSumMs : m_failSumMs) += ms;
    ++(m_tryLocked ? m_locks : m_fails);
    const Carrier &c = m_carriers[m_current];
    const int k = int(m_rates.indexOf(m_tryRate));
    if (c.unseen && !c.inSignal)
        m_unseen.add(m_tryLocked);
    else if (c.unseen || (m_phase == FirstPass && m_tryRate == c.listedRate))
        m_listedOdds.add(m_tryLocked);
    else if (m_phase == FirstPass && c.listedRate.isEmpty() && k >= 0 && k == c.match)
        m_byWidth[k].add(m_tryLocked);
}

// The chance by width, at the end of the span asked for: kSpanDeviations standard deviations
// of what the tries seen (and the prior) leave open.
double ScanEstimate::byWidth(const Odds &o) const
{
    const double p = o.p();
    const double spread = kSpanDeviations * std::sqrt(p * (1 - p) / (o.weight + o.tries));
    return std::clamp(p + m_lean * spread, 0.0, 1.0);
}

double ScanEstimate::chance(const Carrier &c, const QString &rate) const
{
    // One within a carrier's signal is as likely to lock as a listed rate; of one where the sweep
    // saw nothing, nothing is known. Locking costs more than failing: neither leans the span.
    if (c.unseen)
        return c.inSignal ? m_listedOdds.p() : m_unseen.p();
    if (!c.listedRate.isEmpty())
        return rate == c.listedRate ? m_listedOdds.p() : kOtherChance;
    const int k = int(m_rates.indexOf(rate));
    const double match = k >= 0 && k < m_byWidth.size() ? byWidth(m_byWidth[k])
                                                        : byWidth({kMatchChance, kMatchWeight});
    if (!c.widthKnown) // it locks at one of the rates, no telling which
        return (match + (m_rates.size() - 1) * kOtherChance) / m_rates.size();
    return k >= 0 && k == c.match ? match : kOtherChance;
}

double ScanEstimate::sweepLeftMs() const
{
    if (m_phase != Sweep)
        return 0;
    const int total = 2 * m_polSteps;
    const double pace = m_stepMs > 0 ? m_stepMs : kStepExchanges * exchangeMs();
    const int waits = m_stepsDone < m_polSteps ? 2 : m_stepsDone < total ? 1 : 0;
    return std::max(0, total - m_stepsDone) * pace + waits * ScanWaits::kSettleMs;
}

// What is left to try of one carrier (index -1: one the sweep has yet to find): the rest of the
// first pass, and the rescans if it is still unidentified then.
double ScanEstimate::carrierLeftMs(int index, const Carrier &c) const
{
    const bool here = m_inTry && index == m_current;
    const double elapsed = here ? double(nowUs() - m_tryStartUs) / 1000.0 : 0;
    if (here && m_tryLocked)
        return std::max(0.0, lockMs() - elapsed);
    double alive = 1;
    const double first = firstPassLeftMs(c, here, elapsed, alive);
    return first + rescansLeftMs(c, here, elapsed, alive);
}

// The carrier's tries of the first pass not yet ended; `alive` becomes the chance that none of
// them locks.
double ScanEstimate::firstPassLeftMs(const Carrier &c, bool here, double elapsed,
                                     double &alive) const
{
    if (!m_scan || m_phase == RescanPass)
        return 0;
    const double fail = failMs(), lock = lockMs();
    const int now = here && m_phase == FirstPass ? c.begun - 1 : -1;
    double ms = 0;
    for (int j = m_phase == FirstPass && !here ? c.begun : std::max(0, now); j < c.first.size();
         ++j) {
        const double p = chance(c, c.first[j]);
        ms += alive * std::max(0.0, p * lock + (1 - p) * fail - (j == now ? elapsed : 0));
        alive *= 1 - p;
    }
    return ms;
}

// The carrier's rescans not yet ended, should it come to them with the chance `alive`. Each try
// locks with kRescanChance, and ends the carrier's rescan when it does; but a rescan run (of a
// tree an earlier run left) tries a listed carrier's own frequency at its listed rate first, as
// likely to lock as a listed rate is.
double ScanEstimate::rescansLeftMs(const Carrier &c, bool here, double elapsed, double alive) const
{
    const bool rescanning = m_phase == RescanPass;
    const double lock = lockMs(), fail = failMs();
    double ms = 0;
    for (int k = 0; k < c.rescan.size(); ++k) {
        // Its rates before the one under way are behind it, and that one too once it moved on.
        if (rescanning && (k < c.rescanAt || (k == c.rescanAt && !here)))
            continue;
        const bool now = here && rescanning && k == c.rescanAt;
        const int from = now ? std::clamp(c.attempts - 1, 0, kRescanTries - 1) : 0;
        for (int t = from; t < kRescanTries; ++t) {
            const double q =
                t == 0 && !m_scan && c.rescan[k] == c.listedRate ? m_listedOdds.p() : kRescanChance;
            ms +=
                alive * std::max(0.0, q * lock + (1 - q) * fail - (now && t == from ? elapsed : 0));
            alive *= 1 - q;
        }
    }
    return ms;
}

// What the carriers of the band the sweep has yet to pass will cost: as many per step as it found
// so far, each costing what those found cost on average.
double ScanEstimate::unsweptCarriersMs() const
{
    const double swept = std::min(1.0, double(m_stepsDone) / (2.0 * m_polSteps));
    const double carriers =
        (m_carriers.size() + kPriorCarriers * kPriorShare) / (swept + kPriorShare) * (1.0 - swept);
    double each = 0;
    for (int i = 0; i < m_carriers.size(); ++i)
        each += carrierLeftMs(i, m_carriers[i]) / m_carriers.size();
    if (m_carriers.isEmpty())
        each = carrierLeftMs(-1, carrier(QString()));
    return carriers * each;
}

qint64 ScanEstimate::leftMs() const
{
    if (!m_running)
        return 0;
    double ms = sweepLeftMs();
    for (int i = 0; i < m_carriers.size(); ++i) {
        if (!m_carriers[i].identified && !skipped(m_carriers[i]))
            ms += carrierLeftMs(i, m_carriers[i]);
    }
    if (m_phase == Sweep && m_polSteps > 0)
        ms += unsweptCarriersMs();
    return qint64(ms);
}

// A listed transponder no carrier stood for is not tried once another carrier was identified as
// it, and one not yet begun is not tried once it already stands identified.
bool ScanEstimate::skipped(const Carrier &c) const
{
    if (!c.unseen || c.begun > 0)
        return false;
    return std::any_of(m_identified.cbegin(), m_identified.cend(),
                       [&](const QString &key) { return StandsFor(key, c.listed); });
}

double ScanEstimate::done() const
{
    const double elapsed = double(nowUs() - m_startUs) / 1000.0;
    const double left = double(leftMs());
    return elapsed + left > 0 ? elapsed / (elapsed + left) : 0.0;
}

ScanEstimate::Span ScanEstimate::leftSpan() const
{
    m_lean = 1; // more locks, less time
    const qint64 low = leftMs();
    m_lean = -1;
    const qint64 high = leftMs();
    m_lean = 0;
    return {low, high};
}

QString ScanEstimate::leftText() const
{
    const Span span = leftSpan();
    const qint64 likely = leftMs();
    if (double(span.highMs - span.lowMs) <= kNarrowSpan * double(likely))
        return TimeLeftText(likely);
    const bool minutes = span.highMs >= 120000;
    const qint64 unit = minutes ? 60000 : 1000;
    return QStringLiteral("about %1 to %2 %3 left")
        .arg(span.lowMs / unit)
        .arg((span.highMs + unit - 1) / unit)
        .arg(minutes ? QStringLiteral("min") : QStringLiteral("s"));
}

QString TimeLeftText(qint64 ms)
{
    const qint64 s = (ms + 999) / 1000;
    return s >= 60 ? QStringLiteral("about %1 min %2 s left").arg(s / 60).arg(s % 60)
                   : QStringLiteral("about %1 s left").arg(s);
}
