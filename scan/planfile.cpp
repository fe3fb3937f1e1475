#include "scan/planfile.h"

#include "lists/catalogue.h"
#include "lists/listfile.h"
#include "scan/position.h"
#include "scan/scandiff.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

QString PlanPosition(const QString &text)
{
    bool completed = false;
    return PositionOfPlanName(text) == text && !text.isEmpty() ? NormalisePosition(text, &completed)
                                                               : QString();
}

PlanFileImport PlanFileImport::read(const QString &path, const QString &givenPosition,
                                    const QString &programFolder)
{
    PlanFileImport in;
    const QString name = QFileInfo(path).fileName();
    in.position = PlanPosition(givenPosition.isEmpty() ? PositionOfPlanName(name) : givenPosition);
    if (!IsNormalPosition(in.position)) {
        in.error = givenPosition.isEmpty()
                       ? QStringLiteral("%1 names no position (as Hotbird-13.0E does)").arg(name)
                       : QStringLiteral("%1 is no position (as 13.0E)").arg(givenPosition);
        return in;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        in.outcome = Unreadable;
        in.error = QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString());
        return in;
    }
    in.plan = ImportPlan(file.readAll(), in.position);
    if (!in.plan.plan.ok() || in.plan.entries.isEmpty()) {
        in.outcome = NotAPlan;
        const Dvbv5Plan &p = in.plan.plan;
        in.error =
            p.ok() ? QStringLiteral("%1 holds no band-Ku transponder (%2)").arg(path, p.summary())
                   : QStringLiteral("%1 is no DVBv5 plan: %2%3")
                         .arg(path,
                              p.errorLine > 0 ? QStringLiteral("line %1: ").arg(p.errorLine)
                                              : QString(),
                              p.error);
        return in;
    }
    in.outcome = Ready;
    in.target = StoredListPath(programFolder, in.position);
    in.replaces = QFileInfo::exists(in.target);
    // A bad list there is told in the changes.
    const ListFileResult before =
        in.replaces ? ReadListFile(DataFolder(programFolder), in.position + QStringLiteral(".csv"))
                    : ListFileResult{};
    in.changes = CompareLists(before.entries, in.plan.entries);
    // Against a list read only in part, the changes count what was read.
    if (in.replaces && !(before.opened && before.errorLine == 0))
        in.partly =
            QStringLiteral(", against the %1 row(s) of the list there read before %2")
                .arg(before.rows)
                .arg(before.errorLine > 0
                         ? QStringLiteral("line %1, %2").arg(before.errorLine).arg(before.error)
                         : QStringLiteral("it could not be read"));
    return in;
}

bool PlanFileImport::write(QString *why) const
{
    QDir().mkpath(QFileInfo(target).path());
    QSaveFile list(target);
    QByteArray records;
    for (const TransponderEntry &e : plan.entries)
        records += ListRecord(e);
    if (list.open(QIODevice::WriteOnly) && list.write(records) == records.size() && list.commit())
        return true;
    *why = QStringLiteral("%1 could not be written: %2").arg(target, list.errorString());
    return false;
}
