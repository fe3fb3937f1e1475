#include "link/scanresult.h"

#include "link/scankey.h"
#include "link/scantree.h"

#include <algorithm>
#include <cmath>

void ScanTries::sweepStep(const QString &Pol, double frequency, std::optional<double> level,
                          std::optional<double>)
{
    const QChar pol = Pol.isEmpty() ? QChar() : Pol[0];
    const qint64 khz = qint64(frequency);
    auto range = m_swept.find(pol);
    if (range == m_swept.end())
        m_swept.insert(pol, {khz, khz});
    else
        *range = {std::min(range->first, khz), std::max(range->second, khz)};
    if (level)
        m_seen[pol].append(frequency);
}

void ScanTries::testStarted(const QString &key, const QString &frequency, const QString &rate)
{
    m_key = key;
    m_rate = rate;
    m_frequency = frequency;
    Tries &t = m_tries[key];
    if (!t.rates.contains(rate))
        t.rates << rate;
}

void ScanTries::locked()
{
    Tries &t = m_tries[m_key];
    if (!t.lockedAt.contains(m_rate))
        t.lockedAt << m_rate;
}

void ScanTries::tryEnded(TryOutcome outcome)
{
    m_ended.append(
        {ScanKey::ofTransponder(m_key).polarisation, m_rate, m_frequency.toDouble(), outcome});
}

QString ScanTries::whyNotListed(double khz, const QString &pol, const QString &rate,
                                double within) const
{
    // The furthest a try at its rate near it came (a stop is the least).
    std::optional<TryOutcome> best;
    for (const Try &t : m_ended) {
        if (t.pol == pol && t.rate == rate && std::fabs(t.khz - khz) <= within &&
            (!best || t.outcome > *best))
            best = t.outcome;
    }
    if (best == TryOutcome::NoServices || best == TryOutcome::Services)
        return QStringLiteral("no services");
    if (best == TryOutcome::NoLock)
        return QStringLiteral("no lock at its rate");
    if (best == TryOutcome::Stopped)
        return QStringLiteral("stopped while it was tried");
    const QList<double> seen = m_seen.value(pol.isEmpty() ? QChar() : pol[0]);
    const bool signal = std::any_of(seen.cbegin(), seen.cend(),
                                    [&](double f) { return std::fabs(f - khz) <= within; });
    if (!best && signal)
        return QStringLiteral("not tried at its rate");
    return signal ? QStringLiteral("seen but no margin")
                  : QStringLiteral("no carrier seen at its frequency");
}

QString ScanTries::whyNot(const QString &key) const
{
    const auto t = m_tries.constFind(key);
    if (t == m_tries.cend())
        return QStringLiteral("not tried");
    if (!t->lockedAt.isEmpty())
        return QStringLiteral("locked at %1 but not identified")
            .arg(t->lockedAt.join(QStringLiteral(", ")));
    return QStringLiteral("no lock at ") + t->rates.join(QStringLiteral(", "));
}

QString ScannedTransponder::text() const
{
    return (identified() ? ScanKey::identified(frequency, polarisation, rate)
                         : ScanKey::found(frequency, polarisation))
        .text();
}

ScanResult ScanResult::of(const ScanTree &tree, const ScanTries *tries)
{
    ScanResult result;
    for (int n = 1; n <= tree.count(); ++n) {
        const ScanKey T = ScanKey::ofTransponder(tree.key(n));
        if (tree.parent(n) || T.kind == ScanKey::None)
            continue;
        ScannedTransponder t{tree.key(n), T.frequency, T.polarisation, T.rate, {}, {}, {}};
        for (int c = 0; c < tree.childCount(n); ++c) {
            const int child = tree.child(n, c);
            const ScanKey node = ScanKey::ofChild(tree.key(child));
            if (node.kind == ScanKey::Margin)
                t.margin = node.value;
            else if (node.kind == ScanKey::Service)
                t.services << tree.text(child);
        }
        if (!t.identified())
            t.whyNot = tries ? tries->whyNot(t.key) : QString();
        result.transponders.append(t);
    }
    return result;
}

bool ScanResult::anyIdentified() const
{
    for (const ScannedTransponder &t : transponders) {
        if (t.identified())
            return true;
    }
    return false;
}
