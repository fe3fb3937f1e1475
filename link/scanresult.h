#pragma once

#include "link/scanevents.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class ScanTree;

// Which rates each carrier was tried at and where it locked, as a run tells it: why a carrier
// the sweep found was not identified.
class ScanTries : public ScanEvents
{
public:
    void clear() { *this = ScanTries(); }
    void testStarted(const QString &key, const QString &frequency, const QString &rate) override;
    void locked() override;
    // "not tried", "no lock at 45000, 30000" or "locked at 27500 but not identified".
    QString whyNot(const QString &key) const;

private:
    struct Tries
    {
        QStringList rates, lockedAt;
    };
    QHash<QString, Tries> m_tries; // by the carrier's key
    QString m_key, m_rate;         // the try under way
};

// One transponder of a scan: found by the sweep, identified where a rate locked.
struct ScannedTransponder
{
    QString key;                           // its node's key in the scan tree
    QString frequency, polarisation, rate; // as the receiver wrote them; rate empty: not identified
    QString margin;                        // the last margin read, empty when none was
    QStringList services;                  // labels "NNN-Name", in the receiver's order
    QString whyNot;                        // for one not identified, why not (ScanTries)

    bool identified() const { return !rate.isEmpty(); }
    double khz() const { return frequency.toDouble(); }
    // "F-P", or "F-P-S" once identified, as its node reads.
    QString text() const;
};

// What a scan found, read from its tree once, in the tree's order: what the saved files, the
// comparison with the stored list, the plot's markers and the command line's result are made
// from. The keys of the tree are read here and in link/scankey.h only.
struct ScanResult
{
    QList<ScannedTransponder> transponders;

    static ScanResult of(const ScanTree &tree, const ScanTries *tries = nullptr);
    bool anyIdentified() const;
};
