// The main window's import of a position's plan (DVBv5, as dtv-scan-tables holds): Ctrl+I, the
// status bar's menu, or a plan file dropped on the transponder list. The plan becomes the
// position's list file, and its rows replace the position's rows in the list at once.

#include "app/main.h"
#include "app/reportview.h"
#include "platform/host.h"
#include "scan/planfile.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QTreeWidget>

namespace {
const QString kTitle = QStringLiteral("Import a plan");

// The one local file a drag carries, if it carries one.
QString droppedFile(const QMimeData *mime)
{
    const QList<QUrl> urls = mime ? mime->urls() : QList<QUrl>();
    return urls.size() == 1 && urls.first().isLocalFile() ? urls.first().toLocalFile() : QString();
}
} // namespace

void Main::chooseAndImportPlan()
{
    if (heldBack([this] { chooseAndImportPlan(); }))
        return;
    const QString path =
        QFileDialog::getOpenFileName(this, kTitle, QStringLiteral("/usr/share/dvb/dvb-s"),
                                     QStringLiteral("DVBv5 plans (*);;DVBv5 plans (*.conf)"));
    if (!path.isEmpty())
        importPlan(path);
}

void Main::importPlan(const QString &path)
{
    // Rows are moved here: not while a pick walks them.
    if (heldBack([this, path] { importPlan(path); }))
        return;
    const PlanFileImport in = PlanFileImport::read(path, QString(), m_programFolder);
    if (in.outcome != PlanFileImport::Ready) {
        m_host.message(
            {kTitle,
             in.error + (in.outcome == PlanFileImport::NoPosition
                             ? QStringLiteral(": name the file after its position (as "
                                              "Hotbird-13.0E), or use kolvex7-ctl import "
                                              "--position.")
                             : QStringLiteral(".\r\nNothing was written.")),
             Message::Critical});
        return;
    }
    const QString what = QStringLiteral("%1 band-Ku transponders for %2 (%3)")
                             .arg(in.plan.entries.size())
                             .arg(in.position, in.plan.plan.summary());
    if (in.replaces &&
        m_host.message({kTitle,
                        QStringLiteral("%1 exists. The plan holds %2: %3.\r\nDo you want to "
                                       "replace it ?")
                            .arg(in.target, what, in.changesText()),
                        Message::NoIcon, Message::OkCancel}) == Message::AnsweredCancel)
        return;
    QString why;
    if (!in.write(&why)) {
        m_host.message({kTitle, why + QStringLiteral("."), Message::Critical});
        return;
    }
    replacePositionRows(in.position, in.plan.entries);
    setStatus(QStringLiteral("%1 imported: %2").arg(in.position, in.changesText()));
}

void Main::replacePositionRows(const QString &position, const QList<TransponderEntry> &entries)
{
    // Where its rows stood; a position new to the list goes where the DataFolder's order puts
    // it: its files by name, the last first.
    int at = -1;
    for (int i = ListView->topLevelItemCount() - 1; i >= 0; --i) {
        if (ListView->topLevelItem(i)->text(0) == position) {
            delete ListView->takeTopLevelItem(i);
            at = i;
        }
    }
    for (int i = 0; at < 0 && i <= ListView->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = ListView->topLevelItem(i);
        if (!row || row->text(0) + QStringLiteral(".csv") < position + QStringLiteral(".csv"))
            at = i;
    }
    insertTransponders(at + 1, entries);
    // The rows for what the receiver is tuned to are marked, as at start-up.
    for (int i = at; i < at + entries.size(); ++i) {
        QTreeWidgetItem *row = ListView->topLevelItem(i);
        if (row->text(1) == state.gFrq)
            setRowStyle(row, kMarked);
    }
    if (m_sortColumn >= 0)
        ListView->sortItems(m_sortColumn, m_sortOrder);
}

bool Main::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != ListView->viewport())
        return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto *drag = static_cast<QDropEvent *>(event);
        if (droppedFile(drag->mimeData()).isEmpty())
            return false;
        drag->acceptProposedAction();
        return true;
    }
    if (event->type() == QEvent::Drop) {
        auto *drop = static_cast<QDropEvent *>(event);
        const QString path = droppedFile(drop->mimeData());
        if (path.isEmpty())
            return false;
        drop->acceptProposedAction();
        importPlan(path);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
