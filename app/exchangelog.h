#pragma once

#include "link/exchangeobserver.h"

#include <QAbstractTableModel>
#include <QTimer>

#include <deque>

// The link's exchanges as table rows, oldest first, at most kMaxRows of them: time (seconds
// since the first exchange seen), operation, bytes sent, bytes received, latency. Time-outs
// and a lost port stand out in red. While paused, exchanges pass unrecorded and are counted.
// An exchange costs the link only its record: the rows reach the view in batches, at most
// kBatchMs after their exchange (flush() at once).
class ExchangeLog : public QAbstractTableModel, public ExchangeObserver
{
    Q_OBJECT

public:
    static constexpr int kMaxRows = 10000;
    static constexpr int kBatchMs = 100;
    enum Column
    {
        Time,
        Operation,
        Sent,
        Reply,
        Latency,
        Columns
    };

    explicit ExchangeLog(QObject *parent = nullptr);

    void exchanged(const LinkExchange &exchange) override;
    // The exchanges recorded and not yet shown become rows now.
    void flush();
    void setPaused(bool paused) { m_paused = paused; }
    bool paused() const { return m_paused; }
    int skipped() const { return m_skipped; }
    void clear();

    // A row as text, its cells separated by tabs: for the clipboard and for saving.
    QString rowText(int row) const;
    // The log as saved text: a line per row, and where exchanges were left out while paused,
    // a line saying how many.
    QString text() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row
    {
        quint64 startUs;
        QString operation;
        QByteArray sent, received;
        quint64 latencyUs;
        bool timedOut;
        bool portLost;
        int leftOutBefore = 0; // exchanges passed unrecorded, paused, just before this one
    };
    QString cell(const Row &row, int column) const;

    std::deque<Row> m_rows;
    std::deque<Row> m_pending; // recorded, not yet rows
    QTimer m_batch;
    bool m_started = false;
    quint64 m_firstUs = 0;
    bool m_paused = false;
    int m_skipped = 0;
    int m_leftOut = 0; // skipped since the last row recorded
};
