#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QtGlobal>

#include <optional>

class ExchangeObserver;
class Host;
struct LinkExchange;
class SerialPort;

// Tells whoever shows the session (the windows' panels and cursor) when a command of the
// operator's starts to hold the link, and when the link is idle again.
class LinkActivity : public QObject
{
    Q_OBJECT
signals:
    void busyChanged(bool busy);
};

// The one stop of a run over the link: a scan, a search of the line, the catalogue, a watch.
// A run starts it and reads Run at each look; the operator's Stop, a closed window and Ctrl+C
// call stop(). The driver also clears Run when the receiver is lost; stopped() then stays
// false, which tells the two apart.
class RunToken
{
public:
    bool Run = false;
    void start()
    {
        Run = true;
        m_stopped = false;
    }
    void stop()
    {
        Run = false;
        m_stopped = true;
    }
    // The run is over by itself: nothing is left to stop.
    void end() { Run = false; }
    bool stopped() const { return m_stopped; }

private:
    bool m_stopped = false;
};

// The receiver link: the one serial port and the host services it waits with, the port number
// and speed it opens the port with, the time-out flag and the band; the busy state, the run
// under way and whoever watches its exchanges. The main window owns exactly one of these (the
// command-line tool one per line); every exchange goes through it.
class LinkState
{
public:
    LinkState(SerialPort &port, Host &host) : MSComm(port), host(host) {}
    LinkState(const LinkState &) = delete;
    LinkState &operator=(const LinkState &) = delete;

    SerialPort &MSComm;
    Host &host;
    qint16 Prt = 0;
    qint32 Spd = 115200;
    // Set when a reply did not complete in time; only the tuning sequence clears it.
    bool Eto = false;
    // The configured band: 0 = L, 1 = Ku; it chooses the band a receiver scan sweeps.
    quint8 Bnd = 0;

    // An exchange, a command of the operator's or a scan run is under way (see LinkBusy).
    bool busy() const { return m_busyDepth > 0; }
    // Tells when a command of the operator's starts to hold the link, and when it is idle.
    LinkActivity activity{};
    // The run under way, and the way to stop it.
    RunToken run{};

    // Told of every exchange, in the order they began to watch (see ExchangeObserver); the link
    // owns none of them. An observer stops watching before it goes.
    void watch(ExchangeObserver *observer);
    void unwatch(ExchangeObserver *observer);
    bool watched() const { return !m_observers.isEmpty(); }
    // Tells every observer of the exchange (see ExchangeRecorder), or of one not made.
    void record(const LinkExchange &exchange) const;
    void recordUnsent() const;
    // The driver operation under way, for the observers (see LinkOperation); null outside one.
    const char *operation() const { return m_operation; }

    // A reply came, or none came in time (which sets Eto).
    void replied(bool answered);
    // A frame exchange ended, the line's part of it taking `latencyUs`.
    void exchanged(quint64 latencyUs);
    // The mean time a frame exchange took on the line so far, in milliseconds; none before the
    // first: what the time left of a run costs.
    std::optional<double> meanExchangeMs() const;
    // Exchanges in a row that timed out; any reply sets it back to 0.
    int silentExchanges() const { return m_silentExchanges; }
    // The receiver is gone: the port was lost, or the receiver left kLostAfterSilentExchanges
    // exchanges in a row unanswered, which a live receiver never does (it answers every frame,
    // an unknown code with its refusal), and which already took half a minute.
    static constexpr int kLostAfterSilentExchanges = 3;
    bool receiverLost() const;
    bool portLost() const;

    // How many polls of about a millisecond a reply is awaited: the reply time-out
    // (Protocol::kReplyPolls), unless a caller that knows a receiver answers within
    // milliseconds asks for less (see ShortReplyWait).
    static constexpr int kDefaultReplyPolls = 10000;
    int replyPolls() const { return m_replyPolls; }
    // When the reply reader last ran the event loop (the host's microseconds).
    quint64 lastPassUs = 0;

private:
    friend class LinkBusy;
    friend class LinkOperation;
    friend class ShortReplyWait;

    int m_busyDepth = 0;
    int m_commandDepth = 0; // of the busy holds, the commands of the operator's
    QList<ExchangeObserver *> m_observers;
    const char *m_operation = nullptr;
    quint64 m_exchanges = 0, m_exchangeUs = 0;
    int m_silentExchanges = 0;
    int m_replyPolls = kDefaultReplyPolls;
};

// Awaits each reply for `ms` milliseconds (polls) only while it lives: a watch's sample, whose
// lost reply is asked again at once rather than waited for ten seconds.
class ShortReplyWait
{
public:
    ShortReplyWait(LinkState &link, int ms) : m_link(link), m_was(link.m_replyPolls)
    {
        link.m_replyPolls = ms;
    }
    ~ShortReplyWait() { m_link.m_replyPolls = m_was; }
    ShortReplyWait(const ShortReplyWait &) = delete;
    ShortReplyWait &operator=(const ShortReplyWait &) = delete;

private:
    LinkState &m_link;
    int m_was;
};

// Names the driver operation that the exchanges made inside it belong to. An operation that
// calls another keeps its own name: the inner one's exchanges are part of it.
class LinkOperation
{
public:
    LinkOperation(LinkState &link, const char *name)
        : m_link(link), m_outer(link.m_operation == nullptr)
    {
        if (m_outer)
            m_link.m_operation = name;
    }
    ~LinkOperation()
    {
        if (m_outer)
            m_link.m_operation = nullptr;
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
// A command of the operator's (a pick, a run, a search) holds it as a Command: the link's
// activity then tells the windows, so that a lone exchange does not make them flicker.
class LinkBusy
{
public:
    enum Scope
    {
        Exchange,
        Command
    };
    explicit LinkBusy(LinkState &link, Scope scope = Exchange);
    ~LinkBusy();
    LinkBusy(const LinkBusy &) = delete;
    LinkBusy &operator=(const LinkBusy &) = delete;

private:
    LinkState &m_link;
    Scope m_scope;
};

// True, after a beep, when the link is busy: the operator's action is ignored.
bool RefusedWhileBusy(LinkState &link);

// Why the receiver counts as lost, in a line an operator can act on; empty while it is not.
QString ReceiverLostText(const LinkState &link);
