#pragma once

#include <QList>
#include <QPolygonF>
#include <QWidget>

#include <optional>

// The margin over the last minute as a line, newest at the right, 0 dB at the bottom and the
// meter's full scale at the top; a reading without a margin (no lock), or readings more than
// kGapMs apart (the meter paused), break the line.
class SignalGraph : public QWidget
{
    Q_OBJECT

public:
    explicit SignalGraph(QWidget *parent = nullptr);
    // A reading at `ms` (any clock that only rises); readings older than a minute are dropped.
    void add(qint64 ms, std::optional<double> marginDb);
    qsizetype points() const { return m_points.size(); }
    // The line's pieces as drawn in `area`.
    QList<QPolygonF> lines(const QRectF &area) const;
    static constexpr qint64 kGapMs = 1000;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Point
    {
        qint64 ms;
        std::optional<double> marginDb;
    };
    QList<Point> m_points;
};
