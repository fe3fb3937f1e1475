#include "scan/scanpanel.h"

#include "link/linkstate.h"
#include "lists/transponderentry.h"
#include "platform/host.h"
#include "scan/position.h"
#include "scan/scandiff.h"
#include "scan/sweepplot.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr qsizetype kChangesShown = 300; // characters of the changes' summary under the plot
} // namespace

ScanPanel::ScanPanel(const LinkState &link, const QString &folder, QWidget *parent)
    : QWidget(parent), m_link(link), m_folder(folder), m_estimate(link)
{
    Plot = new SweepPlot(this);
    TimeLeft = new QLabel(this);
    TimeLeft->setMinimumWidth(150);
    Progress = new QProgressBar(this);
    Progress->setRange(0, 1000);
    Progress->setTextVisible(false);
    Changes = new QLabel(this);
    Changes->setWordWrap(true);
    Changes->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ExportCsv = new QPushButton(QStringLiteral("Export CSV..."), this);
    ExportPng = new QPushButton(QStringLiteral("Export PNG..."), this);
    ExportPlan = new QPushButton(QStringLiteral("Export &DVBv5..."), this);
    ExportPlan->setToolTip(
        QStringLiteral("The transponders identified, as a plan other DVB tools read"));
    // Enter in the window belongs to its own buttons, never to an export.
    for (QPushButton *b : {ExportCsv, ExportPng, ExportPlan})
        b->setAutoDefault(false);
    auto *row = new QHBoxLayout;
    row->addWidget(TimeLeft);
    row->addWidget(Progress, 1);
    row->addWidget(ExportCsv);
    row->addWidget(ExportPng);
    row->addWidget(ExportPlan);
    auto *all = new QVBoxLayout(this);
    all->setContentsMargins(0, 0, 0, 0);
    all->addWidget(Plot, 1);
    all->addLayout(row);
    all->addWidget(Changes);
    connect(ExportCsv, &QPushButton::clicked, this, [this] { exportTo(false); });
    connect(ExportPng, &QPushButton::clicked, this, [this] { exportTo(true); });
}

QList<ScanEvents *> ScanPanel::listeners()
{
    return {Plot, &m_estimate, &m_shown};
}

void ScanPanel::runStarted(bool scan, quint8 band, const QStringList &rates,
                           const QStringList &unidentified, const ScanGuide &guide)
{
    Changes->clear();
    if (scan) {
        Plot->start(band);
        Plot->setCaption(m_position + QStringLiteral(" swept ") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    }
    m_estimate.start(scan, band, rates, unidentified, guide);
    showTimeLeft();
}

void ScanPanel::runStopping()
{
    m_estimate.stop();
    showTimeLeft();
}

void ScanPanel::runFinished(const ScanDiff &diff, bool completed)
{
    m_estimate.stop();
    Plot->flush();
    showTimeLeft();
    // A bar full is a run done; a run stopped or cut short shows none.
    Progress->setValue(completed ? Progress->maximum() : 0);
    // A long summary (a real position can miss dozens) shows its start, cut after a whole
    // entry; the whole of it is the label's tooltip.
    const QString summary = diff.summary();
    const qsizetype cut = summary.lastIndexOf(QLatin1Char(','), kChangesShown);
    Changes->setText(summary.size() <= kChangesShown || cut < 0
                         ? summary
                         : summary.left(cut) + QStringLiteral(", …"));
    Changes->setToolTip(summary);
    // As many lines as the text wraps to at the label's width, three at most: a layout beside a
    // splitter would otherwise leave it one.
    const int wrapped = Changes->heightForWidth(Changes->width()); // -1: no text to wrap
    Changes->setMinimumHeight(
        summary.isEmpty() ? 0 : qBound(0, wrapped, 3 * Changes->fontMetrics().lineSpacing()));
}

void ScanPanel::Shown::refresh()
{
    const quint64 now = panel->m_link.host.elapsedUs();
    if (now - lastUs < 250000)
        return;
    lastUs = now;
    panel->showTimeLeft();
}

void ScanPanel::showTimeLeft()
{
    QString text;
    if (m_estimate.running()) {
        text = m_estimate.leftText();
        const int value = int(m_estimate.done() * Progress->maximum());
        if (Progress->value() != value)
            Progress->setValue(value);
    }
    if (TimeLeft->text() != text)
        TimeLeft->setText(text);
}

void ScanPanel::exportTo(bool png)
{
    // The name offered stays in the program folder: a position, never a path.
    const QString name = (IsNormalPosition(m_position) ? m_position : QStringLiteral("scan")) +
                         (png ? QStringLiteral("-sweep.png") : QStringLiteral("-sweep.csv"));
    const QString path = QFileDialog::getSaveFileName(
        this, png ? QStringLiteral("Export the plot") : QStringLiteral("Export the sweep"),
        QDir(m_folder).filePath(name),
        png ? QStringLiteral("PNG (*.png)") : QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty())
        return;
    if (!(png ? Plot->savePng(path) : Plot->saveCsv(path)))
        m_link.host.message({QStringLiteral("Error"),
                             QStringLiteral("File %1 could not be written.").arg(path),
                             Message::Critical, Message::Ok});
}
