#pragma once

#include "link/scanevents.h"
#include "link/scanresult.h"
#include "scan/scandiff.h"

#include <QMap>
#include <QPointF>
#include <QVector>
#include <QWidget>

class QChart;
class QChartView;
class QLineSeries;
class QScatterSeries;
class QTimer;
class QValueAxis;

// The sweep as it runs: signal level (dBm, left axis) and link margin (dB, right axis) over
// frequency (MHz), one trace of each per polarisation, and a marker on each carrier found,
// identified ones apart. Steps gather and go into the chart a few times a second, so plotting
// never slows the sweep. A click on a marker reports its carrier; one carrier can be shown as
// selected. It listens to a scan run's sweep steps.
class SweepPlot : public QWidget, public ScanEvents
{
    Q_OBJECT

public:
    explicit SweepPlot(QWidget *parent = nullptr);

    // A new sweep over the band (0 L, 1 Ku): the plot is emptied and its axis set.
    void start(int band);
    void sweepStep(const QString &pol, double frequencyKhz, std::optional<double> level,
                   std::optional<double> margin) override;
    // The carriers of the scan, each marked as found or identified.
    void setCarriers(const ScanResult &result);
    void select(const QString &key);
    // Draws what has gathered now.
    void flush();

    // Every step so far as CSV lines "frequency_khz;polarisation;level;margin".
    QByteArray csv() const;
    bool saveCsv(const QString &path) const;
    // The image of the plot, its caption included and the selected carrier's marker left out.
    bool savePng(const QString &path);
    // The line above the plot: the position and when it was swept.
    void setCaption(const QString &text);
    int steps() const { return int(m_steps.size()); }
    // The frequencies the sweep stepped over, for each polarisation.
    SweptRanges sweptRanges() const;
    // The key of the carrier shown as selected, or the empty text.
    QString selectedKey() const { return m_selectedKey; }
    // Where the carrier's marker stands, in the chart's values.
    QPointF markerPosition(const QString &key) const { return m_markers.value(key); }
    QChartView *view() const { return m_view; }

signals:
    void carrierClicked(const QString &key);

private:
    struct Step
    {
        QChar pol;
        double khz;
        std::optional<double> level, margin;
    };
    QPointF markerAt(const ScannedTransponder &carrier) const;
    void markerClicked(const QPointF &point);

    QChart *m_chart;
    QChartView *m_view;
    QValueAxis *m_x, *m_level, *m_margin;
    QMap<QChar, QLineSeries *> m_levelSeries, m_marginSeries;
    QMap<QChar, QList<QPointF>> m_levelPoints, m_marginPoints; // what each trace shows
    QScatterSeries *m_found, *m_identified, *m_selected;
    QVector<Step> m_steps;
    int m_drawn = 0;
    QMap<QString, QPointF> m_markers; // key: where its marker stands
    QString m_selectedKey;
    QTimer *m_timer;
};
