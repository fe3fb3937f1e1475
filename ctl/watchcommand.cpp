#include "ctl/watchcommand.h"

#include "ctl/commands.h"
#include "ctl/ctlhost.h"
#include "ctl/output.h"
#include "ctl/watch.h"
#include "link/linkstate.h"
#include "platform/anyserialport.h"
#include "platform/networkendpoint.h"
#include "session/settings.h"

#include <QHostAddress>

int WatchReceivers(const QStringList &receivers, qint64 address, qint64 speed,
                   const QString &interval, const QString &listen, const QString &textfile,
                   Output &out)
{
    Watch::Options options;
    const auto seconds = WholeNumber(interval, 1, 86400);
    if (!seconds)
        return BadArguments(out, QStringLiteral("--interval takes whole seconds from 1 to 86400"));
    options.intervalMs = int(*seconds) * 1000;
    options.speed = qint32(speed);
    options.json = out.json();
    options.textfile = textfile;
    const QString notText = TextfileRefusal(textfile);
    if (!notText.isEmpty())
        return BadArguments(out, notText);
    QList<std::pair<QString, quint8>> targets;
    for (const QString &r : receivers) {
        const qsizetype at = r.lastIndexOf(QLatin1Char('@'));
        const QString port = at < 0 ? r : r.left(at);
        const auto adr =
            at < 0 ? std::optional<qint64>(address)
                   : WholeNumber(r.mid(at + 1), Settings::Address.min, Settings::Address.max);
        // Each port by one name (091 is 91, a server's URL as it is written back), so a line is
        // opened once and a receiver told once.
        QString why, name;
        if (LooksLikeEndpoint(port)) {
            if (const auto endpoint = ParseEndpoint(port, &why))
                name = endpoint->url();
        } else if (const auto number = WholeNumber(port, 1, Settings::Port.max)) {
            name = QString::number(*number);
        }
        if (name.isEmpty() || !adr)
            return BadArguments(out, QStringLiteral("%1 is not PORT[@ADDRESS]: a port number "
                                                    "from 1 to %2 or a network address, and an "
                                                    "address from %3 to %4")
                                         .arg(r)
                                         .arg(Settings::Port.max)
                                         .arg(Settings::Address.min)
                                         .arg(Settings::Address.max));
        if (targets.contains({name, quint8(*adr)}))
            return BadArguments(out, QStringLiteral("%1 names the receiver at %2@%3 again: give "
                                                    "each receiver once")
                                         .arg(r, name)
                                         .arg(*adr));
        targets.append({name, quint8(*adr)});
    }
    const qsizetype colon = listen.lastIndexOf(QLatin1Char(':'));
    QString listenHost = listen.left(colon);
    if (listenHost.startsWith(QLatin1Char('[')) && listenHost.endsWith(QLatin1Char(']')))
        listenHost = listenHost.mid(1, listenHost.size() - 2);
    const QHostAddress listenAddress(listenHost);
    const auto listenPort = WholeNumber(listen.mid(colon + 1), 1, 65535);
    if (!listen.isEmpty() && (colon < 0 || !listenPort || listenAddress.isNull()))
        return BadArguments(out, QStringLiteral("--listen takes an IP address and a port, as "
                                                "127.0.0.1:9917"));
    CtlHost host;
    RunToken run;
    run.start();
    host.run = &run;
    Watch watch(
        host, options, run,
        [](const QString &port) {
            std::unique_ptr<AnySerialPort> serial = MakeSerialPort();
            QString why;
            if (LooksLikeEndpoint(port))
                serial->setEndpoint(port, &why);
            return serial;
        },
        out);
    for (const auto &[port, adr] : targets)
        watch.add(port, adr);
    QString why;
    if (!listen.isEmpty() && !watch.listen(listenAddress, quint16(*listenPort), &why)) {
        out.error(why);
        return out.finish(Exit::Failed);
    }
    StopOnSignals();
    return watch.run();
}
