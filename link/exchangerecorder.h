#pragma once

#include "link/exchangeobserver.h"

class LinkState;

// Builds the record of one exchange as it is made and hands it to the link's observers when it
// ends. While nobody watches the link it keeps nothing of the bytes read; it still times the
// exchange.
class ExchangeRecorder
{
public:
    ExchangeRecorder(LinkState &link, const QByteArray &sent, const char *operation = nullptr);
    ExchangeRecorder(const ExchangeRecorder &) = delete;
    ExchangeRecorder &operator=(const ExchangeRecorder &) = delete;

    // Where the reader appends the bytes it reads; null while nobody watches.
    QByteArray *received() { return m_watched ? &m_record.received : nullptr; }
    // Ends the exchange: the time other work took inside its waits is not the line's. Tells the
    // observers and returns the exchange's latency.
    quint64 finish(bool timedOut, bool refused, quint64 elsewhereUs = 0);

private:
    LinkState &m_link;
    bool m_watched;
    LinkExchange m_record;
};

// The outcomes of the exchanges made over a link while it lives: what a command of several
// exchanges learns of how they went.
class ExchangeTally : public ExchangeObserver
{
public:
    explicit ExchangeTally(LinkState &link);
    ~ExchangeTally() override;
    ExchangeTally(const ExchangeTally &) = delete;
    ExchangeTally &operator=(const ExchangeTally &) = delete;

    // Some exchange went without its reply: it timed out, its port was lost, or a run whose
    // receiver counts as lost did not make it.
    bool unanswered() const { return m_unanswered > 0; }
    // Counts afresh from here.
    void clear() { m_unanswered = 0; }

    void exchanged(const LinkExchange &exchange) override;
    void unsent() override { ++m_unanswered; }

private:
    LinkState &m_link;
    int m_unanswered = 0;
};

// Watches the link while it lives: the command-line tool's trace.
class Watching
{
public:
    Watching(LinkState &link, ExchangeObserver *observer);
    ~Watching();
    Watching(const Watching &) = delete;
    Watching &operator=(const Watching &) = delete;

private:
    LinkState &m_link;
    ExchangeObserver *m_observer;
};
