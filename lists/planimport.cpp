#include "lists/planimport.h"

#include <QHash>
#include <QRegularExpression>

namespace {
// The band-Ku frequencies a list file holds, in kHz.
constexpr qint64 kKuLow = 10700000, kKuEnd = 12750000;

QString keyOf(const TransponderEntry &e)
{
    return e.frequency + QLatin1Char('|') + e.polarisation;
}
} // namespace

QString PositionOfPlanName(const QString &fileName)
{
    static const QRegularExpression position(
        QStringLiteral("(?:^|[-_])(\\d{1,3}(?:\\.\\d+)?[EW])\\z"));
    const QRegularExpressionMatch m = position.match(fileName);
    return m.hasMatch() ? m.captured(1) : QString();
}

PlanImport ImportPlan(const QByteArray &text, const QString &position)
{
    PlanImport out;
    out.plan = ReadDvbv5Plan(text, kKuLow, kKuEnd);
    for (const PlanTransponder &t : out.plan.transponders)
        out.entries.append({position, QString::number(t.frequency),
                            QString(QLatin1Char(t.polarisation)), t.rateText()});
    return out;
}

QString ListChanges::text() const
{
    return QStringLiteral("%1 new, %2 gone, %3 with another rate")
        .arg(added)
        .arg(gone)
        .arg(rerated);
}

ListChanges CompareLists(const QList<TransponderEntry> &before,
                         const QList<TransponderEntry> &after)
{
    QHash<QString, QString> rates; // of the list before
    for (const TransponderEntry &e : before)
        rates.insert(keyOf(e), e.symbolRate);
    ListChanges changes;
    QHash<QString, bool> kept;
    for (const TransponderEntry &e : after) {
        const auto it = rates.constFind(keyOf(e));
        if (it == rates.cend())
            ++changes.added;
        else if (*it != e.symbolRate)
            ++changes.rerated;
        kept.insert(keyOf(e), true);
    }
    for (auto it = rates.cbegin(); it != rates.cend(); ++it)
        changes.gone += !kept.contains(it.key());
    return changes;
}
