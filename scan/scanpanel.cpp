#include "scan/scanpanel.h"

#include "platform/host.h"
#include "scan/position.h"
#include "scan/scandiff.h"
#include "scan/sweepplot.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

ScanPanel::ScanPanel(Host &host, const QString &folder, QWidget *parent)
    : QWidget(parent), m_host(host), m_folder(folder)
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
    // Enter in the window belongs to its own buttons, never to an export.
    ExportCsv->setAutoDefault(false);
    ExportPng->setAutoDefault(false);
    auto *row = new QHBoxLayout;
    row->addWidget(TimeLeft);
    row->addWidget(Progress, 1);
    row->addWidget(ExportCsv);
    row->addWidget(ExportPng);
    auto *all = new QVBoxLayout(this);
    all->setContentsMargins(0, 0, 0, 0);
    all->addWidget(Plot, 1);
    all->addLayout(row);
    all->addWidget(Changes);
    connect(ExportCsv, &QPushButton::clicked, this, [this] { exportTo(false); });
    connect(ExportPng, &QPushButton::clicked, this, [this] { exportTo(true); });
}

void ScanPanel::runStarted(bool rescan, int band, int rates, int unidentified)
{
    m_rescanRun = rescan;
    m_rates = rates;
    m_calls = 0;
    Changes->clear();
    if (!rescan)
        Plot->start(band);
    m_estimate.start(rescan ? 0 : (band == 0 ? 1200 : 2050), rates, unidentified,
                     m_host.elapsedUs());
    showTimeLeft();
}

void ScanPanel::statusChanged(int index, const QString &text, const QString &testing,
                              int unidentified)
{
    const quint64 now = m_host.elapsedUs();
    if (index == 0 && text == QLatin1String("Testing")) {
        // Each test at one rate sets "Testing"; a scan's tests after its first pass, and all of
        // a rescan's, are rescans.
        ++m_calls;
        if (m_calls == 1 || (!m_rescanRun && m_calls == m_rates + 1))
            m_estimate.passStarted(m_rescanRun || m_calls > 1, unidentified, now);
        m_estimate.rateStarted(now);
    } else if (index == 3 && testing == QLatin1String("Testing") && !text.isEmpty()) {
        m_estimate.tryStarted(now);
    } else if (index == 4 && text == QLatin1String("SVC")) {
        m_estimate.tryLocked();
    } else if (index == 3) {
        m_estimate.sweepStep(now);
    }
    showTimeLeft();
}

void ScanPanel::runFinished(const ScanDiff &diff)
{
    m_estimate.finish();
    Plot->flush();
    Progress->setValue(1000);
    TimeLeft->clear();
    Changes->setText(diff.summary());
}

void ScanPanel::showTimeLeft()
{
    const qint64 s = (m_estimate.leftMs() + 999) / 1000;
    const QString text = s >= 60 ? QStringLiteral("about %1 min %2 s left").arg(s / 60).arg(s % 60)
                                 : QStringLiteral("about %1 s left").arg(s);
    if (TimeLeft->text() != text)
        TimeLeft->setText(text);
    const int value = int(m_estimate.done(m_host.elapsedUs()) * 1000);
    if (Progress->value() != value)
        Progress->setValue(value);
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
        QMessageBox::critical(this, QStringLiteral("Error"),
                              QStringLiteral("File %1 could not be written.").arg(path));
}
