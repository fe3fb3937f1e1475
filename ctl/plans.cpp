// kolvex7-ctl import and export: a position's plan from the field's shared data made its list
// file, and its list file written as such a plan.

#include "ctl/commands.h"
#include "ctl/output.h"
#include "lists/dvbv5plan.h"
#include "lists/transponderentry.h"
#include "scan/planfile.h"
#include "scan/position.h"
#include "scan/scandiff.h"

int ImportPlanFile(const QString &path, const QString &givenPosition, bool force,
                   const QString &programFolder, Output &out)
{
    const PlanFileImport in = PlanFileImport::read(path, givenPosition, programFolder);
    if (in.outcome != PlanFileImport::Ready) {
        const bool noPosition = in.outcome == PlanFileImport::NoPosition;
        out.error(noPosition && !givenPosition.isEmpty() ? QStringLiteral("--position ") + in.error
                  : noPosition ? in.error + QStringLiteral(": give --position")
                  : in.outcome == PlanFileImport::NotAPlan
                      ? in.error + QStringLiteral("; nothing written")
                      : in.error);
        return out.finish(in.outcome == PlanFileImport::NotAPlan ? Exit::BadListFile
                                                                 : Exit::BadArguments);
    }
    out.field(QStringLiteral("position"), in.position);
    out.field(QStringLiteral("file"), in.target);
    out.field(QStringLiteral("plan"), in.plan.plan.summary());
    out.field(QStringLiteral("changes"),
              QJsonObject{{QStringLiteral("new"), in.changes.added},
                          {QStringLiteral("gone"), in.changes.gone},
                          {QStringLiteral("another_rate"), in.changes.rerated},
                          {QStringLiteral("list_read_whole"), in.partly.isEmpty()}},
              in.changesText());
    if (in.replaces && !force) {
        out.error(QStringLiteral("%1 exists: give --force to replace it; nothing written")
                      .arg(in.target));
        return out.finish(Exit::NotSaved);
    }
    QString why;
    if (!in.write(&why)) {
        out.error(why);
        return out.finish(Exit::NotSaved);
    }
    return out.finish(Exit::Ok);
}

int ExportPlanFile(const QString &positionText, const QString &format, const QString &programFolder,
                   Output &out)
{
    const QString position = PlanPosition(positionText);
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
