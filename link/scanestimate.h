#pragma once

#include <QtGlobal>

// How long the rest of a scan will take. The waits of the scan operations are fixed (2.5 s at
// each tried frequency; 200 ms between lock queries; 2.4 s before the services); the rest is
// exchanges, whose cost the run measures. Before the tests begin the carriers are unknown, so the
// estimate assumes kPriorCarriers of them; once the sweep has found them it assumes half of them
// lock at one of the ticked rates, and the rest are tried at every rate, then rescanned at four
// neighbouring frequencies too. Each outcome then replaces a guess with what happened.
class ScanEstimate
{
public:
    static constexpr int kPriorCarriers = 12;

    // A run: `sweepSteps` per polarisation (0 for a rescan, which does not sweep), `rates` ticked,
    // and for a rescan the transponders left to identify.
    void start(int sweepSteps, int rates, int unidentified, quint64 nowUs);
    void sweepStep(quint64 nowUs);
    // A test pass begins: a pass of rescans or not, with this many transponders unidentified.
    void passStarted(bool rescan, int unidentified, quint64 nowUs);
    // A test at one rate begins (one per ticked rate and pass).
    void rateStarted(quint64 nowUs);
    void tryStarted(quint64 nowUs);
    void tryLocked();
    void finish();

    // The time left, in milliseconds, as of the last event; it does not rise while nothing new
    // is learnt (a lock, a new pass).
    qint64 leftMs() const { return m_shownMs; }
    // Share of the run done, 0 to 1.
    double done(quint64 nowUs) const;

private:
    double modelMs() const;
    void closeTry(quint64 nowUs);
    void update(bool learnt, quint64 nowUs);

    int m_steps = 0, m_stepsDone = 0, m_rates = 1;
    quint64 m_startUs = 0, m_stepStartUs = 0, m_lastUs = 0;
    double m_stepMs = 20; // a sweep step: a tuning, its confirmation, level and margin
    bool m_testing = false, m_rescan = false;
    int m_unidentified = kPriorCarriers; // at the start of the current rate's test
    int m_rateIndex = 0;                 // rates begun in this pass
    int m_triesAtRate = 0, m_locksAtRate = 0;
    int m_locks = 0, m_tries = 0;
    bool m_inTry = false, m_tryLocked = false;
    quint64 m_tryStartUs = 0;
    double m_failMs = 2600, m_lockMs = 6000; // measured as tries end
    int m_failed = 0, m_locked = 0;
    qint64 m_shownMs = 0;
    quint64 m_shownAtUs = 0;
};
