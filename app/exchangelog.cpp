#include "app/exchangelog.h"

#include <QBrush>
#include <QColor>

#include <algorithm>
#include <iterator>

ExchangeLog::ExchangeLog(QObject *parent) : QAbstractTableModel(parent)
{
    m_batch.setSingleShot(true);
    m_batch.setInterval(kBatchMs);
    connect(&m_batch, &QTimer::timeout, this, &ExchangeLog::flush);
}

void ExchangeLog::exchanged(const LinkExchange &e)
{
    if (m_paused) {
        ++m_skipped;
        ++m_leftOut;
        return;
    }
    if (!m_started) {
        m_started = true;
        m_firstUs = e.startUs;
    }
    m_pending.push_back({e.startUs, QString::fromLatin1(e.operation), e.sent, e.received,
                         e.latencyUs, e.timedOut, e.portLost, m_leftOut});
    m_leftOut = 0;
    if (int(m_pending.size()) > kMaxRows) { // never shown: gone, with the pause it tells of
        m_skipped -= m_pending.front().leftOutBefore;
        m_pending.pop_front();
    }
    if (!m_batch.isActive())
        m_batch.start();
}

void ExchangeLog::flush()
{
    m_batch.stop();
    if (m_pending.empty())
        return;
    // The oldest rows go first, and with them the pauses they told of.
    const int drop = std::min(int(m_rows.size()), int(m_rows.size() + m_pending.size()) - kMaxRows);
    if (drop > 0) {
        beginRemoveRows(QModelIndex(), 0, drop - 1);
        for (int i = 0; i < drop; ++i) {
            m_skipped -= m_rows.front().leftOutBefore;
            m_rows.pop_front();
        }
        endRemoveRows();
    }
    const int at = int(m_rows.size());
    beginInsertRows(QModelIndex(), at, at + int(m_pending.size()) - 1);
    std::move(m_pending.begin(), m_pending.end(), std::back_inserter(m_rows));
    m_pending.clear();
    endInsertRows();
}

void ExchangeLog::clear()
{
    beginResetModel();
    m_rows.clear();
    m_pending.clear();
    m_batch.stop();
    m_started = false;
    m_skipped = 0;
    m_leftOut = 0;
    endResetModel();
}

int ExchangeLog::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ExchangeLog::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QString ExchangeLog::cell(const Row &row, int column) const
{
    switch (column) {
    case Time:
        return QString::number(double(row.startUs - m_firstUs) / 1e6, 'f', 3);
    case Operation:
        return row.operation;
    case Sent:
        return QString::fromLatin1(PrintableBytes(row.sent));
    case Reply:
        return QString::fromLatin1(PrintableBytes(row.received));
    default:
        return row.portLost   ? QStringLiteral("port lost")
               : row.timedOut ? QStringLiteral("time-out")
                              : QString::number(double(row.latencyUs) / 1000.0, 'f', 1);
    }
}

QString ExchangeLog::rowText(int row) const
{
    QStringList cells;
    for (int c = 0; c < Columns; ++c)
        cells << cell(m_rows[size_t(row)], c);
    return cells.join(QLatin1Char('\t'));
}

QVariant ExchangeLog::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return QVariant();
    const Row &row = m_rows[size_t(index.row())];
    if (role == Qt::DisplayRole)
        return cell(row, index.column());
    if (role == Qt::ForegroundRole && (row.timedOut || row.portLost))
        return QBrush(QColor(255, 0, 0));
    if (role == Qt::TextAlignmentRole && (index.column() == Time || index.column() == Latency))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return QVariant();
}

QVariant ExchangeLog::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *titles[Columns] = {"Time (s)", "Operation", "Sent", "Reply", "ms"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section >= Columns)
        return QVariant();
    return QString::fromLatin1(titles[section]);
}

QString ExchangeLog::text() const
{
    auto leftOut = [](int n) {
        return QStringLiteral("-- %1 exchange%2 left out while paused --\n")
            .arg(n)
            .arg(n == 1 ? QString() : QStringLiteral("s"));
    };
    QString out;
    for (const std::deque<Row> *rows : {&m_rows, &m_pending}) {
        for (const Row &row : *rows) {
            if (row.leftOutBefore > 0)
                out += leftOut(row.leftOutBefore);
            QStringList cells;
            for (int c = 0; c < Columns; ++c)
                cells << cell(row, c);
            out += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
        }
    }
    if (m_leftOut > 0)
        out += leftOut(m_leftOut);
    return out;
}
