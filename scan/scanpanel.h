#pragma once

#include "link/scanestimate.h"

#include <QWidget>

class Host;
class QLabel;
class QProgressBar;
class QPushButton;
class SweepPlot;
struct ScanDiff;

// Beside the scan tree: the sweep's plot with its exports, the time left and a progress bar
// over the whole run, and what the run changed against the stored list. The scan window tells
// it what happens as its run goes.
class ScanPanel : public QWidget
{
    Q_OBJECT

public:
    ScanPanel(Host &host, const QString &folder, QWidget *parent = nullptr);

    SweepPlot *Plot;
    QLabel *TimeLeft;
    QProgressBar *Progress;
    QLabel *Changes;
    QPushButton *ExportCsv;
    QPushButton *ExportPng;

    const ScanEstimate &estimate() const { return m_estimate; }
    void setPosition(const QString &position) { m_position = position; }
    // A run begins: a scan sweeps the band (0 L, 1 Ku) first, a rescan does not.
    void runStarted(bool rescan, int band, int rates, int unidentified);
    // A status label of the run changed; `unidentified` transponders are left in the tree.
    void statusChanged(int index, const QString &text, const QString &testing, int unidentified);
    void runFinished(const ScanDiff &diff);

private:
    void showTimeLeft();
    void exportTo(bool png);

    Host &m_host;
    QString m_folder, m_position;
    ScanEstimate m_estimate;
    bool m_rescanRun = false;
    int m_rates = 1, m_calls = 0;
};
