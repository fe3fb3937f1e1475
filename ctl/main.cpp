// kolvex7-ctl: the receiver from scripts, with the same driver, lists and saving as kolvex7.

#include "ctl/commands.h"
#include "ctl/commandtable.h"
#include "ctl/ctlhost.h"
#include "ctl/options.h"
#include "ctl/output.h"
#include "ctl/trace.h"
#include "link/exchangerecorder.h"
#include "link/linkstate.h"
#include "link/protocol.h"
#include "platform/anyserialport.h"
#include "platform/programfolder.h"
#include "platform/qthost.h"
#include "platform/timerresolution.h"
#include "session/settings.h"
#include "session/settingsstore.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <optional>
#include <tuple>

namespace {

// The help's text around the commands, whose lines come from their table.
const char *kDescriptionHead = R"(Drives a KOLVEX7 receiver from the command line.

Commands:
)";
const char *kDescriptionTail = R"(
For a receiver in terminal mode, with --terminal:
  tune FREQ POL RATE           set LNB type, polarisation, rate and frequency (the lock cannot
                               be read in this mode)
  scan                         the receiver's own band scan of V and H: where it locked

Port, speed, address, LNB type and band come from KOLVEX7.ini, as kolvex7 stores them, unless
given here. Ctrl+C stops a scan; the receiver is set back and what was found is listed.

Exit status:
  0 success   1 other failure (a stopped scan)   2 bad arguments or a band refusal
  3 port unavailable   4 time-out   5 refused setting or code   6 no lock
  7 a bad list file   8 scan not saved)";

// The mark a negative number carries past the parser.
const QString kNegative = QStringLiteral("\x01");

QString unhidden(QString text)
{
    return text.startsWith(kNegative) ? text.mid(1) : text;
}

// The values, or the refusal of the first bad one in *refusal.
std::optional<LinkValues> ResolveLink(const QCommandLineParser &parser, const CtlOptions &options,
                                      SettingsStore &store, AnySerialPort &serial, QString *refusal)
{
    const auto &[port, speed, address, band] =
        std::tie(options.port, options.speed, options.address, options.band);
    const auto value = [&](const QCommandLineOption &o) { return unhidden(parser.value(o)); };
    QList<SettingOutside> outside;
    const StoredSettings stored = ReadSettings(store, &outside);
    const QHash<const Setting *, const QCommandLineOption *> replacedBy{
        {&Settings::Port, &port},
        {&Settings::Speed, &speed},
        {&Settings::Address, &address},
        {&Settings::LNBType, nullptr},
        {&Settings::Band, &band}};
    for (const SettingOutside &o : outside) {
        const auto used = replacedBy.constFind(o.setting);
        if (used == replacedBy.cend() || (*used && parser.isSet(**used)))
            continue;
        *refusal = StoredSettingRefusal(o, store.location());
        return std::nullopt;
    }
    LinkValues v;
    v.prt = stored.Prt;
    v.spd = stored.Spd;
    v.adr = stored.Adr;
    qint64 bnd = stored.Bnd;
    v.endpoint = LooksLikeEndpoint(value(port)) ? value(port) : QString();
    QString why;
    if (!serial.setEndpoint(v.endpoint, &why)) {
        *refusal = QStringLiteral("--port: ") + why;
        return std::nullopt;
    }
    // A port is named by a number from 1: 0 stands for none.
    for (const auto &[option, given, min, max] :
         {std::tuple{&port, &v.prt, qint64(1), Settings::Port.max},
          {&speed, &v.spd, Settings::Speed.min, Settings::Speed.max},
          {&address, &v.adr, Settings::Address.min, Settings::Address.max}}) {
        if (!parser.isSet(*option) || (option == &port && !v.endpoint.isEmpty()))
            continue;
        const auto number = WholeNumber(value(*option), min, max);
        if (!number) {
            *refusal = QStringLiteral("--%1 takes a whole number from %2 to %3")
                           .arg(option->names().first())
                           .arg(min)
                           .arg(max);
            return std::nullopt;
        }
        *given = *number;
    }
    if (parser.isSet(band)) {
        const QString b = value(band).toUpper();
        if (b != QLatin1String("L") && b != QLatin1String("KU")) {
            *refusal = QStringLiteral("--band takes L or Ku");
            return std::nullopt;
        }
        bnd = b == QLatin1String("L") ? 0 : 1;
    }
    v.settings.address = quint8(v.adr);
    v.settings.lnbType = quint8(stored.LNB);
    v.settings.band = quint8(bnd);
    v.settings.bandGiven = parser.isSet(band);
    return v;
}

} // namespace

int main(int argc, char **argv)
{
#ifdef SIGPIPE
    // A server that closes the connection makes a write fail with EPIPE, which the port reports
    // as lost; the signal would end the program without a word.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    QCoreApplication app(argc, argv);
    const FineTimerResolution timers;
    QCoreApplication::setApplicationName(QStringLiteral("kolvex7-ctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KOLVEX7_VERSION_TEXT));
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescriptionHead) + CommandsHelp() +
                                     QString::fromLatin1(kDescriptionTail));
    parser.addHelpOption();
    parser.addVersionOption();
    const CtlOptions options;
    options.addTo(parser);
    const auto &[port, speed, address, json, trace, service, rates, band, save, guided, force,
                 format, position, interval, tone, listen, textfile, from, lnbType, input, test,
                 terminal] = options;
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("See above."));

    // A negative number is a value, not an option: it is hidden from the parser.
    QStringList words = QCoreApplication::arguments();
    for (qsizetype i = 1; i < words.size(); ++i) {
        if (words[i].size() > 1 && words[i][0] == QLatin1Char('-') && words[i][1].isDigit())
            words[i].prepend(kNegative);
    }
    auto value = [&](const QCommandLineOption &o) { return unhidden(parser.value(o)); };
    Output out(words.contains(QStringLiteral("--json")));
    if (!parser.parse(words))
        return BadArguments(out, parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(Exit::Ok);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    QStringList args = parser.positionalArguments();
    for (QString &a : args)
        a = unhidden(a);
    const QString command = args.value(0);
    const CtlCommand *const entry = FindCtlCommand(command);
    if (!entry)
        return BadArguments(out, command.isEmpty()
                                     ? QStringLiteral("no command given")
                                     : QStringLiteral("unknown command %1").arg(command));
    // An option a command does not take is refused, never ignored.
    for (const QCommandLineOption *option : options.commandsOwn()) {
        const QString name = option->names().first();
        if (parser.isSet(*option) && !entry->options.contains(name))
            return BadArguments(
                out, QStringLiteral("--%1 does not go with %2 (only with %3)")
                         .arg(name, command, CommandsTaking(name).join(QStringLiteral(", "))));
    }
    const bool term = parser.isSet(terminal);
    if (term && !entry->terminal)
        return BadArguments(out, QStringLiteral("--terminal goes with %1 only")
                                     .arg(TerminalCommands().join(QStringLiteral(" and "))));
    if (term && (parser.isSet(service) || parser.isSet(rates) || parser.isSet(save)))
        return BadArguments(out, QStringLiteral("--terminal takes no --service, --rates or "
                                                "--save: the receiver's state cannot be read "
                                                "in terminal mode"));
    const int expected = term ? entry->terminalArguments : entry->arguments;
    if (expected >= 0 && args.size() - 1 != expected)
        return BadArguments(out,
                            QStringLiteral("%1 takes %2 argument(s)").arg(command).arg(expected));
    CtlRequest request{args.mid(1), [&](const QString &o) { return parser.isSet(o); },
                       [&](const QString &o) { return unhidden(parser.value(o)); },
                       ProgramFolder(QCoreApplication::applicationDirPath())};
    if (entry->offline)
        return entry->offline(request, out);

    // The stored settings, and what the command line puts in their stead.
    SettingsStore store;
    const std::unique_ptr<AnySerialPort> serial = MakeSerialPort();
    QString refused;
    const std::optional<LinkValues> resolved =
        ResolveLink(parser, options, store, *serial, &refused);
    if (!resolved)
        return BadArguments(out, refused);
    request.link = &*resolved;
    CtlSettings settings = resolved->settings;

    // Every argument is checked before the port is touched.
    const CtlRefusal refusal = CheckRequest(*entry, request, settings);
    if (refusal.exit == Exit::BadArguments && refusal.refuses())
        return Refuse(out, refusal);
    // A port of 0 is none: with no --port, it is the settings that name none.
    const bool storedPortUsed = !entry->ownPorts || request.args.isEmpty();
    if (resolved->prt == 0 && resolved->endpoint.isEmpty() && storedPortUsed) {
        out.error(QStringLiteral("no port is configured (Port in %1 is %2): give --port, or "
                                 "configure kolvex7")
                      .arg(store.location(), store.read(QLatin1String(Settings::Port.name)).state ==
                                                     Registry::StoredNumber::Missing
                                                 ? QStringLiteral("not set")
                                                 : QStringLiteral("0")));
        return out.finish(Exit::PortUnavailable);
    }
    if (entry->ownPorts)
        return entry->ownPorts(request, out);
    if (refusal.refuses()) // a file it would replace
        return Refuse(out, refusal);

    CtlHost host;
    host.force = parser.isSet(force);
    LinkState link{*serial, host};
    link.Prt = qint16(resolved->prt);
    serial->setPortNumber(link.Prt);
    settings.portName = serial->name();
    link.Spd = qint32(resolved->spd);
    TraceObserver tracer;
    const Watching traced(link, parser.isSet(trace) ? &tracer : nullptr);
    if (!Protocol::OpenPort(link)) {
        const QString why = serial->openError();
        out.error(QStringLiteral("port %1 cannot be opened: %2")
                      .arg(settings.portName)
                      .arg(why.isEmpty() ? QStringLiteral("the line settings were refused") : why));
        return out.finish(Exit::PortUnavailable);
    }
    StopOnSignals();

    host.run = &link.run;
    host.out = &out;
    if (entry->setsBack && !term)
        host.stopText = QStringLiteral("stopping: setting the receiver back");
    Commands commands(link, settings, out);
    return RunOnLink(*entry, commands, request);
}
