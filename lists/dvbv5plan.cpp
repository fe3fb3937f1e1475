#include "lists/dvbv5plan.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace {

// A number of digits only; false for anything else (signs, decimals, blanks inside).
bool wholeNumber(const QByteArray &text, qint64 *out)
{
    if (text.isEmpty() || text.size() > 15)
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    *out = text.toLongLong();
    return true;
}

using Entry = QHash<QByteArray, QByteArray>;

// One entry into the plan, or counted as what it is.
void take(const Entry &e, qint64 lowKhz, qint64 endKhz, QSet<QPair<qint64, char>> &seen,
          Dvbv5Plan &plan)
{
    ++plan.entries;
    const QByteArray system = e.value("DELIVERY_SYSTEM").toUpper();
    if (!system.isEmpty() && system != "DVBS" && system != "DVBS2") {
        ++plan.notSatellite;
        return;
    }
    PlanTransponder tp;
    const QByteArray pol = e.value("POLARIZATION").toUpper();
    if (pol == "HORIZONTAL" || pol == "LEFT")
        tp.polarisation = 'H';
    else if (pol == "VERTICAL" || pol == "RIGHT")
        tp.polarisation = 'V';
    tp.circular = pol == "LEFT" || pol == "RIGHT";
    tp.s2 = system == "DVBS2";
    if (!tp.polarisation || !wholeNumber(e.value("FREQUENCY"), &tp.frequency) ||
        !wholeNumber(e.value("SYMBOL_RATE"), &tp.symbolRate) || tp.frequency == 0 ||
        tp.symbolRate == 0) {
        ++plan.incomplete;
        return;
    }
    if (tp.frequency < lowKhz || tp.frequency >= endKhz) {
        ++plan.outsideBand;
        return;
    }
    // Each stream of a multistream transponder is an entry of its own.
    if (seen.contains({tp.frequency, tp.polarisation})) {
        ++plan.streams;
        return;
    }
    seen.insert({tp.frequency, tp.polarisation});
    plan.circular += tp.circular ? 1 : 0;
    plan.transponders.append(tp);
}

Dvbv5Plan refused(Dvbv5Plan plan, int line, const QString &why)
{
    plan.transponders.clear();
    plan.error = why;
    plan.errorLine = line;
    return plan;
}

} // namespace

QString PlanTransponder::rateText() const
{
    QString text = QString::number(double(symbolRate) / 1000.0, 'f', 3);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

Dvbv5Plan ReadDvbv5Plan(const QByteArray &text, qint64 lowKhz, qint64 endKhz)
{
    Dvbv5Plan plan;
    if (text.contains('\0'))
        return refused(plan, 0, QStringLiteral("a binary file, not a DVBv5 plan"));
    QSet<QPair<qint64, char>> seen;
    Entry entry;
    bool inBlock = false;
    const QList<QByteArray> lines = text.split('\n');
    for (int n = 0; n < lines.size(); ++n) {
        const QByteArray line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith('[') && line.endsWith(']')) {
            if (inBlock)
                take(entry, lowKhz, endKhz, seen, plan);
            entry.clear();
            inBlock = true;
            continue;
        }
        const int eq = int(line.indexOf('='));
        const QByteArray key = eq > 0 ? line.left(eq).trimmed().toUpper() : QByteArray();
        if (key.isEmpty() || key.contains(' ') || key.contains('\t'))
            return refused(plan, n + 1, QStringLiteral("neither [NAME] nor KEY = VALUE"));
        if (!inBlock)
            return refused(plan, n + 1, QStringLiteral("KEY = VALUE before the first [NAME]"));
        entry.insert(key, line.mid(eq + 1).trimmed());
    }
    if (inBlock)
        take(entry, lowKhz, endKhz, seen, plan);
    if (plan.entries == 0)
        return refused(plan, 0, QStringLiteral("no [NAME] entry: not a DVBv5 plan"));
    return plan;
}

QString Dvbv5Plan::summary() const
{
    QStringList parts{QStringLiteral("%1 transponders").arg(transponders.size())};
    if (outsideBand)
        parts << QStringLiteral("%1 outside the band").arg(outsideBand);
    if (streams)
        parts << QStringLiteral("%1 further streams of a transponder listed").arg(streams);
    if (circular)
        parts << QStringLiteral("%1 circular (left read as H, right as V)").arg(circular);
    if (notSatellite)
        parts << QStringLiteral("%1 not for satellite").arg(notSatellite);
    if (incomplete)
        parts << QStringLiteral("%1 without a frequency, polarisation or rate").arg(incomplete);
    return parts.join(QStringLiteral("; "));
}

QByteArray WriteDvbv5Plan(const QList<TransponderEntry> &entries)
{
    QByteArray out;
    for (const TransponderEntry &e : entries) {
        const qint64 rate = qRound64(e.symbolRate.toDouble() * 1000.0);
        out += "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = " + e.frequency.toLatin1() +
               "\n\tPOLARIZATION = " +
               (e.polarisation == QLatin1String("H") ? "HORIZONTAL" : "VERTICAL") +
               "\n\tSYMBOL_RATE = " + QByteArray::number(rate) +
               "\n\tINNER_FEC = AUTO\n\tINVERSION = AUTO\n\n";
    }
    return out;
}
