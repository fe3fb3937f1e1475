#pragma once

#include "link/scanevents.h"

#include <QList>

struct LinkState;

// How long the rest of a scan run will take, from what the run has told so far. The waits of
// the scan operations are fixed (2.5 s at each frequency tried, 2.4 s before the services); the
// rest is exchanges, whose cost the link measures, and tries, whose cost the run measures as
// they end, a failed one apart from a locked one.
//
// Which carrier locks at which rate is guessed from the sweep: a carrier's signal spans about
// 1.35 times its symbol rate (the roll-off), so the ticked rate closest to that, if any is near,
// is where it will likely lock; at the other rates it will likely not, and what has not locked
// by the end of the first pass is rescanned at every rate. How often these guesses come true is
// learnt as the tries end. Before the sweep has passed a part of the band, that part is assumed
// to hold as many carriers per step as the part swept, like them.
class ScanEstimate : public ScanEvents
{
public:
    static constexpr int kPriorCarriers = 12;

    explicit ScanEstimate(const LinkState &link) : m_link(&link) {}

    // A scan run sweeps `band` (0 L, 1 Ku) and then tests what it found; a rescan run tests the
    // carriers of `unidentified` (their keys, in the tree's order) with neighbours.
    void start(bool scan, quint8 band, const QStringList &rates,
               const QStringList &unidentified = {});
    // The run is over, or stopping: nothing more is estimated.
    void stop();
    bool running() const { return m_running; }

    // The time left, in milliseconds, and the share of the run done (0 to 1), as of now.
    qint64 leftMs() const;
    double done() const;

    void sweepStep(const QString &Pol, double frequency, std::optional<double> level,
                   std::optional<double> margin) override;
    void carrierFound(const QString &key, double low, double high) override;
    void sweepCut(const QString &Pol, const QString &frequency) override;
    void passStarted(bool rescan, const QStringList &rates) override;
    void testStarted(const QString &key, const QString &frequency, const QString &rate) override;
    void locked() override { m_tryLocked = true; }
    void identified(const QString &key, int services) override;

private:
    enum Phase
    {
        Sweep,
        FirstPass,
        RescanPass
    };
    struct Carrier
    {
        QString key;
        int match = -1; // the ticked rate whose signal width is nearest its own, -1 none
        bool widthKnown = false, identified = false;
        double rate = 0; // kS/s, from its width
    };

    quint64 nowUs() const;
    double exchangeMs() const;
    double failMs() const;
    double lockMs() const;
    double chance(const Carrier &c, int rate) const;
    double sweepLeftMs() const;
    double unsweptCarriersMs() const;
    double carrierLeftMs(int index, const Carrier &c) const;
    void matchRates();
    void closeTry();

    const LinkState *m_link;
    bool m_running = false, m_scan = false;
    Phase m_phase = Sweep;
    QStringList m_rates;
    QList<Carrier> m_carriers;
    quint64 m_startUs = 0;
    // The sweep: steps per polarisation, steps done (the second polarisation's after the
    // first's), and their pace.
    int m_polSteps = 0, m_stepsDone = 0;
    quint64 m_firstStepUs = 0;
    double m_stepMs = 0;
    // Where the tests are: the rate (index into m_rates), the carrier (index into m_carriers),
    // the tries of that carrier at that rate, and the try under way.
    int m_rate = 0, m_current = -1, m_attempts = 0;
    bool m_inTry = false, m_tryLocked = false;
    quint64 m_tryStartUs = 0;
    // What the tries ended so far cost and how often the guesses came true.
    double m_failSumMs = 0, m_lockSumMs = 0;
    int m_fails = 0, m_locks = 0;
    QList<int> m_matchTries, m_matchLocks; // by rate
    int m_otherTries = 0, m_otherLocks = 0;
};

// "about 5 min 3 s left", "about 40 s left": the time left as the operator reads it.
QString TimeLeftText(qint64 ms);
