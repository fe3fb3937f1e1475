#include "link/linkstate.h"

#include "link/exchangeobserver.h"
#include "platform/host.h"
#include "platform/serialport.h"

LinkBusy::LinkBusy(LinkState &link, Scope scope) : m_link(link), m_scope(scope)
{
    ++m_link.m_busyDepth;
    if (m_scope == Command && m_link.m_commandDepth++ == 0)
        emit m_link.activity.busyChanged(true);
}

LinkBusy::~LinkBusy()
{
    --m_link.m_busyDepth;
    if (m_scope == Command && --m_link.m_commandDepth == 0)
        emit m_link.activity.busyChanged(false);
}

void LinkState::watch(ExchangeObserver *observer)
{
    if (!m_observers.contains(observer))
        m_observers.append(observer);
}

void LinkState::unwatch(ExchangeObserver *observer)
{
    m_observers.removeAll(observer);
}

void LinkState::record(const LinkExchange &exchange) const
{
    // A copy: an observer may stop watching while it is told.
    const QList<ExchangeObserver *> watching = m_observers;
    for (ExchangeObserver *observer : watching)
        observer->exchanged(exchange);
}

void LinkState::recordUnsent() const
{
    const QList<ExchangeObserver *> watching = m_observers;
    for (ExchangeObserver *observer : watching)
        observer->unsent();
}

void LinkState::replied(bool answered)
{
    if (answered) {
        m_silentExchanges = 0;
        return;
    }
    Eto = true;
    ++m_silentExchanges;
}

void LinkState::exchanged(quint64 latencyUs)
{
    ++m_exchanges;
    m_exchangeUs += latencyUs;
}

std::optional<double> LinkState::meanExchangeMs() const
{
    if (m_exchanges == 0)
        return std::nullopt;
    return double(m_exchangeUs) / 1000.0 / double(m_exchanges);
}

bool RefusedWhileBusy(LinkState &link)
{
    if (!link.busy())
        return false;
    link.host.beep();
    return true;
}

bool LinkState::portLost() const
{
    return MSComm.isLost();
}

bool LinkState::receiverLost() const
{
    return portLost() || m_silentExchanges >= kLostAfterSilentExchanges;
}

QString ReceiverLostText(const LinkState &link)
{
    if (link.portLost())
        return QStringLiteral("The serial port was lost.");
    if (link.receiverLost())
        return QStringLiteral("The receiver left %1 exchanges in a row unanswered.")
            .arg(link.silentExchanges());
    return QString();
}
