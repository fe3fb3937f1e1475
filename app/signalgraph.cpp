#include "app/signalgraph.h"

#include "app/signalwindow.h"

#include <QPainter>
#include <QPainterPath>

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
    if (m_points.isEmpty())
        return;
    const qint64 newest = m_points.last().ms;
    QPainterPath line;
    bool drawing = false;
    for (const Point &pt : m_points) {
        if (!pt.marginDb) {
            drawing = false;
            continue;
        }
        const double share = std::clamp(*pt.marginDb / kMarginFullScaleDb, 0.0, 1.0);
        const QPointF at(area.right() - area.width() * double(newest - pt.ms) /
                                            (SignalWindow::kGraphSeconds * 1000.0),
                         area.bottom() - area.height() * share);
        drawing ? line.lineTo(at) : line.moveTo(at);
        drawing = true;
    }
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette().highlight().color(), 2));
    p.drawPath(line);
}
