#include "link/scanresult.h"

#include "link/scankey.h"
#include "link/scantree.h"

void ScanTries::testStarted(const QString &key, const QString &, const QString &rate)
{
    m_key = key;
    m_rate = rate;
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
