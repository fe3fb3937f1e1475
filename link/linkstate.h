#pragma once

#include <QString>
#include <QtGlobal>

class ExchangeObserver;
class Host;
class SerialPort;

// What the receiver link needs of the main window: the one serial port, the host services it
// waits with, the port number and speed it opens the port with, the time-out flag and the band.
// The main window owns exactly one of these; every exchange goes through it.
struct LinkState
{
    SerialPort &MSComm;
    Host &host;
    qint16 Prt = 0;
    qint32 Spd = 115200;
    // Set when a reply did not complete in time; only the tuning sequence clears it.
    bool Eto = false;
    // The configured band: 0 = L, 1 = Ku; it chooses the band a receiver scan sweeps.
    quint8 Bnd = 0;

    // An exchange, a command of the operator's or a scan run is under way (see LinkBusy).
    bool busy() const { return busyDepth > 0; }
    int busyDepth = 0;

    // Told of every exchange while set (see ExchangeObserver); the link does not own it.
    ExchangeObserver *observer = nullptr;
    // The driver operation under way, for the observer (see LinkOperation); null outside one.
    const char *operation = nullptr;
    // When the reply reader last ran the event loop (the host's microseconds).
    quint64 lastPassUs = 0;
    // The frame exchanges made so far and the time they took in all, for what the time left
    // of a run costs.
    quint64 exchanges = 0, exchangeUs = 0;
    // Exchanges in a row that timed out; any reply sets it back to 0.
    int silentExchanges = 0;
    // The receiver is gone: the port was lost, or the receiver left kLostAfterSilentExchanges
    // exchanges in a row unanswered, which a live receiver never does (it answers every frame,
    // an unknown code with its refusal), and which already took half a minute.
    static constexpr int kLostAfterSilentExchanges = 3;
    bool receiverLost() const;
    bool portLost() const;
};

// Names the driver operation that the exchanges made inside it belong to. An operation that
// calls another keeps its own name: the inner one's exchanges are part of it.
class LinkOperation
{
public:
    LinkOperation(LinkState &link, const char *name)
        : m_link(link), m_outer(link.operation == nullptr)
    {
        if (m_outer)
            m_link.operation = name;
    }
    ~LinkOperation()
    {
        if (m_outer)
            m_link.operation = nullptr;
    }
    LinkOperation(const LinkOperation &) = delete;
    LinkOperation &operator=(const LinkOperation &) = delete;

private:
    LinkState &m_link;
    bool m_outer;
};

// The one busy guard. Every wait for the receiver runs the event loop, so a click or a key can
// be handled in the middle of an exchange. An exchange, and every handler that talks to the
// receiver or walks rows in a loop that yields, holds a LinkBusy while it runs; a handler that
// would start another exchange, or move those rows, asks RefusedWhileBusy first.
class LinkBusy
{
public:
    explicit LinkBusy(LinkState &link) : m_link(link) { ++m_link.busyDepth; }
    ~LinkBusy() { --m_link.busyDepth; }
    LinkBusy(const LinkBusy &) = delete;
    LinkBusy &operator=(const LinkBusy &) = delete;

private:
    LinkState &m_link;
};

// True, after a beep, when the link is busy: the operator's action is ignored.
bool RefusedWhileBusy(LinkState &link);

// Why the receiver counts as lost, in a line an operator can act on; empty while it is not.
QString ReceiverLostText(const LinkState &link);
