#include "link/linkstate.h"

#include "link/exchangeobserver.h"
#include "platform/host.h"
#include "platform/serialport.h"

LinkBusy::LinkBusy(LinkState &link, Scope scope) : m_link(link), m_scope(scope)
{
    ++m_link.busyDepth;
    if (m_scope == Command && m_link.commandDepth++ == 0)
        emit m_link.activity.busyChanged(true);
}

LinkBusy::~LinkBusy()
{
    --m_link.busyDepth;
    if (m_scope == Command && --m_link.commandDepth == 0)
        emit m_link.activity.busyChanged(false);
}

void LinkState::watch(ExchangeObserver *observer)
{
    if (!observers.contains(observer))
        observers.append(observer);
}

void LinkState::unwatch(ExchangeObserver *observer)
{
    observers.removeAll(observer);
}

void LinkState::record(const LinkExchange &exchange) const
{
    // A copy: an observer may stop watching while it is told.
    const QList<ExchangeObserver *> watching = observers;
    for (ExchangeObserver *observer : watching)
        observer->exchanged(exchange);
}

void LinkState::recordUnsent() const
{
    const QList<ExchangeObserver *> watching = observers;
    for (ExchangeObserver *observer : watching)
        observer->unsent();
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
    return portLost() || silentExchanges >= kLostAfterSilentExchanges;
}

QString ReceiverLostText(const LinkState &link)
{
    if (link.portLost())
        return QStringLiteral("The serial port was lost.");
    if (link.receiverLost())
        return QStringLiteral("The receiver left %1 exchanges in a row unanswered.")
            .arg(link.silentExchanges);
    return QString();
}
