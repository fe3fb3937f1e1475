#include "app/exchangelog.h"

#include <QBrush>
#include <QColor>

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
    if (int(m_rows.size()) == kMaxRows) {
        beginRemoveRows(QModelIndex(), 0, 0);
        m_rows.pop_front();
        endRemoveRows();
    }
    const int at = int(m_rows.size());
    beginInsertRows(QModelIndex(), at, at);
    m_rows.push_back({e.startUs, QString::fromLatin1(e.operation), e.sent, e.received, e.latencyUs,
                      e.timedOut, m_leftOut});
    m_leftOut = 0;
    endInsertRows();
}

void ExchangeLog::clear()
{
    beginResetModel();
    m_rows.clear();
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
        return row.timedOut ? QStringLiteral("time-out")
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
    if (role == Qt::ForegroundRole && row.timedOut)
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
    for (int row = 0; row < int(m_rows.size()); ++row) {
        if (m_rows[size_t(row)].leftOutBefore > 0)
            out += leftOut(m_rows[size_t(row)].leftOutBefore);
        out += rowText(row) + QLatin1Char('\n');
    }
    if (m_leftOut > 0)
        out += leftOut(m_leftOut);
    return out;
}
