// The commands of kolvex7-ctl, once.

#include "ctl/commandtable.h"

#include "ctl/commands.h"
#include "ctl/configure.h"
#include "ctl/output.h"
#include "ctl/signal.h"
#include "ctl/watchcommand.h"
#include "link/scanall.h"
#include "platform/anyserialport.h"
#include "scan/savescan.h"
#include "session/settingsstore.h"

#include <QFileInfo>

namespace {

// A scan that would save over a list file refuses before the receiver is asked, unless forced.
CtlRefusal scanRefusal(CtlRequest &r)
{
    if (r.isSet(QStringLiteral("terminal")))
        return {}; // the receiver's own scan: no position
    if (r.isSet(QStringLiteral("rates")) && r.value(QStringLiteral("rates")).isEmpty())
        return QStringLiteral("--rates is empty: give rates like 27500,22000");
    const QString bad = ScanRefusal(r.args[0], r.value(QStringLiteral("rates")), &r.read.scan);
    if (!bad.isEmpty())
        return bad;
    if (!r.isSet(QStringLiteral("save")) || r.isSet(QStringLiteral("force")))
        return {};
    const QString list = SavedListPath(r.programFolder, r.read.scan.position);
    if (!QFileInfo::exists(list))
        return {};
    return {QStringLiteral("%1 exists: give --force to replace it").arg(list), Exit::NotSaved};
}

int configCommand(const CtlRequest &r, Output &out)
{
    // Before the stored values are judged: config is how a bad one is put right.
    SettingsStore store;
    auto given = [&](const char *option) {
        const QString name = QLatin1String(option);
        return r.isSet(name) ? std::optional<QString>(r.value(name)) : std::nullopt;
    };
    return Configure({given("port"), given("speed"), given("address"), given("lnb-type"),
                      given("input"), given("band"), r.isSet(QStringLiteral("test")),
                      r.isSet(QStringLiteral("force"))},
                     store, out, [] { return MakeSerialPort(); });
}

int watchCommand(const CtlRequest &r, Output &out)
{
    // Without receivers, the stored (or given) port and address.
    const LinkValues &l = *r.link;
    const QString given = l.endpoint.isEmpty() ? QString::number(l.prt) : l.endpoint;
    return WatchReceivers(r.args.isEmpty() ? QStringList{given} : r.args, l.adr, l.spd,
                          r.isSet(QStringLiteral("interval")) ? r.value(QStringLiteral("interval"))
                                                              : QStringLiteral("10"),
                          r.value(QStringLiteral("listen")), r.value(QStringLiteral("textfile")),
                          out);
}

// signal's --interval: seconds from 0 to 3600, with a fraction.
CtlRefusal signalRefusal(CtlRequest &r)
{
    const std::optional<int> ms = Milliseconds(r.value(QStringLiteral("interval")), 3600);
    if (!ms)
        return QStringLiteral("--interval takes seconds from 0 to 3600, as 0.5");
    r.read.intervalMs = *ms;
    return {};
}

// codes' --from: a code of the sweep.
CtlRefusal fromRefusal(CtlRequest &r)
{
    const bool given = r.isSet(QStringLiteral("from"));
    r.read.firstCode = given ? ScanAll::Index(r.value(QStringLiteral("from")).toLatin1()) : 0;
    if (r.read.firstCode >= 0)
        return {};
    return QStringLiteral("--from goes with codes, and takes a code of four letters, upper case "
                          "first, then lower case (AAAA to Zzzz)");
}

// service's N: 0 to 255.
CtlRefusal serviceRefusal(CtlRequest &r)
{
    const std::optional<qint64> n = WholeNumber(r.args[0], 0, 255);
    if (!n)
        return ServiceRefusal(r.args[0]);
    r.read.service = quint8(*n);
    return {};
}

} // namespace

const QList<CtlCommand> &CtlCommands()
{
    static const QList<CtlCommand> commands{
        {QStringLiteral("status"),
         0,
         {},
         QStringLiteral("the receiver's mode, tuning, LNB, service and lock (queries only)"),
         {},
         [](Commands &c, const CtlRequest &) { return c.status(); }},
        {QStringLiteral("tune FREQ POL RATE"),
         3,
         {QStringLiteral("service"), QStringLiteral("band")},
         QStringLiteral("tune as a pick in kolvex7 does (kHz, H or V, kS/s), then list the\n"
                        "services; --service N selects service N afterwards"),
         [](CtlRequest &r, const CtlSettings &s) {
             return TuneRefusal(r.args[0], r.args[1], r.args[2], r.value(QStringLiteral("service")),
                                s, &r.read.tuning);
         },
         [](Commands &c, const CtlRequest &r) { return c.tune(r.read.tuning); },
         {},
         {},
         [](Commands &c, const CtlRequest &r) { return c.terminalTune(r.read.tuning.transponder); },
         3,
         true},
        {QStringLiteral("services"),
         0,
         {},
         QStringLiteral("the services of the tuned transponder"),
         {},
         [](Commands &c, const CtlRequest &) { return c.services(); }},
        {QStringLiteral("service N"),
         1,
         {},
         QStringLiteral("select service N (0 to 255) and show its name"),
         [](CtlRequest &r, const CtlSettings &) { return serviceRefusal(r); },
         [](Commands &c, const CtlRequest &r) { return c.service(r.read.service); }},
        {QStringLiteral("query CODE"),
         1,
         {},
         QStringLiteral("one query of a command code; prints the reply"),
         [](CtlRequest &r, const CtlSettings &) {
             return CodeRefusal(r.args[0], QStringLiteral("?"));
         },
         [](Commands &c, const CtlRequest &r) { return c.query(r.args[0]); }},
        {QStringLiteral("catalogue"),
         0,
         {},
         QStringLiteral("every code the receiver is known to have (88), queried in turn,\n"
                        "with its reply"),
         {},
         [](Commands &c, const CtlRequest &) { return c.catalogue(); }},
        {QStringLiteral("codes"),
         0,
         {QStringLiteral("from")},
         QStringLiteral("every four-letter code (1.8 million; hours) queried in turn: the\n"
                        "codes the receiver knows, with their replies; --from CODE goes\n"
                        "on where a stopped sweep left off"),
         [](CtlRequest &r, const CtlSettings &) { return fromRefusal(r); },
         [](Commands &c, const CtlRequest &r) { return c.codes(r.read.firstCode); }},
        {QStringLiteral("set CODE VALUE"),
         2,
         {},
         QStringLiteral("one set of a command code; prints the reply"),
         [](CtlRequest &r, const CtlSettings &) { return CodeRefusal(r.args[0], r.args[1]); },
         [](Commands &c, const CtlRequest &r) { return c.set(r.args[0], r.args[1]); }},
        {QStringLiteral("scan POSITION"),
         1,
         {QStringLiteral("rates"), QStringLiteral("band"), QStringLiteral("save"),
          QStringLiteral("force"), QStringLiteral("guided")},
         QStringLiteral("sweep the band and identify the transponders; --rates, --band,\n"
                        "--save (with --force to replace an existing list file),\n"
                        "--guided; a stored list's transponders are tried at their rates"),
         [](CtlRequest &r, const CtlSettings &) { return scanRefusal(r); },
         [](Commands &c, const CtlRequest &r) {
             return c.scan(r.read.scan, r.programFolder, r.isSet(QStringLiteral("save")),
                           r.isSet(QStringLiteral("guided")));
         },
         {},
         {},
         [](Commands &c, const CtlRequest &) { return c.terminalScan(); },
         0,
         true},
        {QStringLiteral("lists"),
         0,
         {},
         QStringLiteral("the list files of the DataFolder with their rows and errors"),
         {},
         {},
         [](const CtlRequest &r, Output &out) { return ListFiles(r.programFolder, out); }},
        {QStringLiteral("import FILE"),
         1,
         {QStringLiteral("position"), QStringLiteral("force")},
         QStringLiteral("a position's plan (DVBv5, as dtv-scan-tables holds) written as\n"
                        "its list file in the DataFolder, band Ku; says what changes;\n"
                        "--position P unless the file's name ends in it (Hotbird-13.0E),\n"
                        "--force to replace an existing list file"),
         {},
         {},
         [](const CtlRequest &r, Output &out) {
             return ImportPlanFile(r.args[0], r.value(QStringLiteral("position")),
                                   r.isSet(QStringLiteral("force")), r.programFolder, out);
         }},
        {QStringLiteral("export POSITION"),
         1,
         {QStringLiteral("format")},
         QStringLiteral("the position's list file as a DVBv5 plan on standard output,\n"
                        "as other DVB tools read it (--format dvbv5, the one format)"),
         {},
         {},
         [](const CtlRequest &r, Output &out) {
             return ExportPlanFile(r.args[0], r.value(QStringLiteral("format")), r.programFolder,
                                   out);
         }},
        {QStringLiteral("config"),
         0,
         {QStringLiteral("lnb-type"), QStringLiteral("input"), QStringLiteral("band"),
          QStringLiteral("test"), QStringLiteral("force")},
         QStringLiteral("the six settings kolvex7 stores (port, speed, address, LNB\n"
                        "type and input, band); with --port, --speed, --address,\n"
                        "--lnb-type, --input or --band it writes them, as kolvex7's\n"
                        "configuration does; --test runs the link test first and stores\n"
                        "only what passes (--force: all the same)"),
         {},
         {},
         configCommand},
        {QStringLiteral("survey"),
         0,
         {},
         QStringLiteral("every address 0 to 255 asked in turn (a short wait each): the\n"
                        "receivers on the line, with frequency and lock"),
         {},
         [](Commands &c, const CtlRequest &) { return c.survey(); }},
        {QStringLiteral("signal"),
         0,
         {QStringLiteral("interval"), QStringLiteral("tone")},
         QStringLiteral("the receiver's lock, level, margin and quality read again and\n"
                        "again (queries only) for aligning a dish: one line rewritten on\n"
                        "a terminal with a bar of the margin (--json: JSON lines), every\n"
                        "--interval seconds (default 0: as fast as the line allows);\n"
                        "--tone plays a tone rising with the margin; Ctrl+C ends it with\n"
                        "the best values"),
         [](CtlRequest &r, const CtlSettings &) { return signalRefusal(r); },
         [](Commands &c, const CtlRequest &r) {
             return RunSignal(c.link(), c.address(),
                              {r.read.intervalMs, r.isSet(QStringLiteral("tone"))}, c.output());
         }},
        {QStringLiteral("watch [PORT[@ADDRESS]...]"),
         -1,
         {QStringLiteral("interval"), QStringLiteral("listen"), QStringLiteral("textfile")},
         QStringLiteral("poll receivers (queries only) every --interval seconds until\n"
                        "Ctrl+C: one line per sample (--json: JSON lines), Prometheus\n"
                        "metrics on --listen HOST:PORT (/metrics) and in --textfile FILE;\n"
                        "without receivers, the stored (or given) port and address"),
         {},
         {},
         {},
         watchCommand},
    };
    return commands;
}

const CtlCommand *FindCtlCommand(const QString &name)
{
    for (const CtlCommand &c : CtlCommands())
        if (c.name() == name)
            return &c;
    return nullptr;
}

QStringList CommandsTaking(const QString &option)
{
    QStringList names;
    for (const CtlCommand &c : CtlCommands())
        if (c.options.contains(option))
            names << c.name();
    return names;
}

CtlRefusal CheckRequest(const CtlCommand &command, CtlRequest &request, const CtlSettings &settings)
{
    return command.check ? command.check(request, settings) : CtlRefusal();
}

int Refuse(Output &out, const CtlRefusal &refusal)
{
    if (refusal.exit == Exit::BadArguments)
        return BadArguments(out, refusal.text);
    out.error(refusal.text);
    return out.finish(refusal.exit);
}

int RunOnLink(const CtlCommand &command, Commands &commands, const CtlRequest &request)
{
    return request.isSet(QStringLiteral("terminal")) ? command.terminal(commands, request)
                                                     : command.run(commands, request);
}

QStringList TerminalCommands()
{
    QStringList names;
    for (const CtlCommand &c : CtlCommands())
        if (c.terminal)
            names << c.name();
    return names;
}

QString CommandsHelp()
{
    // The synopsis in a column 29 wide after two spaces, the help beside it.
    constexpr int kColumn = 29;
    QString text;
    for (const CtlCommand &c : CtlCommands()) {
        const QStringList lines = c.help.split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i)
            text +=
                QStringLiteral("  ") +
                (i == 0 ? c.synopsis.leftJustified(kColumn) : QString(kColumn, QLatin1Char(' '))) +
                lines[i] + QLatin1Char('\n');
    }
    return text;
}
