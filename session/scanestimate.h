#pragma once

#include "link/scanevents.h"
#include "session/scanorder.h"

#include <QList>

class LinkState;

// How long the rest of a scan run will take, from what the run has told so far. The waits are
// the driver's own (ScanWaits); the rest is exchanges, whose cost the link measures, and tries,
// whose cost the run measures as they end, a failed one apart from a locked one.
//
// The rates each carrier is tried at come in the run's own order (ScanOrder). Which carrier
// locks at which rate is guessed: where the position's stored list holds a transponder within
// the carrier's signal, at that transponder's rate; otherwise from the sweep: a carrier's signal
// spans about 1.35 times its symbol rate (the roll-off), so the ticked rate closest to that, if
// any is near, is where it will likely lock. At the other rates it will likely not, and what has
// not locked by the end of the first pass is rescanned at every rate. A listed transponder no
// carrier stood for is tried once, and locks as often as such tries have.
// How often these guesses come true is learnt as the tries end. Before the sweep has passed a
// part of the band, that part is assumed to hold as many carriers per step as the part swept,
// like them.
//
// A width cannot tell 29500 or 29900 from 30000, nor 28000 from 27500, and real positions
// differ widely in how many of their carriers sit exactly at a ticked rate (all but 3 of 93 on
// Hotbird 13.0E, 57 of 83 on Astra 28.2E). Without a stored list the likeliest time left at the
// sweep's end is therefore a middle guess, off by half and more on a position far from it, until
// the tests at the rates the carriers' widths point to show how often they lock; leftText() then
// tells the span the guess leaves open. What a stored list says is trusted, and how often it
// comes true learnt as the run goes.
class ScanEstimate : public ScanEvents
{
public:
    static constexpr int kPriorCarriers = 12;

    explicit ScanEstimate(const LinkState &link) : m_link(&link) {}

    // A scan run sweeps `band` (0 L, 1 Ku) and then tests what it found; a rescan run tests the
    // carriers of `unidentified` (their keys, in the tree's order) with neighbours. `guide`: as
    // the run is guided (the position's stored list, the likely rate first).
    void start(bool scan, quint8 band, const QStringList &rates,
               const QStringList &unidentified = {}, const ScanGuide &guide = {});
    // The run is over, or stopping: nothing more is estimated.
    void stop();
    bool running() const { return m_running; }

    // The time left, in milliseconds, and the share of the run done (0 to 1), as of now.
    qint64 leftMs() const;
    // The time left were the carriers to lock at the rates their widths point to as often as
    // the run has shown they might at most, and at least: a wide span until the tries at those
    // rates have shown how often they do.
    struct Span
    {
        qint64 lowMs, highMs;
    };
    Span leftSpan() const;
    // "about 11 to 24 min left" while the span is wide, the time left otherwise.
    QString leftText() const;
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
        explicit Carrier(const QString &k = {}) : key(k) {}
        QString key;
        int match = -1; // the ticked rate its width points to, -1 none
        bool widthKnown = false, identified = false;
        bool unseen = false;   // a listed transponder no carrier stood for: this one
        bool inSignal = false; // and it lies within a carrier's signal all the same
        TransponderEntry listed;
        QString listedRate;              // the rate of the listed transponder it stands for
        QStringList first, rescan;       // its rates in the two passes, in order
        int begun = 0;                   // its tries begun in the first pass
        int rescanAt = -1, attempts = 0; // the rescan's rate under way, and its tries there
    };
    // How often a guess came true: a prior, counting as `weight` tries, and the tries seen.
    struct Odds
    {
        double prior = 0, weight = 0;
        int tries = 0, locks = 0;
        double p() const { return (prior * weight + locks) / (weight + tries); }
        void add(bool lock) { ++tries, locks += lock; }
    };

    quint64 nowUs() const;
    double exchangeMs() const;
    double failMs() const;
    double lockMs() const;
    double chance(const Carrier &c, const QString &rate) const;
    double byWidth(const Odds &o) const;
    double sweepLeftMs() const;
    double unsweptCarriersMs() const;
    double carrierLeftMs(int index, const Carrier &c) const;
    double firstPassLeftMs(const Carrier &c, bool here, double elapsed, double &alive) const;
    double rescansLeftMs(const Carrier &c, bool here, double elapsed, double alive) const;
    Carrier carrier(const QString &key) const;
    bool skipped(const Carrier &c) const;
    int carrierIndex(const QString &key);
    void closeTry();

    const LinkState *m_link;
    // Which end of the span the chances by width are taken at: -1 least, 1 most, 0 likeliest.
    mutable int m_lean = 0;
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
    // The carrier under test (index into m_carriers), and the try under way.
    int m_current = -1;
    QString m_tryRate;
    bool m_inTry = false, m_tryLocked = false;
    quint64 m_tryStartUs = 0;
    // What the tries ended so far cost, and how often a carrier locked at the rate its width
    // points to, by rate.
    double m_failSumMs = 0, m_lockSumMs = 0;
    int m_fails = 0, m_locks = 0;
    QList<Odds> m_byWidth;
    Odds m_unseen;            // how often a listed one where the sweep saw nothing locked
    Odds m_listedOdds;        // how often a carrier locked at the rate listed for it
    QStringList m_identified; // the keys of the transponders identified
    ScanOrder m_order;
};

// "about 5 min 3 s left", "about 40 s left": the time left as the operator reads it.
QString TimeLeftText(qint64 ms);
