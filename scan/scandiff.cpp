#include "scan/scandiff.h"

#include "link/scantree.h"
#include "lists/catalogue.h"
#include "lists/listfile.h"
#include "lists/transponderentry.h"
#include "platform/qthost.h"
#include "scan/position.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr qint64 kShiftKhz = 4000;

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

ScanDiff CompareWithList(const ScanTree &tree, const QString &programFolder,
                         const QString &position, const SweptRanges &swept)
{
    ScanDiff diff;
    // Only a position's own list file in the DataFolder is compared, never a path.
    if (!IsNormalPosition(position))
        return diff;
    diff.listFile = position + QStringLiteral(".csv");
    const QString folder = DataFolder(programFolder);
    if (!QFileInfo(QDir(folder).filePath(diff.listFile)).isFile())
        return diff;
    struct Quiet : QtHost
    {
        Message::Answer message(const Message &) override { return Message::AnsweredOk; }
    } host;
    const ListFileResult read = ReadListFile(folder, diff.listFile, host);
    if (!read.opened)
        return diff;
    QList<Listed> listed;
    for (const TransponderEntry &e : read.entries)
        listed.append({e.frequency.toLongLong(), e.polarisation, e.symbolRate});
    diff.compared = true;

    // The scan's transponders: "F|P" found, "F|P|S" identified.
    struct Found
    {
        QString key;
        qint64 khz;
        QString pol, rate;
        bool matched = false;
    };
    QList<Found> found;
    for (int n = 1; n <= tree.count(); ++n) {
        if (tree.parent(n))
            continue;
        const ScanKey k = ScanKey::ofTransponder(tree.key(n));
        found.append({tree.key(n), k.frequency.toLongLong(), k.polarisation, k.rate});
    }
    auto sameKind = [](const Found &f, const Listed &l) {
        return f.pol == l.pol && (f.rate.isEmpty() || f.rate == l.rate);
    };
    // Exact matches first, then the nearest listed transponder within 4 MHz.
    for (Found &f : found) {
        for (Listed &l : listed) {
            if (!l.matched && sameKind(f, l) && l.khz == f.khz) {
                f.matched = l.matched = true;
                break;
            }
        }
    }
    for (Found &f : found) {
        if (f.matched)
            continue;
        Listed *nearest = nullptr;
        for (Listed &l : listed) {
            const qint64 d = qAbs(l.khz - f.khz);
            if (!l.matched && sameKind(f, l) && d <= kShiftKhz &&
                (!nearest || d < qAbs(nearest->khz - f.khz)))
                nearest = &l;
        }
        if (nearest) {
            f.matched = nearest->matched = true;
            diff.shifted << describe(f.khz, f.pol, nearest->rate) + QStringLiteral(" from ") +
                                QString::number(nearest->khz);
            diff.marks.insert(f.key,
                              QStringLiteral("shifted from ") + QString::number(nearest->khz));
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
    if (!missing.isEmpty())
        text += QStringLiteral(" (") + missing.join(QStringLiteral(", ")) + QLatin1Char(')');
    if (!notSwept.isEmpty())
        text += QStringLiteral("; ") + notSwept.join(QStringLiteral(", "));
    return text;
}
