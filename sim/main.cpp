// kolvex7-sim: a KOLVEX7 receiver on a pseudo-terminal, for trying the tool without hardware
// and as the peer of the end-to-end tests and benchmarks.

#include "sim/ptyserver.h"
#include "sim/receivermodel.h"
#include "sim/satellite.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/prctl.h>
#include <vector>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int)
{
    g_stop = 1;
}

int fail(const QString &message)
{
    std::fprintf(stderr, "kolvex7-sim: %s\n", qPrintable(message));
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kolvex7-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KOLVEX7_VERSION_TEXT));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulates a KOLVEX7 satellite receiver on a pseudo-terminal. The terminal is published "
        "as serial port N: the link \"comN\" in \"$XDG_CONFIG_HOME/Halvorn Software/ports\" "
        "(by default ~/.config/...), which the tool opens like any other port. Prints \"ready\" "
        "once the port is published; removes the link when it exits (also on SIGINT/SIGTERM)."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption satellite(QStringLiteral("satellite"),
                                       QStringLiteral("Satellite file the receiver sees."),
                                       QStringLiteral("FILE"));
    const QCommandLineOption plan(
        QStringLiteral("plan"),
        QStringLiteral("A real position's plan instead of a satellite file: a DVBv5 file (as "
                       "/usr/share/dvb/dvb-s/Hotbird-13.0E), its band-Ku transponders with "
                       "levels, margins and service names invented from their frequencies and "
                       "--seed."),
        QStringLiteral("FILE"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Port number N to publish the terminal as; "
                                                 "several, as 31,32, give the same receivers a "
                                                 "terminal on each (a receiver with a second "
                                                 "remote-control port)."),
                                  QStringLiteral("N[,N...]"));
    const QCommandLineOption address(
        QStringLiteral("address"),
        QStringLiteral("Receiver address, 0 to 255 (default 129); several, as 129,130,200, put a "
                       "receiver of its own at each on the one line."),
        QStringLiteral("A[,A...]"), QStringLiteral("129"));
    const QCommandLineOption terminal(QStringLiteral("terminal"),
                                      QStringLiteral("Start in terminal mode instead of "
                                                     "master/slave mode."));
    const QCommandLineOption latency(QStringLiteral("latency"),
                                     QStringLiteral("Wait MS milliseconds before each reply."),
                                     QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption baud(QStringLiteral("baud"),
                                  QStringLiteral("Pace every byte, both ways, at line speed B "
                                                 "(10 bits a byte)."),
                                  QStringLiteral("B"), QStringLiteral("0"));
    const QCommandLineOption silent(QStringLiteral("silent"),
                                    QStringLiteral("Never answer (a receiver that is off)."));
    const QCommandLineOption drop(QStringLiteral("drop"), QStringLiteral("Drop every Nth reply."),
                                  QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption split(QStringLiteral("split"),
                                   QStringLiteral("Send replies one byte at a time."));
    const QCommandLineOption garbage(QStringLiteral("garbage"),
                                     QStringLiteral("Send a few noise bytes (never \"=\" or "
                                                    "\"}\") before each reply."));
    const QCommandLineOption logFile(QStringLiteral("log"),
                                     QStringLiteral("Append every byte received (rx) and sent "
                                                    "(tx), in order: one line per frame or "
                                                    "terminal line, with the milliseconds since "
                                                    "start; a dropped reply reads \"drop\"."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption tuneLag(QStringLiteral("tune-lag"),
                                     QStringLiteral("After tuning to a new frequency, report the "
                                                    "former one for N \"Tfrq\" queries (tuning "
                                                    "again to the same one does not restart "
                                                    "the count)."),
                                     QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption noConfirm(QStringLiteral("no-confirm"),
                                       QStringLiteral("Never report a tuned frequency (\"Tfrq\" "
                                                      "keeps the start frequency)."));
    const QCommandLineOption learn(QStringLiteral("learn"),
                                   QStringLiteral("After each lock, answer the first N service "
                                                  "name queries with \"Service:\" placeholders."),
                                   QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption echo(QStringLiteral("echo"),
                                  QStringLiteral("In terminal mode, echo every character "
                                                 "received."));
    const QCommandLineOption noise(QStringLiteral("noise"),
                                   QStringLiteral("Vary each level and margin reading by up to "
                                                  "DB either way."),
                                   QStringLiteral("DB"), QStringLiteral("0"));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Seed of the reading noise and of what --plan "
                                                 "invents: the same seed and the same queries "
                                                 "give the same readings."),
                                  QStringLiteral("N"), QStringLiteral("1"));
    parser.addOptions({satellite, plan, port, address, terminal, latency, baud, silent, drop, split,
                       garbage, logFile, tuneLag, noConfirm, learn, echo, noise, seed});
    parser.process(app);

    if (parser.isSet(satellite) == parser.isSet(plan) || !parser.isSet(port))
        return fail(QStringLiteral("--satellite FILE or --plan FILE, and --port N, are required "
                                   "(see --help)"));

    bool ok = false;
    QList<int> numbers;
    for (const QString &p : parser.value(port).split(QLatin1Char(','))) {
        const int number = p.toInt(&ok);
        if (!ok || number < 1 || number > 32767 || numbers.contains(number))
            return fail(QStringLiteral("--port takes different numbers from 1 to 32767"));
        numbers << number;
    }
    QList<quint8> addresses;
    for (const QString &a : parser.value(address).split(QLatin1Char(','))) {
        const int adr = a.toInt(&ok);
        if (!ok || adr < 0 || adr > 255 || addresses.contains(quint8(adr)))
            return fail(QStringLiteral("--address takes different numbers from 0 to 255"));
        addresses << quint8(adr);
    }

    PtyServer::Options options;
    options.latencyMs = parser.value(latency).toInt(&ok);
    if (!ok || options.latencyMs < 0)
        return fail(QStringLiteral("--latency takes a number of milliseconds"));
    options.baud = parser.value(baud).toInt(&ok);
    if (!ok || options.baud < 0)
        return fail(QStringLiteral("--baud takes a line speed"));
    options.dropEvery = parser.value(drop).toInt(&ok);
    if (!ok || options.dropEvery < 0)
        return fail(QStringLiteral("--drop takes a count"));
    options.silent = parser.isSet(silent);
    options.split = parser.isSet(split);
    options.garbage = parser.isSet(garbage);
    options.logPath = parser.value(logFile);

    ReceiverModel::Options modelOptions;
    modelOptions.seed = parser.value(seed).toUInt(&ok);
    if (!ok)
        return fail(QStringLiteral("--seed takes a whole number"));
    Satellite sat;
    QString error;
    const QString file = parser.value(parser.isSet(plan) ? plan : satellite);
    const bool loaded = parser.isSet(plan)
                            ? Satellite::loadPlan(file, modelOptions.seed, &sat, &error)
                            : Satellite::load(file, &sat, &error);
    if (!loaded)
        return fail(file + QStringLiteral(": ") + error);

    modelOptions.terminal = parser.isSet(terminal);
    modelOptions.tuneLag = parser.value(tuneLag).toInt(&ok);
    if (!ok || modelOptions.tuneLag < 0)
        return fail(QStringLiteral("--tune-lag takes a count"));
    modelOptions.learnQueries = parser.value(learn).toInt(&ok);
    if (!ok || modelOptions.learnQueries < 0)
        return fail(QStringLiteral("--learn takes a count"));
    modelOptions.neverConfirm = parser.isSet(noConfirm);
    modelOptions.echo = parser.isSet(echo);
    modelOptions.noiseDb = parser.value(noise).toDouble(&ok);
    if (!ok || !(modelOptions.noiseDb >= 0 && modelOptions.noiseDb <= 100))
        return fail(QStringLiteral("--noise takes a number of dB from 0 to 100"));
    std::vector<std::unique_ptr<ReceiverModel>> models;
    QList<ReceiverModel *> line;
    QStringList names;
    for (const quint8 a : addresses) {
        modelOptions.address = a;
        models.push_back(std::make_unique<ReceiverModel>(sat, modelOptions));
        line << models.back().get();
        names << QString::number(a);
    }

    struct sigaction sa
    {
    };
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);

    // Line-speed pacing wakes up for every byte: the default 50 us timer slack would make
    // each exchange late by that much more than the wire alone.
    if (options.baud > 0)
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    std::vector<std::unique_ptr<PtyServer>> servers;
    QList<PtyServer *> serving;
    for (const int number : numbers) {
        servers.push_back(std::make_unique<PtyServer>(line, options));
        serving << servers.back().get();
        if (!servers.back()->start(number, &error))
            return fail(error);
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (qsizetype i = 0; i < numbers.size(); ++i)
        std::fprintf(stderr, "kolvex7-sim: receiver at address %s on port %d (%s -> %s)\n",
                     qPrintable(names.join(QLatin1String(", "))), numbers[i],
                     qPrintable(serving[i]->linkPath()), qPrintable(serving[i]->devicePath()));
    return PtyServer::run(serving, &g_stop);
}
