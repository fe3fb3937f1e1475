#include "scan/scandiff.h"

#include "link/scanresult.h"
#include "lists/catalogue.h"
#include "lists/listfile.h"
#include "lists/transponderentry.h"
#include "scan/position.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <limits>

namespace {

// A receiver captures a carrier within a share of its symbol rate around the frequency it is
// tuned to, and the sweep's best step may lie half a step (500 kHz) from the carrier's centre:
// a transponder found that near its listed frequency is the listed one, not shifted.
constexpr double kSameShare = 0.1;
constexpr qint64 kSweepHalfStepKhz = 500;
// Carriers of one rate stand at least about 1.35 rates apart: one found within half the rate
// of a listed one, but beyond the capture, is that one moved.
constexpr double kShiftedShare = 0.5;

qint64 sameWithinKhz(const QString &rate)
{
    return std::max(kSweepHalfStepKhz, qint64(rate.toDouble() * kSameShare));
}

struct Listed
{
    qint64 khz;
    QString pol, rate;
    bool matched = false;
};

QString describe(qint64 khz, const QString &pol, const QString &rate)
{
    return QString::number(khz) + QLatin1Char(' ') + pol +
           (rate.isEmpty() ? QString() : QLatin1Char(' ') + rate);
}

} // namespace

QString StoredListPath(const QString &programFolder, const QString &position)
{
    return QDir::toNativeSeparators(
        QDir(DataFolder(programFolder)).filePath(position + QStringLiteral(".csv")));
}

std::optional<QList<TransponderEntry>> StoredList(const QString &programFolder,
                                                  const QString &position)
{
    // Only a position's own list file in the DataFolder, never a path.
    if (!IsNormalPosition(position))
        return std::nullopt;
    const QString folder = DataFolder(programFolder);
    const QString file = position + QStringLiteral(".csv");
    if (!QFileInfo(QDir(folder).filePath(file)).isFile())
        return std::nullopt;
    ListFileResult read = ReadListFile(folder, file);
    if (!read.opened)
        return std::nullopt;
    return std::move(read.entries);
}

ScanDiff CompareWithList(const ScanResult &result, const QString &programFolder,
                         const QString &position, const SweptRanges &swept, const ScanTries *tries)
{
    ScanDiff diff;
    const std::optional<QList<TransponderEntry>> stored = StoredList(programFolder, position);
    if (!stored)
        return diff;
    diff.listFile = position + QStringLiteral(".csv");
    QList<Listed> listed;
    for (const TransponderEntry &e : *stored)
        listed.append({e.frequency.toLongLong(), e.polarisation, e.symbolRate});
    diff.compared = true;

    // The scan's transponders; a rate only where identified.
    struct Found
    {
        QString key;
        qint64 khz;
        QString pol, rate;
        bool matched = false;
    };
    QList<Found> found;
    for (const ScannedTransponder &t : result.transponders)
        found.append({t.key, t.frequency.toLongLong(), t.polarisation, t.rate});
    auto sameKind = [](const Found &f, const Listed &l) {
        return f.pol == l.pol && (f.rate.isEmpty() || f.rate == l.rate);
    };
    // The listed transponder each found one is: the nearest within the receiver's capture
    // first, then the nearest within half its rate, which has moved.
    auto nearest = [&](const Found &f, auto within) -> Listed * {
        Listed *best = nullptr;
        for (Listed &l : listed) {
            const qint64 d = qAbs(l.khz - f.khz);
            if (!l.matched && sameKind(f, l) && d <= within(l) &&
                (!best || d < qAbs(best->khz - f.khz)))
                best = &l;
        }
        return best;
    };
    auto why = [&](const Listed &l) {
        return tries ? tries->whyNotListed(double(l.khz), l.pol, l.rate, sameWithinKhz(l.rate))
                     : QString();
    };
    auto matched = [&](Found &f, Listed *l) {
        f.matched = l->matched = true;
        // Found where the list has it, but not identified: the list written now would lack it.
        if (f.rate.isEmpty()) {
            diff.unidentified << describe(l->khz, l->pol, l->rate);
            diff.notIdentified.append({l->khz, l->pol, l->rate, true, why(*l)});
            diff.marks.insert(f.key, QStringLiteral("listed, not identified"));
        }
    };
    for (Found &f : found) {
        if (Listed *l = nearest(f, [](const Listed &l) { return sameWithinKhz(l.rate); }))
            matched(f, l);
    }
    for (Found &f : found) {
        if (f.matched)
            continue;
        Listed *l =
            nearest(f, [](const Listed &l) { return qint64(l.rate.toDouble() * kShiftedShare); });
        if (l && !f.rate.isEmpty()) {
            matched(f, l);
            diff.shifted << describe(f.khz, f.pol, l->rate) + QStringLiteral(" from ") +
                                QString::number(l->khz);
            diff.marks.insert(f.key, QStringLiteral("shifted from ") + QString::number(l->khz));
        } else if (l) {
            matched(f, l);
        } else {
            diff.added << describe(f.khz, f.pol, f.rate);
            diff.marks.insert(f.key, QStringLiteral("new"));
        }
    }
    for (const Listed &l : listed) {
        if (l.matched)
            continue;
        const QChar pol = l.pol.isEmpty() ? QChar() : l.pol[0];
        if (!swept.contains(pol)) {
            if (!diff.notSwept.contains(l.pol + QStringLiteral(" not swept")))
                diff.notSwept << l.pol + QStringLiteral(" not swept");
            continue;
        }
        const auto [low, high] = swept.value(pol);
        if (l.khz >= low && l.khz <= high) {
            diff.missing << describe(l.khz, l.pol, l.rate);
            diff.notIdentified.append({l.khz, l.pol, l.rate, false, why(l)});
            continue;
        }
        const QString where =
            l.pol + (l.khz > high ? QStringLiteral(" not swept above %1").arg(high)
                                  : QStringLiteral(" not swept below %1").arg(low));
        if (!diff.notSwept.contains(where))
            diff.notSwept << where;
    }
    return diff;
}

QString ScanDiff::summary() const
{
    if (!compared)
        return QString();
    QString text = QStringLiteral("Against %1: %2 new, %3 shifted, %4 missing")
                       .arg(listFile)
                       .arg(added.size())
                       .arg(shifted.size())
                       .arg(missing.size());
    // Each with why not, where the run told.
    auto told = [this](bool found) {
        QStringList out;
        for (const Miss &m : notIdentified) {
            if (m.found == found)
                out << describe(m.khz, m.pol, m.rate) +
                           (m.why.isEmpty() ? QString() : QStringLiteral(": ") + m.why);
        }
        return out.join(QStringLiteral(", "));
    };
    if (!missing.isEmpty())
        text += QStringLiteral(" (") + told(false) + QLatin1Char(')');
    if (!unidentified.isEmpty())
        text += QStringLiteral(", %1 found, not identified (%2)")
                    .arg(unidentified.size())
                    .arg(told(true));
    if (!notSwept.isEmpty())
        text += QStringLiteral("; ") + notSwept.join(QStringLiteral(", "));
    return text;
}

QStringList StoredNotSaved(const ScanResult &result, const QString &programFolder,
                           const QString &position)
{
    const QPair<qint64, qint64> all{0, std::numeric_limits<qint64>::max()};
    const ScanDiff diff =
        CompareWithList(result, programFolder, position, {{QChar('H'), all}, {QChar('V'), all}});
    return diff.missing + diff.unidentified;
}
