#include "scan/sweepplot.h"

#include "link/scankey.h"
#include "platform/numbers.h"

#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QLegend>
#include <QLineSeries>
#include <QSaveFile>
#include <QScatterSeries>
#include <QSet>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

namespace {

QLineSeries *line(QChart *chart, const QString &name, QColor colour, bool dashed)
{
    auto *s = new QLineSeries(chart);
    s->setName(name);
    QPen pen(colour);
    pen.setWidthF(1.2);
    if (dashed)
        pen.setStyle(Qt::DashLine);
    s->setPen(pen);
    s->setUseOpenGL(false);
    chart->addSeries(s);
    return s;
}

QScatterSeries *markers(QChart *chart, const QString &name, QColor colour, double size,
                        QScatterSeries::MarkerShape shape)
{
    auto *s = new QScatterSeries(chart);
    s->setName(name);
    s->setColor(colour);
    s->setMarkerSize(size);
    s->setMarkerShape(shape);
    chart->addSeries(s);
    return s;
}

} // namespace

SweepPlot::SweepPlot(QWidget *parent) : QWidget(parent)
{
    m_chart = new QChart;
    m_chart->setMargins(QMargins(2, 2, 2, 2));
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    // Each swatch drawn as its trace is, so level (solid) and margin (dashed) tell apart.
    m_chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    m_x = new QValueAxis(m_chart);
    m_x->setTitleText(QStringLiteral("MHz"));
    m_x->setLabelFormat(QStringLiteral("%.0f"));
    m_level = new QValueAxis(m_chart);
    m_level->setTitleText(QStringLiteral("level dBm"));
    m_level->setRange(-80, -20);
    m_margin = new QValueAxis(m_chart);
    m_margin->setTitleText(QStringLiteral("margin dB"));
    m_margin->setRange(-5, 15);
    m_chart->addAxis(m_x, Qt::AlignBottom);
    m_chart->addAxis(m_level, Qt::AlignLeft);
    m_chart->addAxis(m_margin, Qt::AlignRight);
    const QList<std::pair<QChar, QColor>> pols{{QLatin1Char('V'), QColor(29, 53, 87)},
                                               {QLatin1Char('H'), QColor(230, 57, 70)}};
    for (const auto &[pol, colour] : pols) {
        m_levelSeries[pol] = line(m_chart, QStringLiteral("level ") + pol, colour, false);
        m_marginSeries[pol] = line(m_chart, QStringLiteral("margin ") + pol, colour, true);
    }
    m_found = markers(m_chart, QStringLiteral("found"), QColor(150, 150, 150), 9,
                      QScatterSeries::MarkerShapeCircle);
    m_identified = markers(m_chart, QStringLiteral("identified"), QColor(42, 157, 143), 11,
                           QScatterSeries::MarkerShapeRectangle);
    m_selected = markers(m_chart, QStringLiteral("selected"), QColor(255, 183, 3), 16,
                         QScatterSeries::MarkerShapeCircle);
    for (QAbstractSeries *s : m_chart->series()) {
        s->attachAxis(m_x);
        auto *ls = qobject_cast<QLineSeries *>(s);
        const bool isMargin = ls && m_marginSeries.values().contains(ls);
        s->attachAxis(isMargin ? m_margin : m_level);
    }
    for (QScatterSeries *s : {m_found, m_identified, m_selected})
        connect(s, &QScatterSeries::clicked, this, &SweepPlot::markerClicked);

    m_view = new QChartView(m_chart, this);
    // No antialiasing: a trace of a whole band has thousands of points, and drawn smooth it
    // takes some 60 ms to repaint, which a run of the receiver would feel each time a carrier
    // is chosen or the plot grows (drawn sharp, some 10 ms).
    m_view->setRenderHint(QPainter::Antialiasing, false);
    m_view->setMinimumSize(610, 300); // room for both axes' labels and the whole legend
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_timer = new QTimer(this);
    m_timer->setInterval(250);
    connect(m_timer, &QTimer::timeout, this, &SweepPlot::flush);
    start(1);
}

void SweepPlot::start(int band)
{
    m_steps.clear();
    m_drawn = 0;
    m_levelPoints.clear();
    m_marginPoints.clear();
    m_markers.clear();
    for (QLineSeries *s : m_levelSeries)
        s->clear();
    for (QLineSeries *s : m_marginSeries)
        s->clear();
    for (QScatterSeries *s : {m_found, m_identified, m_selected})
        s->clear();
    // Ticks on round frequencies: every 100 MHz over band L, every 250 MHz over Ku.
    m_x->setTickType(QValueAxis::TicksDynamic);
    const SweepBand edges = SweepBand::of(quint8(band));
    m_x->setRange(edges.first / 1000.0, edges.end / 1000.0);
    m_x->setTickAnchor(band == 0 ? 1000 : 10750);
    m_x->setTickInterval(band == 0 ? 100 : 250);
}

void SweepPlot::sweepStep(const QString &pol, double frequencyKhz, std::optional<double> level,
                          std::optional<double> margin)
{
    m_steps.append({pol.isEmpty() ? QLatin1Char('?') : pol[0], frequencyKhz, level, margin});
    if (!m_timer->isActive())
        m_timer->start();
}

void SweepPlot::flush()
{
    QSet<QChar> grown;
    for (; m_drawn < m_steps.size(); ++m_drawn) {
        const Step &s = m_steps[m_drawn];
        // Where the receiver had no level or margin the trace lies on its axis's floor, so the
        // carriers stand out of it and no line bridges the gap between two of them.
        const double mhz = s.khz / 1000.0;
        m_levelPoints[s.pol] << QPointF(mhz, s.level.value_or(m_level->min()));
        m_marginPoints[s.pol] << QPointF(mhz, s.margin.value_or(m_margin->min()));
        grown.insert(s.pol);
    }
    // One replace per trace: the chart lays a trace out again after each change, so appending
    // point by point would cost the whole trace for every step.
    for (const QChar pol : grown) {
        if (QLineSeries *series = m_levelSeries.value(pol))
            series->replace(m_levelPoints[pol]);
        if (QLineSeries *series = m_marginSeries.value(pol))
            series->replace(m_marginPoints[pol]);
    }
    if (m_drawn == m_steps.size())
        m_timer->stop();
}

SweptRanges SweepPlot::sweptRanges() const
{
    SweptRanges ranges;
    for (const Step &s : m_steps) {
        const qint64 khz = qint64(s.khz);
        auto it = ranges.find(s.pol);
        if (it == ranges.end())
            ranges.insert(s.pol, {khz, khz});
        else
            *it = {qMin(it->first, khz), qMax(it->second, khz)};
    }
    return ranges;
}

QPointF SweepPlot::markerAt(const ScannedTransponder &carrier) const
{
    const double khz = carrier.khz();
    const QChar pol = carrier.polarisation.isEmpty() ? QLatin1Char('?') : carrier.polarisation[0];
    // The level the sweep read nearest the carrier's frequency, or the axis's floor.
    double level = m_level->min();
    double nearest = 1e12;
    for (const Step &s : m_steps) {
        if (s.pol == pol && s.level && qAbs(s.khz - khz) < nearest) {
            nearest = qAbs(s.khz - khz);
            level = *s.level;
        }
    }
    return QPointF(khz / 1000.0, level);
}

void SweepPlot::setCarriers(const ScanResult &result)
{
    m_found->clear();
    m_identified->clear();
    m_markers.clear();
    for (const ScannedTransponder &t : result.transponders) {
        const QPointF at = markerAt(t);
        m_markers.insert(t.key, at);
        (t.identified() ? m_identified : m_found)->append(at);
    }
}

void SweepPlot::select(const QString &key)
{
    m_selected->clear();
    m_selectedKey = m_markers.contains(key) ? key : QString();
    for (auto it = m_markers.cbegin(); it != m_markers.cend(); ++it) {
        if (it.key() == key)
            m_selected->append(it.value());
    }
}

void SweepPlot::markerClicked(const QPointF &point)
{
    QString best;
    double distance = 1e12;
    for (auto it = m_markers.cbegin(); it != m_markers.cend(); ++it) {
        const double d = qAbs(it.value().x() - point.x()) + qAbs(it.value().y() - point.y());
        if (d < distance) {
            distance = d;
            best = it.key();
        }
    }
    if (!best.isEmpty())
        emit carrierClicked(best);
}

QByteArray SweepPlot::csv() const
{
    // As the receiver writes them: level with two decimals, margin with one; empty for none.
    auto number = [](std::optional<double> v, int decimals) {
        return v ? QByteArray::number(*v, 'f', decimals) : QByteArray();
    };
    QByteArray out = "frequency_khz;polarisation;level;margin\n";
    for (const Step &s : m_steps)
        out += QByteArray::number(qint64(s.khz)) + ';' + QString(s.pol).toLatin1() + ';' +
               number(s.level, 2) + ';' + number(s.margin, 1) + '\n';
    return out;
}

bool SweepPlot::saveCsv(const QString &path) const
{
    QSaveFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(csv()) >= 0 && f.commit();
}

void SweepPlot::setCaption(const QString &text)
{
    m_chart->setTitle(text);
    // The chart makes room for its title when its layout next runs: now, so that a run the
    // event loop does not reach, and an image taken at once, show it.
    if (QGraphicsLayout *layout = m_chart->layout())
        layout->activate();
}

bool SweepPlot::savePng(const QString &path)
{
    flush();
    // The image is of the sweep, not of what the operator last chose in the tree.
    m_selected->setVisible(false);
    const bool saved = m_view->grab().save(path, "PNG");
    m_selected->setVisible(true);
    return saved;
}
