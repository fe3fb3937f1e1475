#pragma once

#include "ctl/commands.h"

#include <QStringList>

#include <functional>

class Output;

// The link's values: the stored settings, as kolvex7 reads them, and what the command line
// puts in their stead.
struct LinkValues
{
    CtlSettings settings;
    qint64 prt = 0, spd = 0, adr = 0;
    QString endpoint; // a network serial server's URL given as --port
};

// A command's arguments as its check read them: what its run takes.
struct CtlArguments
{
    CtlTuning tuning;   // tune
    quint8 service = 0; // service
    CtlScan scan;       // scan
    int intervalMs = 0; // signal
    int firstCode = 0;  // codes: the index of --from in the sweep
};

// A command line as parsed: the command's own arguments, and its options' values; once its
// check passed them, what it read of them.
struct CtlRequest
{
    QStringList args; // after the command's name
    std::function<bool(const QString &option)> isSet;
    std::function<QString(const QString &option)> value; // empty when not given
    QString programFolder;
    const LinkValues *link = nullptr; // once resolved; null for the commands run offline
    CtlArguments read{};
};

// Why a command line is not run: its text, and the exit status it ends with.
struct CtlRefusal
{
    CtlRefusal(const QString &text = QString(), int exit = Exit::BadArguments)
        : text(text), exit(exit)
    {
    }
    QString text;
    int exit;
    bool refuses() const { return !text.isEmpty(); }
};

// One command of kolvex7-ctl: its name and arguments as --help shows them, how many arguments
// it takes, the options of its own, its help, the check of its arguments made before the port
// is opened, and, for a command that talks to the receiver over the stored or given port, what
// it runs there. The help, the argument counts, the options each command takes, the checks and
// the dispatch all come from the one table of them (CtlCommands).
struct CtlCommand
{
    QString synopsis;    // "tune FREQ POL RATE": its name first
    int arguments = 0;   // -1: any number
    QStringList options; // the options it takes beside --port, --speed, --address, --json, --trace
    QString help;        // its lines in --help
    // The refusal of a bad argument (or of a file it would replace), or none; the arguments
    // read into the request's `read` when they pass.
    std::function<CtlRefusal(CtlRequest &, const CtlSettings &)> check;
    // What it runs on the receiver's open link.
    std::function<int(Commands &, const CtlRequest &)> run;
    // What a command that opens no port runs, before the stored settings are read, or one that
    // opens its own ports from the link's values: instead of `run`.
    std::function<int(const CtlRequest &, Output &)> offline{};
    std::function<int(const CtlRequest &, Output &)> ownPorts{};
    // With --terminal: what it runs on a receiver in terminal mode, with that many arguments.
    std::function<int(Commands &, const CtlRequest &)> terminal{};
    int terminalArguments = 0;
    // Ctrl+C sets the receiver back to where it was.
    bool setsBack = false;

    QString name() const { return synopsis.section(QLatin1Char(' '), 0, 0); }
};

const QList<CtlCommand> &CtlCommands();
// The command of that name; null for none.
const CtlCommand *FindCtlCommand(const QString &name);
// The commands that take the option, in the table's order.
QStringList CommandsTaking(const QString &option);
// The command's check of the request, which reads its arguments into it; none for a command
// without one.
CtlRefusal CheckRequest(const CtlCommand &command, CtlRequest &request,
                        const CtlSettings &settings);
// Says the refusal as the tool does (a bad argument points to --help); its exit status.
int Refuse(Output &out, const CtlRefusal &refusal);
// What the command runs on the receiver's open link, its terminal-mode form with --terminal;
// the request is one its check passed.
int RunOnLink(const CtlCommand &command, Commands &commands, const CtlRequest &request);
// The commands that run on a receiver in terminal mode.
QStringList TerminalCommands();
// The help's list of commands: each synopsis, then its help lines in a column beside it.
QString CommandsHelp();
