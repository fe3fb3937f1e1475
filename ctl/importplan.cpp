// kolvex7-ctl import: a position's plan from the field's shared data made its list file.

#include "ctl/commands.h"
#include "ctl/output.h"
#include "lists/catalogue.h"
#include "lists/listfile.h"
#include "lists/planimport.h"
#include "scan/position.h"
#include "scan/scandiff.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

int ImportPlanFile(const QString &path, const QString &givenPosition, bool force,
                   const QString &programFolder, Output &out)
{
    // A position as a plan's name ends in: degrees, "E" or "W" (13.0E, 5W).
    const QString named =
        PositionOfPlanName(givenPosition.isEmpty() ? QFileInfo(path).fileName() : givenPosition);
    bool completed = false;
    const QString position = named.isEmpty() || (!givenPosition.isEmpty() && named != givenPosition)
                                 ? QString()
                                 : NormalisePosition(named, &completed);
    if (!IsNormalPosition(position)) {
        out.error(
            givenPosition.isEmpty()
                ? QStringLiteral("%1 names no position (as Hotbird-13.0E does): give "
                                 "--position")
                      .arg(QFileInfo(path).fileName())
                : QStringLiteral("--position %1 is no position (as 13.0E)").arg(givenPosition));
        return out.finish(Exit::BadArguments);
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        out.error(QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString()));
        return out.finish(Exit::BadArguments);
    }
    const PlanImport plan = ImportPlan(file.readAll(), position);
    if (!plan.plan.ok() || plan.entries.isEmpty()) {
        out.error(plan.plan.ok()
                      ? QStringLiteral("%1 holds no band-Ku transponder (%2): nothing written")
                            .arg(path, plan.plan.summary())
                      : QStringLiteral("%1 is no DVBv5 plan: %2%3; nothing written")
                            .arg(path,
                                 plan.plan.errorLine > 0
                                     ? QStringLiteral("line %1: ").arg(plan.plan.errorLine)
                                     : QString(),
                                 plan.plan.error));
        return out.finish(Exit::BadListFile);
    }
    const QString target = StoredListPath(programFolder, position);
    const ListChanges changes = CompareLists(
        StoredList(programFolder, position).value_or(QList<TransponderEntry>()), plan.entries);
    out.field(QStringLiteral("position"), position);
    out.field(QStringLiteral("file"), target);
    out.field(QStringLiteral("plan"), plan.plan.summary());
    out.field(QStringLiteral("changes"),
              QJsonObject{{QStringLiteral("new"), changes.added},
                          {QStringLiteral("gone"), changes.gone},
                          {QStringLiteral("another_rate"), changes.rerated}},
              changes.text());
    if (QFileInfo::exists(target) && !force) {
        out.error(
            QStringLiteral("%1 exists: give --force to replace it; nothing written").arg(target));
        return out.finish(Exit::NotSaved);
    }
    QDir().mkpath(DataFolder(programFolder));
    QSaveFile list(target);
    QByteArray records;
    for (const TransponderEntry &e : plan.entries)
        records += ListRecord(e);
    if (!list.open(QIODevice::WriteOnly) || list.write(records) != records.size() ||
        !list.commit()) {
        out.error(QStringLiteral("%1 could not be written: %2").arg(target, list.errorString()));
        return out.finish(Exit::NotSaved);
    }
    return out.finish(Exit::Ok);
}
