#include "ctl/metrics.h"

#include <functional>
#include <optional>

namespace {

struct Family
{
    const char *name;
    const char *help;
    std::function<std::optional<double>(const ReceiverSample &)> value;
};

} // namespace

QByteArray MetricsText(const QList<WatchedReceiver> &receivers)
{
    // The port labels need no escaping: a port is a number or a checked tcp:// or rfc2217://
    // address, neither of which can hold a backslash, a double quote or a line break.
    const auto answered = [](auto f) {
        return [f](const ReceiverSample &s) { return s.up ? f(s) : std::optional<double>(); };
    };
    const Family families[] = {
        {"kolvex7_up", "Whether the receiver answered the last poll (1) or not (0).",
         [](const ReceiverSample &s) { return std::optional<double>(s.up ? 1 : 0); }},
        {"kolvex7_locked", "Whether the receiver is locked on its transponder.",
         answered([](const ReceiverSample &s) { return std::optional<double>(s.locked); })},
        {"kolvex7_level_dbm", "Signal level at the tuned frequency, in dBm.",
         answered([](const ReceiverSample &s) { return s.levelDbm; })},
        {"kolvex7_margin_db", "Link margin of the locked transponder, in dB.",
         answered([](const ReceiverSample &s) { return s.marginDb; })},
        {"kolvex7_frequency_khz", "Tuned frequency, in kHz.",
         answered([](const ReceiverSample &s) { return std::optional<double>(s.frequencyKHz); })},
        {"kolvex7_symbol_rate_ksps", "Tuned symbol rate, in kS/s.",
         answered([](const ReceiverSample &s) { return std::optional<double>(s.symbolRate); })},
        {"kolvex7_service", "Selected service number.",
         answered([](const ReceiverSample &s) { return std::optional<double>(s.service); })},
    };
    QByteArray out;
    for (const Family &f : families) {
        out += QByteArray("# HELP ") + f.name + ' ' + f.help + "\n# TYPE " + f.name + " gauge\n";
        for (const WatchedReceiver &r : receivers) {
            const std::optional<double> v = f.value(r.sample);
            if (v)
                out += QByteArray(f.name) + "{port=\"" + r.port.toUtf8() + "\",address=\"" +
                       QByteArray::number(r.address) + "\"} " + QByteArray::number(*v, 'g', 12) +
                       '\n';
        }
    }
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
    const auto dB = [](const std::optional<double> &v, int decimals, const char *unit) {
        return v ? QString::number(*v, 'f', decimals) + QLatin1Char(' ') + QLatin1String(unit)
                 : QStringLiteral("none");
    };
    return who + QStringLiteral("%1, level %2, margin %3, %4 kHz %5 %6 kS/s, service %7")
                     .arg(s.locked ? QStringLiteral("locked") : QStringLiteral("no lock"),
                          dB(s.levelDbm, 2, "dBm"), dB(s.marginDb, 1, "dB"))
                     .arg(s.frequencyKHz)
                     .arg(s.polarisation)
                     .arg(s.symbolRate)
                     .arg(s.service);
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
    o.insert(QStringLiteral("locked"), s.locked);
    o.insert(QStringLiteral("level_dbm"), s.levelDbm ? QJsonValue(*s.levelDbm) : QJsonValue());
    o.insert(QStringLiteral("margin_db"), s.marginDb ? QJsonValue(*s.marginDb) : QJsonValue());
    o.insert(QStringLiteral("frequency_khz"), s.frequencyKHz);
    o.insert(QStringLiteral("polarisation"), s.polarisation);
    o.insert(QStringLiteral("symbol_rate"), s.symbolRate);
    o.insert(QStringLiteral("service"), s.service);
    return o;
}
