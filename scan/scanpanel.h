#pragma once

#include "session/scanestimate.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class SweepPlot;
class LinkState;
struct ScanDiff;

// Beside the scan tree: the sweep's plot with its exports, the time left and a progress bar
// over the whole run, and what the run changed against the stored list. The plot and the time
// left listen to the run's events (see listeners()).
class ScanPanel : public QWidget
{
    Q_OBJECT

public:
    ScanPanel(const LinkState &link, const QString &folder, QWidget *parent = nullptr);

    SweepPlot *Plot;
    QLabel *TimeLeft;
    QProgressBar *Progress;
    QLabel *Changes;
    QPushButton *ExportCsv;
    QPushButton *ExportPng;
    QPushButton *ExportPlan; // the scan's identified transponders as a DVBv5 plan (the window's)

    // What listens to a run: the plot, the estimate, and the time left shown after it.
    QList<ScanEvents *> listeners();
    void setPosition(const QString &position) { m_position = position; }
    // A run begins: a scan sweeps the band (0 L, 1 Ku) first, a rescan tests the carriers left.
    void runStarted(bool scan, quint8 band, const QStringList &rates,
                    const QStringList &unidentified, const ScanGuide &guide);
    // The run was asked to stop: from now on nothing is estimated.
    void runStopping();
    // The run has unwound, to its end or not.
    void runFinished(const ScanDiff &diff, bool completed);
    void showTimeLeft();

private:
    // Shows the time left again after every event of the run, a few times a second at most.
    struct Shown : ScanEvents
    {
        explicit Shown(ScanPanel *p) : panel(p) {}
        ScanPanel *panel;
        quint64 lastUs = 0;
        void refresh();
        void sweepStep(const QString &, double, std::optional<double>,
                       std::optional<double>) override
        {
            refresh();
        }
        void passStarted(bool, const QStringList &) override { refresh(); }
        void testStarted(const QString &, const QString &, const QString &) override { refresh(); }
        void identified(const QString &, int) override { refresh(); }
    };
    void exportTo(bool png);

    const LinkState &m_link;
    QString m_folder, m_position;
    ScanEstimate m_estimate;
    Shown m_shown{this};
};
