#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>

// The options of kolvex7-ctl, declared once: their names, help and value names.
struct CtlOptions
{
    CtlOptions();
    void addTo(QCommandLineParser &parser) const;
    // The options that go with some commands only (see CtlCommand::options); the others
    // (--port, --speed, --address, --json, --trace) go with every command, and --from and
    // --terminal have checks of their own.
    QList<const QCommandLineOption *> commandsOwn() const;

    const QCommandLineOption port, speed, address, json, trace, service, rates, band, save, guided,
        force, format, position, interval, tone, listen, textfile, from, lnbType, input, test,
        terminal;
};
