// The likely rate first against the rates' own order: Hotbird 13.0E from dtv-scan-tables as
// kolvex7-sim --plan plays it (the same receiver model), scanned at the default rates with no
// list stored, each carrier tried first at the ticked rate nearest its width (--guided), and in
// the rates' order. On the virtual clock, whose time is the scan's waits and tries.
//   guided_scan_vs_parts_order   guided time / the rates' order's time
// The benchmark fails when the two identify other transponders. Beside it, on standard error:
// the guided scan with the plan imported as the position's list (how many of the plan's Ku
// transponders it identifies, at any rate, and its time). Without --quick it also runs the
// three scans through kolvex7-ctl against three kolvex7-sim on pseudo-terminals at 115200 baud,
// at once (about 20 minutes), and prints their wall times beside.

#include "bench/demosim.h"
#include "link/scanevents.h"
#include "link/scankey.h"
#include "lists/planimport.h"
#include "session/memoryscantree.h"
#include "session/scanrun.h"
#include "sim/satellite.h"
#include "testsupport/simulatedreceiver.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr const char *kPlan = "/usr/share/dvb/dvb-s/Hotbird-13.0E";

struct Run
{
    double seconds = 0;
    QSet<QString> identified; // "F|P|S"
};

Run scanTwin(const Satellite &sat, const ScanGuide &guide)
{
    SimulatedReceiver rx(sat);
    rx.latencyMs = 0;
    rx.link.Bnd = 1;
    ScanEventsFanOut events; // no labels: the scan's own cost is what is measured
    MemoryScanTree tree;
    rx.link.run.start();
    const quint64 start = rx.host.elapsedUs();
    RunScan(rx.driver, DefaultScanRates(), events, tree, rx.link.run, guide);
    Run run;
    run.seconds = double(rx.host.elapsedUs() - start) / 1e6;
    for (int n = 1; n <= tree.count(); ++n) {
        if (!tree.parent(n) && ScanKey::identifiedKey(tree.key(n)))
            run.identified << tree.key(n);
    }
    return run;
}

// The plan's Ku transponders that a run identified at their rate within 2 MHz.
int planFound(const QList<TransponderEntry> &plan, const QSet<QString> &identified)
{
    int found = 0;
    for (const TransponderEntry &l : plan) {
        for (const QString &key : identified) {
            const ScanKey t = ScanKey::ofTransponder(key);
            if (t.polarisation == l.polarisation && t.rate == l.symbolRate &&
                qAbs(t.khz() - l.frequency.toDouble()) <= 2000) {
                ++found;
                break;
            }
        }
    }
    return found;
}

// The three scans through kolvex7-ctl at once, each against its own simulator; their wall times,
// or none when one failed.
QList<double> scanWall(const QString &planPath, const QList<TransponderEntry> &plan)
{
    QTemporaryDir dir;
    // A copy of kolvex7-ctl whose program folder holds the imported plan as 13.00E's list.
    const QString bin = dir.filePath(QStringLiteral("bin"));
    QDir().mkpath(bin + QStringLiteral("/data"));
    QFile::copy(QStringLiteral(KOLVEX7_CTL), bin + QStringLiteral("/kolvex7-ctl"));
    QFile::setPermissions(bin + QStringLiteral("/kolvex7-ctl"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile list(bin + QStringLiteral("/data/13.00E.csv"));
    if (!list.open(QIODevice::WriteOnly))
        return {};
    for (const TransponderEntry &e : plan)
        list.write((e.frequency + ';' + e.polarisation + ';' + e.symbolRate + ";\r\n").toLatin1());
    list.close();
    const QList<QStringList> args{{QStringLiteral("20E")},
                                  {QStringLiteral("20E"), QStringLiteral("--guided")},
                                  {QStringLiteral("13E"), QStringLiteral("--guided")}};
    QList<std::shared_ptr<DemoSimulator>> sims;
    QList<std::shared_ptr<QProcess>> ctls;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < args.size(); ++i) {
        sims << std::make_shared<DemoSimulator>();
        if (!sims.last()->start("bench_guidedscan", 41 + i,
                                {QStringLiteral("--baud"), QStringLiteral("115200")},
                                {QStringLiteral("--plan"), planPath}))
            return {};
        ctls << std::make_shared<QProcess>();
        ctls.last()->start(bin + QStringLiteral("/kolvex7-ctl"),
                           QStringList{QStringLiteral("--port"), QString::number(41 + i),
                                       QStringLiteral("--band"), QStringLiteral("Ku"),
                                       QStringLiteral("scan")} +
                               args[i]);
    }
    // Each one's own time: when it ended, whichever ends first.
    QList<double> wall(ctls.size(), 0.0);
    QEventLoop loop;
    int running = int(ctls.size());
    for (int i = 0; i < ctls.size(); ++i)
        QObject::connect(ctls[i].get(), &QProcess::finished, &loop, [&, i] {
            wall[i] = double(t.nsecsElapsed()) / 1e9;
            if (--running == 0)
                loop.quit();
        });
    loop.exec();
    for (const auto &ctl : ctls) {
        if (ctl->exitStatus() != QProcess::NormalExit || ctl->exitCode() != 0)
            return {};
    }
    for (const auto &sim : sims)
        sim->stop();
    return wall;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    QFile source(QString::fromLatin1(kPlan));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bench_guidedscan: %s is not there (dtv-scan-tables); skipped\n",
                     kPlan);
        return 0;
    }
    const QList<TransponderEntry> plan =
        ImportPlan(source.readAll(), QStringLiteral("13.00E")).entries;
    Satellite sat;
    QString error;
    if (!Satellite::loadPlan(QString::fromLatin1(kPlan), 1, &sat, &error)) {
        std::fprintf(stderr, "bench_guidedscan: %s\n", qPrintable(error));
        return 1;
    }
    const Run parts = scanTwin(sat, {});
    const Run guided = scanTwin(sat, {{}, true});
    const Run listed = scanTwin(sat, {plan, true});
    std::fprintf(stderr,
                 "bench_guidedscan: rates' order %.0f s, %lld identified; likely rate first "
                 "%.0f s, %lld identified; likely rate first with the plan stored as the list "
                 "%.0f s, %d of the plan's %lld Ku transponders identified\n",
                 parts.seconds, qint64(parts.identified.size()), guided.seconds,
                 qint64(guided.identified.size()), listed.seconds,
                 planFound(plan, listed.identified), qint64(plan.size()));
    if (guided.identified != parts.identified) {
        std::fprintf(stderr, "bench_guidedscan: the two orders identified other transponders\n");
        return 1;
    }
    if (!quick) {
        const QList<double> wall = scanWall(QString::fromLatin1(kPlan), plan);
        if (wall.size() != 3) {
            std::fprintf(stderr, "bench_guidedscan: a scan through kolvex7-ctl failed\n");
            return 1;
        }
        std::fprintf(stderr,
                     "bench_guidedscan: through kolvex7-ctl and kolvex7-sim at 115200 baud: rates' "
                     "order %.0f s, --guided %.0f s, --guided with the list %.0f s\n",
                     wall[0], wall[1], wall[2]);
    }
    std::printf("guided_scan_vs_parts_order %.3f\n", guided.seconds / parts.seconds);
    return 0;
}
