#pragma once

#include <QStringList>

#include <functional>

class Commands;
struct CtlSettings;

// A command line as parsed: the command's own arguments, and its options' values.
struct CtlRequest
{
    QStringList args; // after the command's name
    std::function<bool(const QString &option)> isSet;
    std::function<QString(const QString &option)> value; // empty when not given
    QString programFolder;
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
    // The refusal of a bad argument, or the empty text.
    std::function<QString(const CtlRequest &, const CtlSettings &)> check;
    // What it runs on the receiver's open link; empty for the commands that open no port or
    // their own (lists, import, export, config, watch).
    std::function<int(Commands &, const CtlRequest &)> run;

    QString name() const { return synopsis.section(QLatin1Char(' '), 0, 0); }
};

const QList<CtlCommand> &CtlCommands();
// The command of that name; null for none.
const CtlCommand *FindCtlCommand(const QString &name);
// The commands that take the option, in the table's order.
QStringList CommandsTaking(const QString &option);
// The help's list of commands: each synopsis, then its help lines in a column beside it.
QString CommandsHelp();
