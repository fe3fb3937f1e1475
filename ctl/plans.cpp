// kolvex7-ctl import and export: a position's plan from the field's shared data made its list
// file, and its list file written as such a plan.

#include "ctl/commands.h"
#include "ctl/output.h"
#include "lists/catalogue.h"
#include "lists/listfile.h"
#include "lists/planimport.h"
#include "platform/qthost.h"
#include "scan/position.h"
#include "scan/scandiff.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
// The position a text names as a plan's name ends in (13.0E, 5W), as the list files name it
// (13.00E, 05.00W); empty for any other text.
QString listPosition(const QString &text)
{
    bool completed = false;
    return PositionOfPlanName(text) == text && !text.isEmpty() ? NormalisePosition(text, &completed)
                                                               : QString();
}
} // namespace

int ImportPlanFile(const QString &path, const QString &givenPosition, bool force,
                   const QString &programFolder, Output &out)
{
    const QString position = listPosition(
        givenPosition.isEmpty() ? PositionOfPlanName(QFileInfo(path).fileName()) : givenPosition);
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
    const bool there = QFileInfo::exists(target);
    QuietHost host; // a bad list there is told in the result, not in a message box
    const ListFileResult before =
        there ? ReadListFile(DataFolder(programFolder), position + QStringLiteral(".csv"), host)
              : ListFileResult{};
    const ListChanges changes = CompareLists(before.entries, plan.entries);
    // Against a list read only in part, the changes count what was read.
    const QString partly =
        !there || (before.opened && before.errorLine == 0)
            ? QString()
            : QStringLiteral(", against the %1 row(s) of the list there read before %2")
                  .arg(before.rows)
                  .arg(before.errorLine > 0
                           ? QStringLiteral("line %1, %2").arg(before.errorLine).arg(before.error)
                           : QStringLiteral("it could not be read"));
    out.field(QStringLiteral("position"), position);
    out.field(QStringLiteral("file"), target);
    out.field(QStringLiteral("plan"), plan.plan.summary());
    out.field(QStringLiteral("changes"),
              QJsonObject{{QStringLiteral("new"), changes.added},
                          {QStringLiteral("gone"), changes.gone},
                          {QStringLiteral("another_rate"), changes.rerated},
                          {QStringLiteral("list_read_whole"), partly.isEmpty()}},
              changes.text() + partly);
    if (there && !force) {
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

int ExportPlanFile(const QString &positionText, const QString &format, const QString &programFolder,
                   Output &out)
{
    const QString position = listPosition(positionText);
    if (!IsNormalPosition(position) || format != QLatin1String("dvbv5")) {
        out.error(IsNormalPosition(position)
                      ? QStringLiteral("--format %1: the one format written is dvbv5").arg(format)
                      : QStringLiteral("%1 is no position (as 13.0E)").arg(positionText));
        return out.finish(Exit::BadArguments);
    }
    const std::optional<QList<TransponderEntry>> list = StoredList(programFolder, position);
    if (!list || list->isEmpty()) {
        out.error(QStringLiteral("%1 holds no transponder to export (`kolvex7-ctl lists` says why)")
                      .arg(StoredListPath(programFolder, position)));
        return out.finish(Exit::BadListFile);
    }
    const QString plan = QString::fromLatin1(WriteDvbv5Plan(*list));
    if (out.json())
        out.field(QStringLiteral("dvbv5"), plan);
    else
        out.list(QStringLiteral("dvbv5"), {}, plan.chopped(1).split(QLatin1Char('\n')));
    return out.finish(Exit::Ok);
}
