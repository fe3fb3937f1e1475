#include "ctl/metrics.h"

#include <functional>
#include <optional>

namespace {

struct Family
{
    const char *name;
    const char *type;
    const char *help;
    std::function<std::optional<double>(const WatchedReceiver &)> value;
};

// A label's value as the text format writes it: a backslash, a double quote and a line break
// escaped (a port is a number or a checked URL, which holds none of them; a label never breaks
// the page all the same).
QByteArray LabelValue(const QString &text)
{
    QByteArray out;
    for (const char c : text.toUtf8()) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c == '\n' ? QByteArray("\\n") : QByteArray(1, c);
    }
    return out;
}

QByteArray Labels(const WatchedReceiver &r)
{
    return "port=\"" + LabelValue(r.port) + "\",address=\"" + QByteArray::number(r.address) + '"';
}

QByteArray Head(const char *name, const char *type, const char *help)
{
    return QByteArray("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
}

} // namespace

QByteArray MetricsText(const QList<WatchedReceiver> &receivers, const QString &version)
{
    using Value = std::optional<double>;
    const auto answered = [](auto f) {
        return [f](const WatchedReceiver &r) { return r.sample.up ? Value(f(r.sample)) : Value(); };
    };
    const Family families[] = {
        {"kolvex7_up", "gauge", "Whether the receiver answered the last poll (1) or not (0).",
         [](const WatchedReceiver &r) { return Value(r.sample.up ? 1 : 0); }},
        {"kolvex7_locked", "gauge", "Whether the receiver is locked on its transponder.",
         answered([](const ReceiverSample &s) { return Value(s.signal.locked); })},
        {"kolvex7_level_dbm", "gauge", "Signal level at the tuned frequency, in dBm.",
         answered([](const ReceiverSample &s) { return s.signal.levelDbm; })},
        {"kolvex7_margin_db", "gauge", "Link margin of the locked transponder, in dB.",
         answered([](const ReceiverSample &s) { return s.signal.marginDb; })},
        {"kolvex7_signal_quality", "gauge",
         "The demodulator's signal quality figure (1 to 99) of the locked transponder.",
         answered([](const ReceiverSample &s) {
             return s.signal.quality ? Value(*s.signal.quality) : Value();
         })},
        {"kolvex7_frequency_hertz", "gauge", "Tuned frequency, in hertz.",
         answered([](const ReceiverSample &s) { return Value(double(s.frequencyKHz) * 1000.0); })},
        {"kolvex7_symbol_rate_baud", "gauge", "Tuned symbol rate, in baud (symbols per second).",
         answered([](const ReceiverSample &s) { return Value(double(s.symbolRate) * 1000.0); })},
        {"kolvex7_polls_total", "counter", "Polls of the receiver made.",
         [](const WatchedReceiver &r) { return Value(double(r.counts.polls)); }},
        {"kolvex7_polls_unanswered_total", "counter",
         "Polls the receiver did not answer (it was down).",
         [](const WatchedReceiver &r) { return Value(double(r.counts.pollsUnanswered)); }},
        {"kolvex7_exchanges_timed_out_total", "counter",
         "Questions of polls left unanswered, each asked again once.",
         [](const WatchedReceiver &r) { return Value(double(r.counts.exchangesTimedOut)); }},
        {"kolvex7_last_answer_timestamp_seconds", "gauge",
         "When the receiver last answered a poll, in seconds since the epoch.",
         [](const WatchedReceiver &r) {
             return r.counts.lastAnswer.isValid()
                        ? Value(double(r.counts.lastAnswer.toMSecsSinceEpoch()) / 1000.0)
                        : Value();
         }},
        {"kolvex7_poll_duration_seconds", "gauge", "How long the last poll took, in seconds.",
         [](const WatchedReceiver &r) {
             return r.counts.polls ? Value(r.counts.pollSeconds) : Value();
         }},
    };
    QByteArray out = Head("kolvex7_build_info", "gauge", "The watch's version, as a label.") +
                     "kolvex7_build_info{version=\"" + LabelValue(version) + "\"} 1\n";
    for (const Family &f : families) {
        out += Head(f.name, f.type, f.help);
        for (const WatchedReceiver &r : receivers) {
            if (const Value v = f.value(r))
                out += QByteArray(f.name) + '{' + Labels(r) + "} " +
                       QByteArray::number(*v, 'g', 15) + '\n';
        }
    }
    // The tuning's texts, as labels of a constant series.
    out += Head("kolvex7_tuning_info", "gauge",
                "The polarisation and service number the receiver is tuned to, as labels.");
    for (const WatchedReceiver &r : receivers)
        if (r.sample.up)
            out += "kolvex7_tuning_info{" + Labels(r) + ",polarisation=\"" +
                   LabelValue(r.sample.polarisation) + "\",service=\"" +
                   QByteArray::number(r.sample.service) + "\"} 1\n";
    return out;
}

QString SampleLine(const WatchedReceiver &r)
{
    const QString who = QStringLiteral("%1 port %2 address %3: ")
                            .arg(r.at.toString(Qt::ISODate), r.port)
                            .arg(r.address);
    const ReceiverSample &s = r.sample;
    if (!s.up)
        return who + QStringLiteral("no answer");
    return who + QStringLiteral("%1, level %2, margin %3, %4 kHz %5 %6 kS/s, service %7")
                     .arg(s.signal.locked ? QStringLiteral("locked") : QStringLiteral("no lock"),
                          FigureText(s.signal.levelDbm, 2, "dBm"),
                          FigureText(s.signal.marginDb, 1, "dB"))
                     .arg(s.frequencyKHz)
                     .arg(s.polarisation)
                     .arg(s.symbolRate)
                     .arg(s.service);
}

void InsertSignal(QJsonObject &o, const SignalReading &s)
{
    const auto figure = [](const auto &v) { return v ? QJsonValue(*v) : QJsonValue(); };
    o.insert(QStringLiteral("locked"), s.locked);
    o.insert(QStringLiteral("level_dbm"), figure(s.levelDbm));
    o.insert(QStringLiteral("margin_db"), figure(s.marginDb));
    o.insert(QStringLiteral("quality"), figure(s.quality));
}

QJsonObject SampleJson(const WatchedReceiver &r)
{
    const ReceiverSample &s = r.sample;
    QJsonObject o{{QStringLiteral("time"), r.at.toString(Qt::ISODate)},
                  {QStringLiteral("port"), r.port},
                  {QStringLiteral("address"), r.address},
                  {QStringLiteral("up"), s.up}};
    if (!s.up)
        return o;
    InsertSignal(o, s.signal);
    o.insert(QStringLiteral("frequency"), s.frequencyKHz);
    o.insert(QStringLiteral("polarisation"), s.polarisation);
    o.insert(QStringLiteral("symbol_rate"), s.symbolRate);
    o.insert(QStringLiteral("service"), s.service);
    return o;
}
