#pragma once

#include "link/scanevents.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>

class ScanTree;

// What the sweep covered: for each polarisation ('H', 'V') the lowest and highest frequency
// stepped, in kHz. A polarisation it never stepped is absent.
using SweptRanges = QMap<QChar, QPair<qint64, qint64>>;

// Which rates each carrier was tried at and how each try ended, and where the sweep saw a
// signal, as a run tells it: why a carrier the sweep found, or a listed transponder, was not
// identified.
class ScanTries : public ScanEvents
{
public:
    void clear() { *this = ScanTries(); }
    void sweepStep(const QString &Pol, double frequency, std::optional<double> level,
                   std::optional<double> margin) override;
    void testStarted(const QString &key, const QString &frequency, const QString &rate) override;
    void locked() override;
    void tryEnded(TryOutcome outcome) override;
    // "not tried", "no lock at 45000, 30000" or "locked at 27500 but not identified".
    QString whyNot(const QString &key) const;
    // Why a transponder listed at khz on the polarisation, at the rate, was not identified,
    // from the tries at that rate within `within` kHz of it and the sweep's steps as near:
    // "no carrier seen at its frequency", "seen but no margin", "no lock at its rate", "no
    // services", or "not tried at its rate".
    QString whyNotListed(double khz, const QString &pol, const QString &rate, double within) const;
    SweptRanges swept() const { return m_swept; }

private:
    struct Tries
    {
        QStringList rates, lockedAt;
    };
    struct Try
    {
        QString pol, rate;
        double khz;
        TryOutcome outcome;
    };
    QHash<QString, Tries> m_tries; // by the carrier's key
    QList<Try> m_ended;
    QString m_key, m_rate, m_frequency; // the try under way
    QHash<QChar, QList<double>> m_seen; // the steps with a level, by polarisation
    SweptRanges m_swept;
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
