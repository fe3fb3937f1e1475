#include "platform/networkserialport.h"

#include <algorithm>

#include <gensio/gensio.h>
#include <gensio/gensio_os_funcs.h>
#include <gensio/gensio_os_funcs_public.h>
#include <gensio/sergensio.h>

#include <QThread>

namespace {
constexpr qsizetype kTailBytes = 256;

gensio_time timeFromUs(qint64 us)
{
    us = qMax<qint64>(us, 0);
    return gensio_time{us / 1000000, int(us % 1000000) * 1000};
}

// One operating-system handler for the whole program: it runs the sockets' work on the thread
// that reads or waits, so no thread of the library's own is started.
gensio_os_funcs *osHandler()
{
    static gensio_os_funcs *os = [] {
        gensio_os_funcs *o = nullptr;
        return gensio_default_os_hnd(0, &o) == 0 ? o : nullptr;
    }();
    return os;
}

QString errorText(int err)
{
    return QString::fromUtf8(gensio_err_to_str(err)).toLower();
}

} // namespace

NetworkSerialPort::NetworkSerialPort() : m_os(osHandler())
{
    if (m_os)
        m_waiter = m_os->alloc_waiter(m_os);
}

NetworkSerialPort::~NetworkSerialPort()
{
    close();
    if (m_waiter)
        m_os->free_waiter(m_waiter);
}

bool NetworkSerialPort::setSettings(const QString &settings)
{
    const std::optional<LineSettings> parsed = parseLineSettings(settings);
    if (!parsed)
        return false;
    m_settings = *parsed;
    if (m_io && m_endpoint.kind == NetworkEndpoint::Rfc2217 && !applySettings())
        m_lost = true;
    return true;
}

void NetworkSerialPort::fail(PortProblem problem, const QString &text)
{
    m_failure = {problem, text};
    close();
}

bool NetworkSerialPort::open()
{
    if (m_io)
        return true;
    m_failure = {};
    m_lost = false;
    m_input.clear();
    if (!m_waiter) {
        m_failure = {PortProblem::Other, QStringLiteral("The network library could not start.")};
        return false;
    }
    if (!connect())
        return false;
    return m_endpoint.kind == NetworkEndpoint::RawTcp || applySettings();
}

bool NetworkSerialPort::connect()
{
    m_lostReason.clear();
    const QString chain =
        (m_endpoint.kind == NetworkEndpoint::Rfc2217 ? QStringLiteral("telnet(rfc2217),tcp,%1,%2")
                                                     : QStringLiteral("tcp,%1,%2"))
            .arg(m_endpoint.host)
            .arg(m_endpoint.port);
    int err =
        str_to_gensio(chain.toUtf8().constData(), m_os, &NetworkSerialPort::onEvent, this, &m_io);
    if (err) {
        m_io = nullptr;
        fail(PortProblem::Other, QStringLiteral("%1: %2").arg(m_endpoint.url(), errorText(err)));
        return false;
    }
    m_opened = false;
    m_openError = 0;
    err = gensio_open(
        m_io,
        [](gensio *, int e, void *self) {
            auto *port = static_cast<NetworkSerialPort *>(self);
            port->m_openError = e;
            port->m_opened = true;
            port->m_os->wake(port->m_waiter);
        },
        this);
    gensio_time limit = timeFromUs(qint64(kConnectMs) * 1000);
    while (!err && !m_opened && m_os->wait(m_waiter, 1, &limit) == 0) {
    }
    err = err ? err : m_opened ? m_openError : GE_TIMEDOUT;
    if (err == 0) {
        gensio_set_read_callback_enable(m_io, true);
        return true;
    }
    const QString url = m_endpoint.url();
    if (err == GE_CONNREFUSE || err == GE_NOTFOUND || err == GE_HOSTDOWN)
        fail(PortProblem::Missing,
             QStringLiteral("Nothing answers at %1 (%2): is the serial server running there, and "
                            "is that its port?")
                 .arg(url, errorText(err)));
    else if (err == GE_REMCLOSE)
        fail(PortProblem::Other,
             QStringLiteral("%1 closed the connection as it was opened: the server refuses it, as "
                            "it does when another connection holds its device.")
                 .arg(url));
    else if (err == GE_TIMEDOUT)
        fail(PortProblem::Other, QStringLiteral("%1 did not accept the connection within %2 s.")
                                     .arg(url)
                                     .arg(kConnectMs / 1000));
    else
        fail(PortProblem::Other, QStringLiteral("%1: %2").arg(url, errorText(err)));
    return false;
}

bool NetworkSerialPort::applySettings()
{
    sergensio *serial = gensio_to_sergensio(m_io);
    sergensio_b *blocking = nullptr;
    if (!serial || sergensio_b_alloc(serial, m_os, &blocking) != 0) {
        fail(PortProblem::Other,
             QStringLiteral("%1 offers no COM port control.").arg(m_endpoint.url()));
        return false;
    }
    int parity = SERGENSIO_PARITY_NONE;
    if (m_settings.parity == QSerialPort::OddParity)
        parity = SERGENSIO_PARITY_ODD;
    else if (m_settings.parity == QSerialPort::EvenParity)
        parity = SERGENSIO_PARITY_EVEN;
    else if (m_settings.parity == QSerialPort::MarkParity)
        parity = SERGENSIO_PARITY_MARK;
    else if (m_settings.parity == QSerialPort::SpaceParity)
        parity = SERGENSIO_PARITY_SPACE;
    const int stop = m_settings.stopBits == QSerialPort::TwoStop ? 2 : 1;
    using Setter = int (*)(sergensio_b *, int *, gensio_time *);
    const struct
    {
        Setter set;
        int wanted;
        const char *what;
    } steps[] = {{sergensio_baud_b_timeout, m_settings.speed, "speed"},
                 {sergensio_datasize_b_timeout, int(m_settings.dataBits), "data bits"},
                 {sergensio_parity_b_timeout, parity, "parity"},
                 {sergensio_stopbits_b_timeout, stop, "stop bits"}};
    QString refusal;
    for (const auto &step : steps) {
        int value = step.wanted;
        gensio_time limit = timeFromUs(qint64(kConnectMs) * 1000);
        const int err = step.set(blocking, &value, &limit);
        if (err) {
            refusal = QStringLiteral("%1 did not confirm the line's %2 (%3): is it a raw TCP "
                                     "port? Then give tcp:// instead.")
                          .arg(m_endpoint.url(), QLatin1String(step.what), errorText(err));
            break;
        }
    }
    sergensio_b_free(blocking);
    if (!refusal.isEmpty() && !m_lostReason.isEmpty())
        refusal = QStringLiteral("%1 refused the port: \"%2\" (another connection holds its "
                                 "device, or the server allows none now).")
                      .arg(m_endpoint.url(), m_lostReason);
    if (!refusal.isEmpty()) {
        fail(PortProblem::Other, refusal);
        return false;
    }
    return true;
}

int NetworkSerialPort::onEvent(gensio *, void *self, int event, int err, unsigned char *buf,
                               unsigned long *length, const char *const *)
{
    auto *port = static_cast<NetworkSerialPort *>(self);
    if (event != GENSIO_EVENT_READ || !port->m_io)
        return GE_NOTSUP;
    if (err) { // the server closed the connection, or the network failed
        port->m_lost = true;
        port->m_lostReason = wordsIn(port->m_tail);
        gensio_set_read_callback_enable(port->m_io, false);
    } else {
        port->m_input.append(reinterpret_cast<const char *>(buf), qsizetype(*length));
        port->m_tail = (port->m_tail + port->m_input.right(qsizetype(*length))).right(kTailBytes);
    }
    port->m_os->wake(port->m_waiter);
    return 0;
}

// The last line of words in what a server sent: printable text, at least a few letters long;
// empty when its last line is none.
QString NetworkSerialPort::wordsIn(const QByteArray &tail)
{
    const QList<QByteArray> lines = tail.split('\n');
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        const QByteArray text = line->trimmed();
        if (text.isEmpty())
            continue;
        const bool words = text.size() >= 8 && std::all_of(text.cbegin(), text.cend(), [](char c) {
                               return c >= 0x20 && c < 0x7f;
                           });
        return words ? QString::fromLatin1(text) : QString();
    }
    return QString();
}

void NetworkSerialPort::close()
{
    if (!m_io)
        return;
    gensio *io = m_io;
    m_io = nullptr;
    // The connection is closed, and the close seen through, before the port counts as closed:
    // a server that serves one connection at a time (ser2net) refuses the next one until then.
    bool closed = false;
    const auto done = [](gensio *, void *flag) { *static_cast<bool *>(flag) = true; };
    if (gensio_close(io, done, &closed) == 0) {
        gensio_time limit = timeFromUs(qint64(kConnectMs) * 1000);
        while (!closed && m_os->service(m_os, &limit) != GE_TIMEDOUT) {
        }
    }
    gensio_free(io);
    m_input.clear();
    m_tail.clear();
    m_lost = false;
}

void NetworkSerialPort::service(int us)
{
    gensio_time limit = timeFromUs(us);
    if (us <= 0) {
        m_os->service(m_os, &limit);
        return;
    }
    m_os->wait(m_waiter, 1, &limit);
}

void NetworkSerialPort::write(const QByteArray &bytes)
{
    if (!m_io || m_lost)
        return;
    qsizetype sent = 0;
    while (sent < bytes.size() && !m_lost) {
        gensiods count = 0;
        const int err = gensio_write(m_io, &count, bytes.constData() + sent,
                                     gensiods(bytes.size() - sent), nullptr);
        if (err) {
            // What the server said before it closed may still wait to be read: its words are
            // why the port went.
            service(0);
            m_lost = true;
            if (m_lostReason.isEmpty())
                m_lostReason = wordsIn(m_tail);
            return;
        }
        sent += qsizetype(count);
        if (sent < bytes.size())
            service(1000); // the socket is full: let the library send what it holds
    }
}

QByteArray NetworkSerialPort::read()
{
    if (m_io && !m_lost)
        service(0);
    QByteArray out;
    out.swap(m_input);
    return out;
}

void NetworkSerialPort::waitForInputUs(int us)
{
    if (!m_io || m_lost) {
        QThread::usleep(ulong(qMax(us, 0)));
        return;
    }
    if (m_input.isEmpty())
        service(us);
}
