#include "app/signalgraph.h"

#include "app/signalwindow.h"

#include <QPainter>

#include <algorithm>

SignalGraph::SignalGraph(QWidget *parent) : QWidget(parent)
{
    setMinimumHeight(120);
    setAccessibleName(QStringLiteral("Margin over the last minute"));
}

void SignalGraph::add(qint64 ms, std::optional<double> marginDb)
{
    m_points.append({ms, marginDb});
    const qint64 oldest = ms - SignalWindow::kGraphSeconds * 1000;
    m_points.erase(m_points.begin(),
                   std::find_if(m_points.begin(), m_points.end(),
                                [oldest](const Point &p) { return p.ms >= oldest; }));
    update();
}

void SignalGraph::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.setPen(palette().mid().color());
    const QRectF area = QRectF(rect()).adjusted(36, 6, -6, -18);
    for (int dB = 0; dB <= int(kMarginFullScaleDb); dB += 4) {
        const double y = area.bottom() - area.height() * dB / kMarginFullScaleDb;
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        p.drawText(QRectF(0, y - 8, 32, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(dB));
    }
    p.drawText(QRectF(area.left(), area.bottom() + 2, area.width(), 16), Qt::AlignCenter,
               QStringLiteral("margin (dB), last minute"));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette().highlight().color(), 2));
    for (const QPolygonF &line : lines(area))
        p.drawPolyline(line);
}

QList<QPolygonF> SignalGraph::lines(const QRectF &area) const
{
    QList<QPolygonF> lines;
    if (m_points.isEmpty())
        return lines;
    const qint64 newest = m_points.last().ms;
    qint64 before = m_points.first().ms;
    bool drawing = false;
    for (const Point &pt : m_points) {
        // No margin, or a pause in the readings (a pick, a modal window): a break in the line.
        const bool gap = pt.ms - before > kGapMs;
        before = pt.ms;
        if (!pt.marginDb || gap)
            drawing = false;
        if (!pt.marginDb)
            continue;
        const double share = std::clamp(*pt.marginDb / kMarginFullScaleDb, 0.0, 1.0);
        const QPointF at(area.right() - area.width() * double(newest - pt.ms) /
                                            (SignalWindow::kGraphSeconds * 1000.0),
                         area.bottom() - area.height() * share);
        if (!drawing)
            lines.append(QPolygonF());
        lines.last().append(at);
        drawing = true;
    }
    return lines;
}
