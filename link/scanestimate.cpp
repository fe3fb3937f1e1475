#include "link/scanestimate.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kSweepWaitMs = 400; // before the first step on each polarisation
constexpr int kRescanTries = 5;      // the frequency itself and four neighbours
constexpr double kIdentifiable = 0.5;
} // namespace

void ScanEstimate::start(int sweepSteps, int rates, int unidentified, quint64 nowUs)
{
    *this = ScanEstimate();
    m_steps = 2 * sweepSteps;
    m_rates = std::max(rates, 1);
    m_startUs = m_lastUs = m_stepStartUs = nowUs;
    m_unidentified = sweepSteps > 0 ? kPriorCarriers : unidentified;
    m_rescan = sweepSteps == 0;
    update(true, nowUs);
}

void ScanEstimate::sweepStep(quint64 nowUs)
{
    ++m_stepsDone;
    // The steps' own pace, once a few have gone by.
    if (m_stepsDone >= 8)
        m_stepMs = double(nowUs - m_stepStartUs) / 1000.0 / m_stepsDone;
    else if (m_stepsDone == 1)
        m_stepStartUs = nowUs;
    update(false, nowUs);
}

void ScanEstimate::passStarted(bool rescan, int unidentified, quint64 nowUs)
{
    closeTry(nowUs);
    m_testing = true;
    m_rescan = rescan;
    m_stepsDone = m_steps;
    m_unidentified = unidentified;
    m_rateIndex = 0;
    m_triesAtRate = m_locksAtRate = 0;
    // The first pass replaces the sweep's guess of the carriers with the count; a later pass
    // was foreseen from the start of the tests and brings nothing new.
    update(m_tries == 0, nowUs);
}

void ScanEstimate::rateStarted(quint64 nowUs)
{
    closeTry(nowUs);
    if (m_rateIndex > 0)
        m_unidentified = std::max(0, m_unidentified - m_locksAtRate);
    ++m_rateIndex;
    m_triesAtRate = m_locksAtRate = 0;
    update(false, nowUs);
}

void ScanEstimate::tryStarted(quint64 nowUs)
{
    closeTry(nowUs);
    m_inTry = true;
    m_tryLocked = false;
    m_tryStartUs = nowUs;
    ++m_triesAtRate;
    ++m_tries;
    update(false, nowUs);
}

void ScanEstimate::tryLocked()
{
    m_tryLocked = true;
    ++m_locksAtRate;
    ++m_locks;
    update(true, m_lastUs);
}

void ScanEstimate::closeTry(quint64 nowUs)
{
    if (!m_inTry)
        return;
    m_inTry = false;
    const double ms = double(nowUs - m_tryStartUs) / 1000.0;
    // The mean of what the tries took, each outcome apart.
    if (m_tryLocked)
        m_lockMs = (m_lockMs * m_locked + ms) / (m_locked + 1), ++m_locked;
    else
        m_failMs = (m_failMs * m_failed + ms) / (m_failed + 1), ++m_failed;
}

void ScanEstimate::finish()
{
    m_shownMs = 0;
}

double ScanEstimate::modelMs() const
{
    const double sweep = m_testing
                             ? 0
                             : (m_steps - m_stepsDone) * m_stepMs + (m_stepsDone < m_steps / 2 ? 2
                                                                     : m_stepsDone < m_steps   ? 1
                                                                                             : 0) *
                                                                        kSweepWaitMs;
    // A transponder's chance to lock at a given rate, and at rate k when it has not at those
    // before it.
    const double q = kIdentifiable / m_rates;
    auto lockChance = [&](int k) { return m_rescan ? 0.0 : q / std::max(0.05, 1 - k * q); };
    const double perTry = m_rescan ? kRescanTries : 1;
    double tries = 0, locks = 0;
    double left = m_testing ? std::max(0, m_unidentified - m_locksAtRate) : m_unidentified;
    const int current = m_testing ? m_rateIndex - 1 : -1;
    if (current >= 0) { // the rest of the rate under test
        const double here = std::max(0.0, m_unidentified * perTry - m_triesAtRate);
        const double locking = here / perTry * lockChance(current);
        tries += here;
        locks += locking;
        left -= locking;
    }
    for (int k = current + 1; k < m_rates; ++k) {
        const double locking = left * lockChance(k);
        tries += left * perTry;
        locks += locking;
        left -= locking;
    }
    if (!m_rescan) // what is left is rescanned at every rate
        tries += left * m_rates * kRescanTries;
    return sweep + (tries - locks) * m_failMs + locks * m_lockMs;
}

void ScanEstimate::update(bool learnt, quint64 nowUs)
{
    m_lastUs = nowUs;
    const qint64 model = qint64(std::max(0.0, modelMs()));
    const qint64 sinceShown = qint64(nowUs - m_shownAtUs) / 1000;
    // Without news the time left only falls: the model then never overrules the clock upwards.
    m_shownMs = learnt ? model : std::min(model, std::max<qint64>(0, m_shownMs - sinceShown));
    m_shownAtUs = nowUs;
}

double ScanEstimate::done(quint64 nowUs) const
{
    const double elapsed = double(nowUs - m_startUs) / 1000.0;
    return elapsed + m_shownMs > 0 ? elapsed / (elapsed + m_shownMs) : 0.0;
}
