#include "session/scanestimate.h"

#include "link/linkstate.h"
#include "link/scankey.h"
#include "platform/host.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kStepExchanges = 11;  // a step: tuning, its confirmation, 8 levels, a margin
constexpr double kWidthPerRate = 1.35; // kHz of signal per kS/s
constexpr double kRateTolerance = 0.12;
// The chance that a carrier locks at the rate its width points to, before the tries at that rate
// have shown how often it does (the prior counts as kMatchWeight tries seen): 0.8 lies between
// the positions of the field's shared plans (all but a few carriers exactly at a ticked rate on
// some, two thirds or fewer on others). A stored list is seldom wrong about a rate; a carrier
// seldom locks at a rate neither its width nor a list points to; one try of a rescan seldom
// locks, as it only mends a sweep's frequency that was off, which 1 MHz steps seldom leave.
constexpr double kMatchChance = 0.8, kMatchWeight = 4;
constexpr double kListedChance = 0.98;
constexpr double kOtherChance = 0.01;
constexpr double kRescanChance = 0.003;
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
                         const QStringList &unidentified, const QList<TransponderEntry> &listed)
{
    const LinkState *link = m_link;
    *this = ScanEstimate(*link);
    m_running = true;
    m_scan = scan;
    m_phase = scan ? Sweep : RescanPass;
    m_rates = rates;
    m_listed = listed;
    m_polSteps = scan ? SweepBand::of(band).steps() : 0;
    m_startUs = nowUs();
    m_byWidth = QList<Odds>(rates.size(), Odds{kMatchChance, kMatchWeight});
    for (const QString &key : unidentified)
        m_carriers.append(Carrier{key});
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
    return m_link->exchanges ? double(m_link->exchangeUs) / 1000.0 / double(m_link->exchanges)
                             : 5.0;
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
    // The steps of the carrier lie within its width, half a step in from each edge on average.
    Carrier c{key, -1, true, false, false, (high - low + 500.0) / kWidthPerRate, low, high};
    matchRate(c); // what it will likely cost counts from now on, not only once the tests begin
    m_carriers.append(c);
}

void ScanEstimate::matchRates()
{
    for (Carrier &c : m_carriers)
        matchRate(c);
}

// The listed transponder within the carrier's signal nearest its middle gives its rate, ticked
// or not; without one, the ticked rate nearest the rate its width tells.
void ScanEstimate::matchRate(Carrier &c) const
{
    c.match = -1;
    c.listed = false;
    if (!c.widthKnown)
        return;
    const ScanKey key = ScanKey::ofTransponder(c.key);
    const double middle = (c.low + c.high) / 2.0;
    const TransponderEntry *nearest = nullptr;
    double nearestOff = 0;
    for (const TransponderEntry &l : m_listed) {
        const double khz = l.frequency.toDouble(), off = std::fabs(khz - middle);
        if (l.polarisation == key.polarisation && khz >= c.low - 500.0 && khz <= c.high + 500.0 &&
            (!nearest || off < nearestOff))
            nearest = &l, nearestOff = off;
    }
    if (nearest) {
        c.listed = true;
        c.match = int(m_rates.indexOf(nearest->symbolRate));
        return;
    }
    double best = kRateTolerance;
    for (int k = 0; k < m_rates.size(); ++k) {
        const double rate = m_rates[k].toDouble();
        const double off = rate > 0 ? std::fabs(c.rate - rate) / rate : 1;
        if (off <= best)
            best = off, c.match = k;
    }
}

void ScanEstimate::passStarted(bool rescan, const QStringList &rates)
{
    closeTry();
    m_phase = rescan ? RescanPass : FirstPass;
    m_stepsDone = 2 * m_polSteps;
    m_rates = rates;
    m_rate = 0;
    m_current = -1;
    matchRates();
    if (!rescan)
        m_byWidth = QList<Odds>(rates.size(), Odds{kMatchChance, kMatchWeight});
}

void ScanEstimate::testStarted(const QString &key, const QString &, const QString &rate)
{
    closeTry();
    const int k = int(m_rates.indexOf(rate, m_rate));
    if (k > m_rate)
        m_rate = k, m_current = -1;
    int i = 0;
    while (i < m_carriers.size() && m_carriers[i].key != key)
        ++i;
    if (i == m_carriers.size())
        m_carriers.append(Carrier{key}); // a carrier nobody told of: its width is unknown
    if (i != m_current)
        m_current = i, m_attempts = 0;
    ++m_attempts;
    m_inTry = true;
    m_tryLocked = false;
    m_tryStartUs = nowUs();
}

void ScanEstimate::identified(const QString &, int)
{
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
    if (m_phase == FirstPass && c.match == m_rate && !c.listed)
        m_byWidth[m_rate].add(m_tryLocked);
}

// The chance by width, at the end of the span asked for: kSpanDeviations standard deviations
// of what the tries seen (and the prior) leave open.
double ScanEstimate::byWidth(const Odds &o) const
{
    const double p = o.p();
    const double spread = kSpanDeviations * std::sqrt(p * (1 - p) / (o.weight + o.tries));
    return std::clamp(p + m_lean * spread, 0.0, 1.0);
}

double ScanEstimate::chance(const Carrier &c, int rate) const
{
    const double match = c.listed                  ? kListedChance
                         : rate < m_byWidth.size() ? byWidth(m_byWidth[rate])
                                                   : byWidth(Odds{kMatchChance, kMatchWeight});
    if (!c.widthKnown) // it locks at one of the rates, no telling which
        return (match + (m_rates.size() - 1) * kOtherChance) / m_rates.size();
    return rate == c.match ? match : kOtherChance;
}

// What `tries` tries of a rescan at one rate will likely cost, the first of them under way for
// elapsedMs: each try locks with kRescanChance, and ends the carrier's rescan when it does.
double ScanEstimate::rescanMs(int tries, double elapsedMs) const
{
    const double q = kRescanChance, lock = lockMs(), fail = failMs();
    double alive = 1, ms = 0;
    for (int t = 0; t < tries; ++t) {
        ms += alive * std::max(0.0, q * lock + (1 - q) * fail - (t == 0 ? elapsedMs : 0));
        alive *= 1 - q;
    }
    return ms;
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
    const int rates = int(m_rates.size());
    const double fail = failMs(), lock = lockMs();
    const bool here = m_inTry && index == m_current;
    const double elapsed = here ? double(nowUs() - m_tryStartUs) / 1000.0 : 0;
    if (here && m_tryLocked)
        return std::max(0.0, lock - elapsed);
    // Rate k of the pass under way is behind it when it was reached and passed.
    auto behind = [&](Phase pass, int k) {
        return m_phase == pass && (k < m_rate || (k == m_rate && index < m_current));
    };
    double alive = 1, ms = 0;
    for (int k = 0; m_scan && m_phase != RescanPass && k < rates; ++k) {
        if (behind(FirstPass, k))
            continue;
        const double p = chance(c, k);
        const bool now = here && k == m_rate;
        ms += alive * std::max(0.0, p * lock + (1 - p) * fail - (now ? elapsed : 0));
        alive *= 1 - p;
    }
    const double rescanLock = 1 - std::pow(1 - kRescanChance, kRescanTries);
    for (int k = 0; k < rates; ++k) {
        if (behind(RescanPass, k))
            continue;
        const bool now = here && m_phase == RescanPass && k == m_rate;
        const int tries = now ? std::max(1, kRescanTries - m_attempts + 1) : kRescanTries;
        ms += alive * rescanMs(tries, now ? elapsed : 0);
        alive *= 1 - rescanLock;
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
        each = carrierLeftMs(-1, Carrier{});
    return carriers * each;
}

qint64 ScanEstimate::leftMs() const
{
    if (!m_running)
        return 0;
    double ms = sweepLeftMs();
    for (int i = 0; i < m_carriers.size(); ++i) {
        if (!m_carriers[i].identified)
            ms += carrierLeftMs(i, m_carriers[i]);
    }
    if (m_phase == Sweep && m_polSteps > 0)
        ms += unsweptCarriersMs();
    return qint64(ms);
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
