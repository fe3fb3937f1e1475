// kolvex7-ctl: the receiver from scripts, with the same driver, lists and saving as kolvex7.

#include "ctl/commands.h"
#include "ctl/commandtable.h"
#include "ctl/configure.h"
#include "ctl/options.h"
#include "ctl/output.h"
#include "ctl/signal.h"
#include "ctl/trace.h"
#include "ctl/watch.h"
#include "link/exchangerecorder.h"
#include "link/linkstate.h"
#include "link/protocol.h"
#include "link/scanall.h"
#include "platform/anyserialport.h"
#include "platform/programfolder.h"
#include "platform/qthost.h"
#include "platform/timerresolution.h"
#include "scan/position.h"
#include "scan/savescan.h"
#include "session/scanrun.h"
#include "session/settings.h"
#include "session/settingsstore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QHostAddress>
#include <QRegularExpression>

#include <climits>
#include <csignal>
#include <optional>
#include <tuple>

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

void requestStop(int signal)
{
    g_stopRequested = 1;
    std::signal(signal, SIG_DFL); // a second Ctrl+C (or SIGTERM) ends the program at once
}

// Ctrl+C, and SIGTERM as a service manager stops a service, stop the run under way after the
// exchange in flight: a tune or scan sets the receiver back, a watch ends (exit 0).
void stopOnSignals()
{
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
}

// The host of a program without windows; Ctrl+C stops the run under way at the next pass of
// the event loop, which every wait for the receiver makes, and a question about replacing a
// file is answered by --force.
class CtlHost : public QtHost
{
public:
    RunToken *run = nullptr;
    bool force = false;
    Output *out = nullptr;
    QString stopText = QStringLiteral("stopping after the exchange in flight");
    void doEvents() override
    {
        QtHost::doEvents();
        stopOnCtrlC();
    }
    void waitEvents(int ms) override
    {
        QtHost::waitEvents(ms);
        stopOnCtrlC();
    }
    void stopOnCtrlC()
    {
        if (!g_stopRequested || !run || run->stopped())
            return;
        run->stop();
        if (out)
            out->stopping(stopText);
    }
    Message::Answer message(const Message &m) override
    {
        const QString text = QString(m.text).replace(QLatin1String("\r\n"), QLatin1String(" "));
        if (m.buttons == Message::OkCancel) { // replacing a list file: --force said yes
            if (!force)
                std::fprintf(stderr, "kolvex7-ctl: %s (kept: give --force to replace it)\n",
                             Shown(text).constData());
            return force ? Message::AnsweredOk : Message::AnsweredCancel;
        }
        std::fprintf(stderr, "kolvex7-ctl: %s\n", Shown(text).constData());
        return Message::AnsweredOk;
    }
};

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

// Seconds as digits with an optional fraction (empty: 0), within [0, maxSeconds], in whole
// milliseconds; nothing for anything else.
std::optional<int> Milliseconds(const QString &text, int maxSeconds)
{
    static const QRegularExpression form(QStringLiteral("^[0-9]{1,7}(\\.[0-9]{1,3})?$"));
    if (text.isEmpty())
        return 0;
    if (!form.match(text).hasMatch() || text.toDouble() > maxSeconds)
        return std::nullopt;
    return int(text.toDouble() * 1000 + 0.5);
}

int badArguments(Output &out, const QString &text)
{
    out.error(text + QStringLiteral(" (see --help)"));
    return out.finish(Exit::BadArguments);
}

// The watch over the receivers given as PORT[@ADDRESS]; every argument checked first.
int RunWatch(const QStringList &receivers, qint64 address, qint64 speed, const QString &interval,
             const QString &listen, const QString &textfile, Output &out)
{
    Watch::Options options;
    const auto seconds = WholeNumber(interval, 1, 86400);
    if (!seconds)
        return badArguments(out, QStringLiteral("--interval takes whole seconds from 1 to 86400"));
    options.intervalMs = int(*seconds) * 1000;
    options.speed = qint32(speed);
    options.json = out.json();
    options.textfile = textfile;
    const QString notText = TextfileRefusal(textfile);
    if (!notText.isEmpty())
        return badArguments(out, notText);
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
            return badArguments(out, QStringLiteral("%1 is not PORT[@ADDRESS]: a port number "
                                                    "from 1 to %2 or a network address, and an "
                                                    "address from %3 to %4")
                                         .arg(r)
                                         .arg(Settings::Port.max)
                                         .arg(Settings::Address.min)
                                         .arg(Settings::Address.max));
        if (targets.contains({name, quint8(*adr)}))
            return badArguments(out, QStringLiteral("%1 names the receiver at %2@%3 again: give "
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
        return badArguments(out, QStringLiteral("--listen takes an IP address and a port, as "
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
    stopOnSignals();
    return watch.run();
}

// The link's values: the stored settings, as kolvex7 reads them, and what the command line
// puts in their stead. A stored value kolvex7 has no meaning for is refused, unless the line
// replaces it or the commands do not use it.
struct LinkValues
{
    CtlSettings settings;
    qint64 prt = 0, spd = 0, adr = 0;
    QString endpoint; // a network serial server's URL given as --port
};

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
        return badArguments(out, parser.errorText());
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
        return badArguments(out, command.isEmpty()
                                     ? QStringLiteral("no command given")
                                     : QStringLiteral("unknown command %1").arg(command));
    // An option a command does not take is refused, never ignored.
    for (const QCommandLineOption *option : options.commandsOwn()) {
        const QString name = option->names().first();
        if (parser.isSet(*option) && !entry->options.contains(name))
            return badArguments(
                out, QStringLiteral("--%1 does not go with %2 (only with %3)")
                         .arg(name, command, CommandsTaking(name).join(QStringLiteral(", "))));
    }
    const bool term = parser.isSet(terminal);
    if (term && command != QLatin1String("tune") && command != QLatin1String("scan"))
        return badArguments(out, QStringLiteral("--terminal goes with tune and scan only"));
    if (term && (parser.isSet(service) || parser.isSet(rates) || parser.isSet(save)))
        return badArguments(out, QStringLiteral("--terminal takes no --service, --rates or "
                                                "--save: the receiver's state cannot be read "
                                                "in terminal mode"));
    const int expected = term && command == QLatin1String("scan") ? 0 : entry->arguments;
    if (expected >= 0 && args.size() - 1 != expected)
        return badArguments(out,
                            QStringLiteral("%1 takes %2 argument(s)").arg(command).arg(expected));
    if (parser.isSet(from) &&
        (command != QLatin1String("codes") || ScanAll::Index(value(from).toLatin1()) < 0))
        return badArguments(out, QStringLiteral("--from goes with codes, and takes a code of "
                                                "four letters, upper case first, then lower "
                                                "case (AAAA to Zzzz)"));
    const QString programFolder = ProgramFolder(QCoreApplication::applicationDirPath());
    if (command == QLatin1String("lists"))
        return ListFiles(programFolder, out);
    if (command == QLatin1String("import"))
        return ImportPlanFile(args[1], value(position), parser.isSet(force), programFolder, out);
    if (command == QLatin1String("export"))
        return ExportPlanFile(args[1], value(format), programFolder, out);
    if (command == QLatin1String("config")) {
        // Before the stored values are judged: config is how a bad one is put right.
        SettingsStore store;
        auto given = [&](const QCommandLineOption &o) {
            return parser.isSet(o) ? std::optional<QString>(value(o)) : std::nullopt;
        };
        return Configure({given(port), given(speed), given(address), given(lnbType), given(input),
                          given(band), parser.isSet(test), parser.isSet(force)},
                         store, out, [] { return MakeSerialPort(); });
    }

    // The stored settings, and what the command line puts in their stead.
    SettingsStore store;
    const std::unique_ptr<AnySerialPort> serial = MakeSerialPort();
    QString refused;
    const std::optional<LinkValues> resolved =
        ResolveLink(parser, options, store, *serial, &refused);
    if (!resolved)
        return badArguments(out, refused);
    CtlSettings settings = resolved->settings;
    const auto &[prt, spd, adr, endpoint] =
        std::tie(resolved->prt, resolved->spd, resolved->adr, resolved->endpoint);

    // Every argument is checked before the port is touched.
    if (parser.isSet(rates) && value(rates).isEmpty())
        return badArguments(out, QStringLiteral("--rates is empty: give rates like 27500,22000"));
    const CtlRequest request{args.mid(1), [&](const QString &o) { return parser.isSet(o); },
                             [&](const QString &o) { return unhidden(parser.value(o)); },
                             programFolder};
    // A terminal-mode scan takes no position: nothing to check.
    const bool checked = entry->check && !(term && command == QLatin1String("scan"));
    const QString refusal = checked ? entry->check(request, settings) : QString();
    if (!refusal.isEmpty())
        return badArguments(out, refusal);
    // A port of 0 is none: with no --port, it is the settings that name none.
    const bool storedPortUsed = command != QLatin1String("watch") || args.size() == 1;
    if (prt == 0 && endpoint.isEmpty() && storedPortUsed) {
        out.error(QStringLiteral("no port is configured (Port in %1 is %2): give --port, or "
                                 "configure kolvex7")
                      .arg(store.location(), store.read(QLatin1String(Settings::Port.name)).state ==
                                                     Registry::StoredNumber::Missing
                                                 ? QStringLiteral("not set")
                                                 : QStringLiteral("0")));
        return out.finish(Exit::PortUnavailable);
    }
    if (command == QLatin1String("watch")) {
        const QString given = endpoint.isEmpty() ? QString::number(prt) : endpoint;
        return RunWatch(args.mid(1).isEmpty() ? QStringList{given} : args.mid(1), adr, spd,
                        parser.isSet(interval) ? value(interval) : QStringLiteral("10"),
                        value(listen), value(textfile), out);
    }
    SignalOptions signal;
    if (command == QLatin1String("signal")) {
        const auto ms = Milliseconds(value(interval), 3600);
        if (!ms)
            return badArguments(out, QStringLiteral("--interval takes seconds from 0 to 3600, "
                                                    "as 0.5"));
        signal = {*ms, parser.isSet(tone)};
    }
    if (command == QLatin1String("scan") && parser.isSet(save) && !parser.isSet(force)) {
        bool completed = false;
        const QString list = SavedListPath(programFolder, NormalisePosition(args[1], &completed));
        if (QFileInfo::exists(list)) {
            out.error(QStringLiteral("%1 exists: give --force to replace it").arg(list));
            return out.finish(Exit::NotSaved);
        }
    }

    CtlHost host;
    host.force = parser.isSet(force);
    LinkState link{*serial, host};
    link.Prt = qint16(prt);
    serial->setPortNumber(link.Prt);
    settings.portName = serial->name();
    link.Spd = qint32(spd);
    TraceObserver tracer;
    const Watching traced(link, parser.isSet(trace) ? &tracer : nullptr);
    if (!Protocol::OpenPort(link)) {
        const QString why = serial->openError();
        out.error(QStringLiteral("port %1 cannot be opened: %2")
                      .arg(settings.portName)
                      .arg(why.isEmpty() ? QStringLiteral("the line settings were refused") : why));
        return out.finish(Exit::PortUnavailable);
    }
    stopOnSignals();

    host.run = &link.run;
    host.out = &out;
    if ((command == QLatin1String("tune") || command == QLatin1String("scan")) && !term)
        host.stopText = QStringLiteral("stopping: setting the receiver back");
    Commands commands(link, settings, out);
    if (term)
        return command == QLatin1String("tune") ? commands.terminalTune(args[1], args[2], args[3])
                                                : commands.terminalScan();
    if (command == QLatin1String("signal"))
        return RunSignal(link, settings.address, signal, out);
    return entry->run(commands, request);
}
