#include "link/exchangerecorder.h"

#include "link/linkstate.h"
#include "platform/host.h"

ExchangeRecorder::ExchangeRecorder(LinkState &link, const QByteArray &sent, const char *operation)
    : m_link(link), m_watched(link.watched())
{
    m_record.startUs = link.host.elapsedUs();
    if (m_watched) {
        m_record.sent = sent;
        m_record.operation = operation ? operation : link.operation() ? link.operation() : "";
    }
}

quint64 ExchangeRecorder::finish(bool timedOut, bool refused, quint64 elsewhereUs)
{
    m_record.latencyUs = m_link.host.elapsedUs() - m_record.startUs - elsewhereUs;
    if (m_watched) {
        m_record.timedOut = timedOut;
        m_record.refused = refused;
        m_record.portLost = m_link.portLost();
        m_link.record(m_record);
    }
    return m_record.latencyUs;
}

ExchangeTally::ExchangeTally(LinkState &link) : m_link(link)
{
    m_link.watch(this);
}

ExchangeTally::~ExchangeTally()
{
    m_link.unwatch(this);
}

void ExchangeTally::exchanged(const LinkExchange &exchange)
{
    if (exchange.timedOut)
        ++m_unanswered;
}

Watching::Watching(LinkState &link, ExchangeObserver *observer) : m_link(link), m_observer(observer)
{
    if (m_observer)
        m_link.watch(m_observer);
}

Watching::~Watching()
{
    if (m_observer)
        m_link.unwatch(m_observer);
}
