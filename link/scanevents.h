#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The band a receiver scan sweeps (0 L, 1 Ku): from its first frequency, in 1 MHz steps, up to
// but not including its end.
struct SweepBand
{
    double first = 0, end = 0; // kHz
    static SweepBand of(quint8 band)
    {
        return band == 1 ? SweepBand{10700000.0, 12750000.0} : SweepBand{950000.0, 2150000.0};
    }
    int steps() const { return int((end - first) / 1000.0); }
};

// The waits of the scan operations, in milliseconds (what a run costs beyond its exchanges),
// and the neighbours a rescan tries.
struct ScanWaits
{
    static constexpr int kSettleMs = 400;    // on each polarisation, before the sweep's first step
    static constexpr int kTestMs = 2500;     // at each frequency tried, before the margin is read
    static constexpr int kPollMs = 200;      // between two asks for the lock, or for the services
    static constexpr int kServicesMs = 2400; // after a lock, before the services are counted
    static constexpr int kNameMs = 100;      // before each service's name is read
    static constexpr int kNeighbours = 4;    // a rescan also tries 3 and 6 MHz either side
};

// How a try of a transponder at one frequency and rate ended: the run was stopped, no margin
// there, a margin but no lock, a lock but no services, or its services were counted.
enum class TryOutcome
{
    Stopped,
    NoMargin,
    NoLock,
    NoServices,
    Services
};

// What a try of a transponder polls the receiver for, once it has a margin: the lock ("Sigq"),
// the count of its services, their names.
enum class ScanPoll
{
    Lock,
    Services,
    Names
};

// What happens in a scan run, as it happens. The driver tells a fan-out; the status labels, the
// plot, the time left and the command-line progress listen. Frequencies are kHz; a carrier's key is
// the key of its node in the scan tree.
class ScanEvents
{
public:
    virtual ~ScanEvents() = default;
    // A sweep on Pol of `steps` steps begins; the receiver reports it is tuned to the frequency
    // of the next step; the sweep on Pol ended (also one the run was stopped before). A sweep
    // cut short ends before its sweepCut.
    virtual void sweepStarted(const QString &Pol, int steps)
    {
        Q_UNUSED(Pol);
        Q_UNUSED(steps);
    }
    virtual void stepTuned(double frequency) { Q_UNUSED(frequency); }
    virtual void sweepEnded(const QString &Pol) { Q_UNUSED(Pol); }
    // One step of a sweep on Pol: the level (dBm) and the margin (dB) read there, each absent
    // where the receiver had none.
    virtual void sweepStep(const QString &Pol, double frequency, std::optional<double> level,
                           std::optional<double> margin)
    {
        Q_UNUSED(Pol);
        Q_UNUSED(frequency);
        Q_UNUSED(level);
        Q_UNUSED(margin);
    }
    // The sweep recorded a carrier at its best step; its signal spanned low to high.
    virtual void carrierFound(const QString &key, double low, double high)
    {
        Q_UNUSED(key);
        Q_UNUSED(low);
        Q_UNUSED(high);
    }
    // A sweep on Pol stopped at the frequency because the receiver never confirmed its tuning
    // there: the rest of the band was not swept on that polarisation.
    virtual void sweepCut(const QString &Pol, const QString &frequency)
    {
        Q_UNUSED(Pol);
        Q_UNUSED(frequency);
    }
    // A pass of tests over the unidentified carriers, at each of the rates in turn; a rescan
    // pass also tries four neighbouring frequencies.
    virtual void passStarted(bool rescan, const QStringList &rates)
    {
        Q_UNUSED(rescan);
        Q_UNUSED(rates);
    }
    // Testing begins, of the carriers of the tree or of a transponder the sweep did not record;
    // testing ended. Between the two, each carrier in turn is taken up at its polarisation and
    // rate, and tried at one frequency or more.
    virtual void testingStarted() {}
    virtual void testingEnded() {}
    virtual void carrierTaken(const QString &key, const QString &Pol, const QString &rate)
    {
        Q_UNUSED(key);
        Q_UNUSED(Pol);
        Q_UNUSED(rate);
    }
    // The try polls the receiver; `round` counts the polls (of the names: the passes) that
    // came to nothing so far, 0 as the polling begins.
    virtual void polling(ScanPoll what, int round)
    {
        Q_UNUSED(what);
        Q_UNUSED(round);
    }
    // The carrier is tried at the frequency and rate; the receiver locked there; the carrier
    // was identified with its services counted.
    virtual void testStarted(const QString &key, const QString &frequency, const QString &rate)
    {
        Q_UNUSED(key);
        Q_UNUSED(frequency);
        Q_UNUSED(rate);
    }
    virtual void locked() {}
    virtual void tryEnded(TryOutcome outcome) { Q_UNUSED(outcome); }
    virtual void identified(const QString &key, int services)
    {
        Q_UNUSED(key);
        Q_UNUSED(services);
    }
    // A pass of tests ended; `all`: every transponder of the tree is identified.
    virtual void passEnded(bool rescan, bool all)
    {
        Q_UNUSED(rescan);
        Q_UNUSED(all);
    }
    // The run ended: `completed`, or stopped (by the operator, or by a receiver gone).
    virtual void runEnded(bool completed) { Q_UNUSED(completed); }
};

// Passes every event on to each listener, in the order they began to listen.
class ScanEventsFanOut : public ScanEvents
{
public:
    void listen(ScanEvents *listener) { m_listeners.append(listener); }
    void unlisten(ScanEvents *listener) { m_listeners.removeAll(listener); }

    void sweepStarted(const QString &Pol, int steps) final
    {
        for (ScanEvents *l : m_listeners)
            l->sweepStarted(Pol, steps);
    }
    void stepTuned(double frequency) final
    {
        for (ScanEvents *l : m_listeners)
            l->stepTuned(frequency);
    }
    void sweepEnded(const QString &Pol) final
    {
        for (ScanEvents *l : m_listeners)
            l->sweepEnded(Pol);
    }
    void sweepStep(const QString &Pol, double frequency, std::optional<double> level,
                   std::optional<double> margin) final
    {
        for (ScanEvents *l : m_listeners)
            l->sweepStep(Pol, frequency, level, margin);
    }
    void carrierFound(const QString &key, double low, double high) final
    {
        for (ScanEvents *l : m_listeners)
            l->carrierFound(key, low, high);
    }
    void sweepCut(const QString &Pol, const QString &frequency) final
    {
        for (ScanEvents *l : m_listeners)
            l->sweepCut(Pol, frequency);
    }
    void passStarted(bool rescan, const QStringList &rates) final
    {
        for (ScanEvents *l : m_listeners)
            l->passStarted(rescan, rates);
    }
    void testingStarted() final
    {
        for (ScanEvents *l : m_listeners)
            l->testingStarted();
    }
    void testingEnded() final
    {
        for (ScanEvents *l : m_listeners)
            l->testingEnded();
    }
    void carrierTaken(const QString &key, const QString &Pol, const QString &rate) final
    {
        for (ScanEvents *l : m_listeners)
            l->carrierTaken(key, Pol, rate);
    }
    void polling(ScanPoll what, int round) final
    {
        for (ScanEvents *l : m_listeners)
            l->polling(what, round);
    }
    void testStarted(const QString &key, const QString &frequency, const QString &rate) final
    {
        for (ScanEvents *l : m_listeners)
            l->testStarted(key, frequency, rate);
    }
    void locked() final
    {
        for (ScanEvents *l : m_listeners)
            l->locked();
    }
    void tryEnded(TryOutcome outcome) final
    {
        for (ScanEvents *l : m_listeners)
            l->tryEnded(outcome);
    }
    void identified(const QString &key, int services) final
    {
        for (ScanEvents *l : m_listeners)
            l->identified(key, services);
    }
    void passEnded(bool rescan, bool all) final
    {
        for (ScanEvents *l : m_listeners)
            l->passEnded(rescan, all);
    }
    void runEnded(bool completed) final
    {
        for (ScanEvents *l : m_listeners)
            l->runEnded(completed);
    }

private:
    QList<ScanEvents *> m_listeners;
};
