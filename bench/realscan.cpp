// A whole scan of a real position as an operator runs it: Hotbird 13.0E from dtv-scan-tables
// played by kolvex7-sim --plan on a pseudo-terminal paced at 115200 baud, scanned at the
// default rates by kolvex7-ctl scan. Its wall time is set against the least time the run's own
// tries allow: the waits they prescribe and their bytes on the wire, found by the same scan of
// the same plan on a virtual clock whose replies take no time.
//   real_scan_vs_parts_least_time   wall time / least time
// Beside it, on standard error: the plan's transponders at ticked rates that the scan
// identified, and the service names it lost (a name the receiver gives but the result lacks).
// --quick: the plan's first three transponders at 27500, at that rate alone, unpaced, as the
// test command runs it.

#include "bench/demosim.h"
#include "link/scanevents.h"
#include "session/memoryscantree.h"
#include "session/scanrun.h"
#include "sim/satellite.h"
#include "testsupport/simulatedreceiver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

namespace {

constexpr const char *kPlan = "/usr/share/dvb/dvb-s/Hotbird-13.0E";

// The plan's first n [blocks] at 27500 kS/s.
QByteArray firstAt27500(const QByteArray &plan, int n)
{
    QByteArray out;
    for (const QByteArray &block : plan.split('[')) {
        if (n > 0 && block.contains("SYMBOL_RATE = 27500000"))
            out += '[' + block, --n;
    }
    return out;
}

// The least time of the scan's tries: the twin's virtual clock (its waits, replies taking no
// time) plus the bytes it exchanged on a line of `baud` (none when unpaced).
struct Twin
{
    double seconds = 0;
    qint64 bytes = 0;
    int tries = 0, locks = 0;
};

Twin runTwin(const Satellite &sat, const QStringList &rates)
{
    SimulatedReceiver rx(sat);
    rx.latencyMs = 0;
    rx.link.Bnd = 1;
    Twin twin;
    rx.port.onWrite = [&](const QByteArray &frame) { // as the receiver answers, bytes counted
        twin.bytes += frame.size();
        for (const ReceiverModel::Exchange &e : rx.model.receive(frame)) {
            twin.bytes += e.reply.size();
            rx.port.feed(e.reply);
            for (const auto &[ms, text] : e.later) {
                twin.bytes += text.size();
                rx.port.feedAfter(ms, text);
            }
        }
    };
    struct Counter : ScanEvents
    {
        Twin *twin;
        void testStarted(const QString &, const QString &, const QString &) override
        {
            ++twin->tries;
        }
        void locked() override { ++twin->locks; }
    } counter;
    counter.twin = &twin;
    ScanEventsFanOut events; // no labels: the scan's own cost is what is measured
    events.listen(&counter);
    MemoryScanTree tree;
    rx.link.run.start();
    const quint64 start = rx.host.elapsedUs();
    RunScan(rx.driver, rates, events, tree, rx.link.run);
    twin.seconds = double(rx.host.elapsedUs() - start) / 1e6;
    return twin;
}

// The plan's transponders at ticked rates that the result identified within 2 MHz, and the
// names the receiver gives for their services that the result lacks.
void compare(const Satellite &sat, const QStringList &rates, const QJsonArray &found, int *atTicked,
             int *identified, int *lost)
{
    for (const SimTransponder &t : sat.transponders) {
        if (!rates.contains(QString::number(t.symbolRate)))
            continue;
        ++*atTicked;
        for (const QJsonValue &v : found) {
            const QJsonObject f = v.toObject();
            if (f[QStringLiteral("polarisation")].toString() != QString(t.polar) ||
                f[QStringLiteral("symbol_rate")].toInt() != t.symbolRate ||
                qAbs(f[QStringLiteral("frequency")].toDouble() - double(t.frequency)) > 2000)
                continue;
            ++*identified;
            const QJsonArray services = f[QStringLiteral("services")].toArray();
            for (int s = 0; s < t.services.size(); ++s) {
                const QString name = t.services[s].startsWith(QStringLiteral("Service:"))
                                         ? QString()
                                         : t.services[s];
                if (services.at(s)[QStringLiteral("name")].toString() != name)
                    ++*lost;
            }
            break;
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    QFile source(QString::fromLatin1(kPlan));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bench_realscan: %s is not there (dtv-scan-tables); skipped\n", kPlan);
        return 0;
    }
    QTemporaryDir dir;
    const QString plan = dir.filePath(QStringLiteral("Hotbird-13.0E"));
    QFile copy(plan);
    if (!copy.open(QIODevice::WriteOnly) ||
        copy.write(quick ? firstAt27500(source.readAll(), 3) : source.readAll()) < 0)
        return 1;
    copy.close();
    Satellite sat;
    QString error;
    if (!Satellite::loadPlan(plan, 1, &sat, &error)) {
        std::fprintf(stderr, "bench_realscan: %s\n", qPrintable(error));
        return 1;
    }
    const int baud = quick ? 0 : 115200;
    const QStringList rates = quick ? QStringList{QStringLiteral("27500")} : DefaultScanRates();
    const Twin twin = runTwin(sat, rates);
    const double wire = baud ? double(twin.bytes) * 10.0 / baud : 0.0;

    DemoSimulator sim;
    if (!sim.start("bench_realscan", 1,
                   {QStringLiteral("--baud"), QString::number(baud), QStringLiteral("--seed"),
                    QStringLiteral("1")},
                   {QStringLiteral("--plan"), plan}))
        return 1;
    QProcess ctl;
    QElapsedTimer t;
    t.start();
    ctl.start(QStringLiteral(KOLVEX7_CTL),
              {QStringLiteral("--port"), QStringLiteral("1"), QStringLiteral("--band"),
               QStringLiteral("Ku"), QStringLiteral("--json"), QStringLiteral("scan"),
               QStringLiteral("13.0E"), QStringLiteral("--rates"), rates.join(QLatin1Char(','))});
    ctl.waitForFinished(-1);
    const double seconds = double(t.nsecsElapsed()) / 1e9;
    sim.stop();
    const QJsonArray found = QJsonDocument::fromJson(ctl.readAllStandardOutput())
                                 .object()[QStringLiteral("transponders")]
                                 .toArray();
    if (ctl.exitCode() != 0 || found.isEmpty()) {
        std::fprintf(stderr, "bench_realscan: kolvex7-ctl scan exited %d: %s\n", ctl.exitCode(),
                     ctl.readAllStandardError().constData());
        return 1;
    }
    int atTicked = 0, identified = 0, lost = 0;
    compare(sat, rates, found, &atTicked, &identified, &lost);
    std::fprintf(stderr,
                 "bench_realscan: %lld Ku transponders in the plan, %d at ticked rates; %d of "
                 "those identified; %d service names lost; %d tries, %d locked; %.1f s taken, "
                 "least %.1f s (waits %.1f s, %lld bytes on the wire %.1f s)\n",
                 qint64(sat.transponders.size()), atTicked, identified, lost, twin.tries,
                 twin.locks, seconds, twin.seconds + wire, twin.seconds, twin.bytes, wire);
    std::printf("real_scan_vs_parts_least_time %.3f\n", seconds / (twin.seconds + wire));
    return lost == 0 ? 0 : 1;
}
