#pragma once

#include "ctl/metrics.h"

#include <QHttpServer>

#include <functional>
#include <map>
#include <memory>

class Host;
class Output;
class RunToken;
class SerialPort;
class LinkState;

// kolvex7-ctl watch: polls receivers by queries only, every interval, and tells each sample as
// a line (or a JSON line), as Prometheus metrics over HTTP and as a metrics file. Receivers on
// one port share its line and are asked in turn. A receiver that stops answering, or a port
// that cannot be opened or is lost, is reported once and polled again at the next interval;
// nothing but `run` stopped (Ctrl+C) ends the watch.
// Why the watch would not write its metrics to the path: anything but a regular file, or
// nothing yet, is refused (a device, a FIFO or a folder is never replaced by a file); empty when
// it may.
QString TextfileRefusal(const QString &path);

class Watch
{
public:
    struct Options
    {
        int intervalMs = 10000;
        qint32 speed = 115200;
        bool json = false;
        QString textfile; // written whole after every round, by an atomic rename
    };
    // The serial port for a port's name (its number, or a network address).
    using PortMaker = std::function<std::unique_ptr<SerialPort>(const QString &port)>;

    // Samples stream on `out`, what happens to the receivers and ports as its progress.
    Watch(Host &host, const Options &options, RunToken &run, PortMaker makePort, Output &out);
    ~Watch();

    void add(const QString &port, quint8 address);
    // Serves /metrics there; false with the reason in *why.
    bool listen(const QHostAddress &address, quint16 port, QString *why);
    // Rounds until `run` is stopped; the exit status (0).
    int run();
    // One round: every receiver sampled once, the results told.
    void round();

    const QList<WatchedReceiver> &receivers() const { return m_receivers; }

private:
    struct Line;
    Line &line(const QString &port);
    // The port open, or false after saying why (once, until it opens again).
    bool ready(Line &line);
    void tell(const WatchedReceiver &before, const WatchedReceiver &now);
    void publish();

    Host &m_host;
    Output &m_out;
    Options m_options;
    RunToken &m_run;
    PortMaker m_makePort;
    std::map<QString, std::unique_ptr<Line>> m_lines;
    QList<WatchedReceiver> m_receivers;
    QByteArray m_metrics;
    QString m_textfileError; // the last reason the text file was not written, said once
    QHttpServer m_http;
};
