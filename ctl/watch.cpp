#include "ctl/watch.h"

#include "ctl/output.h"
#include "link/exchangerecorder.h"
#include "link/linkstate.h"
#include "link/protocol.h"
#include "platform/host.h"
#include "platform/serialport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QJsonDocument>
#include <QSaveFile>

namespace {

// Counts the exchanges that went without their reply while it watches.
struct TimeOuts : ExchangeObserver
{
    quint64 count = 0;
    void exchanged(const LinkExchange &e) override { count += e.timedOut; }
};

} // namespace

struct Watch::Line
{
    QString name;
    std::unique_ptr<SerialPort> port;
    std::unique_ptr<LinkState> link;
    QString refusal; // why it did not open, as last told
};

Watch::Watch(Host &host, const Options &options, RunToken &run, PortMaker makePort, Output &out)
    : m_host(host), m_out(out), m_options(options), m_run(run), m_makePort(std::move(makePort))
{
    // The last samples, at once: a scrape never waits for a poll (the polls run the event loop
    // every millisecond of their waits). Only GET and HEAD read them; another path is 404.
    m_http.route(QStringLiteral("/metrics"), [this](const QHttpServerRequest &request) {
        const auto method = request.method();
        if (method != QHttpServerRequest::Method::Get &&
            method != QHttpServerRequest::Method::Head) {
            QHttpServerResponse refused(QHttpServerResponder::StatusCode::MethodNotAllowed);
            refused.addHeader(QByteArrayLiteral("Allow"), QByteArrayLiteral("GET, HEAD"));
            return refused;
        }
        return QHttpServerResponse(QByteArrayLiteral("text/plain; version=0.0.4; charset=utf-8"),
                                   m_metrics);
    });
}

Watch::~Watch() = default;

Watch::Line &Watch::line(const QString &port)
{
    std::unique_ptr<Line> &l = m_lines[port];
    if (!l) {
        l = std::make_unique<Line>();
        l->name = port;
        l->port = m_makePort(port);
        l->link.reset(new LinkState{*l->port, m_host});
        l->link->Prt = qint16(port.toInt());
        l->link->Spd = m_options.speed;
    }
    return *l;
}

void Watch::add(const QString &port, quint8 address)
{
    line(port);
    m_receivers.append({port, address, {}, {}, {}});
}

bool Watch::listen(const QHostAddress &address, quint16 port, QString *why)
{
    if (m_http.listen(address, port) != 0)
        return true;
    *why = QStringLiteral("cannot listen on %1 port %2: the address is not this machine's, or the "
                          "port is in use")
               .arg(address.toString())
               .arg(port);
    return false;
}

bool Watch::ready(Line &l)
{
    if (l.port->isOpen() && l.port->isLost())
        l.port->close(); // opened again below: a server back after a restart is found again
    if (l.port->isOpen() || Protocol::OpenPort(*l.link)) {
        l.refusal.clear();
        return true;
    }
    const QString why = l.port->openError();
    if (why != l.refusal)
        m_out.progress(QStringLiteral("port %1 cannot be opened: %2")
                           .arg(l.name, why.isEmpty()
                                            ? QStringLiteral("the line settings were refused")
                                            : why));
    l.refusal = why;
    return false;
}

void Watch::round()
{
    for (WatchedReceiver &r : m_receivers) {
        if (!m_run.Run)
            return;
        Line &l = line(r.port);
        WatchedReceiver now{r.port, r.address, QDateTime::currentDateTimeUtc(), {}, r.counts};
        const quint64 startUs = m_host.elapsedUs();
        TimeOuts timeOuts; // of this receiver's exchanges, on a line it may share
        if (ready(l)) {
            const Watching watching(*l.link, &timeOuts);
            now.sample = SampleReceiver(*l.link, r.address);
        }
        ReceiverCounts &counts = now.counts;
        ++counts.polls;
        counts.pollsUnanswered += !now.sample.up;
        counts.exchangesTimedOut += timeOuts.count;
        if (now.sample.up)
            counts.lastAnswer = now.at;
        counts.pollSeconds = double(m_host.elapsedUs() - startUs) / 1e6;
        tell(r, now);
        r = now;
        publish();
    }
}

void Watch::tell(const WatchedReceiver &before, const WatchedReceiver &now)
{
    const QString line =
        m_options.json
            ? QString::fromUtf8(QJsonDocument(SampleJson(now)).toJson(QJsonDocument::Compact))
            : SampleLine(now);
    m_out.stream(line);
    const bool first = !before.at.isValid();
    if (before.sample.up && !now.sample.up)
        m_out.progress(QStringLiteral("the receiver at address %1 on port %2 stopped answering; "
                                      "it is asked again every %3 s")
                           .arg(now.address)
                           .arg(now.port)
                           .arg(m_options.intervalMs / 1000));
    else if (!first && !before.sample.up && now.sample.up)
        m_out.progress(QStringLiteral("the receiver at address %1 on port %2 answers again")
                           .arg(now.address)
                           .arg(now.port));
}

QString TextfileRefusal(const QString &path)
{
    const QFileInfo target(path);
    if (path.isEmpty() || !target.exists() || target.isFile())
        return QString();
    return QStringLiteral("--textfile %1 is no regular file: it would be replaced by one")
        .arg(path);
}

void Watch::publish()
{
    m_metrics = MetricsText(m_receivers, QCoreApplication::applicationVersion());
    if (m_options.textfile.isEmpty())
        return;
    // Written whole into a new file beside it, then renamed over it; only ever over a regular
    // file, which it may have become since the start.
    QString error = TextfileRefusal(m_options.textfile);
    if (error.isEmpty()) {
        QSaveFile file(m_options.textfile);
        if (!file.open(QIODevice::WriteOnly) || file.write(m_metrics) != m_metrics.size() ||
            !file.commit())
            error =
                QStringLiteral("%1 not written: %2").arg(m_options.textfile, file.errorString());
    }
    // Said once, and again when it changes; its return is said too.
    if (error != m_textfileError)
        m_out.progress(error.isEmpty() ? m_options.textfile + QStringLiteral(" written again")
                                       : error);
    m_textfileError = error;
}

int Watch::run()
{
    while (m_run.Run) {
        const quint64 next = m_host.elapsedUs() + quint64(m_options.intervalMs) * 1000;
        round();
        for (quint64 now = m_host.elapsedUs(); m_run.Run && now < next; now = m_host.elapsedUs())
            m_host.waitEvents(int(qMin<quint64>((next - now + 999) / 1000, 200)));
    }
    return 0;
}
