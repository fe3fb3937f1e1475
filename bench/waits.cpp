// What waiting for the receiver costs, against kolvex7-sim over a pseudo-terminal as the demo
// starts it (replies arrive whole; a line that delivers a reply byte by byte wakes the reader
// once a byte and costs more):
//   tune_cpu_vs_wall   the CPU share of one core during whole picks (the tuning sequence, its
//                      waits, the lock query and the service names);
//   scan_cpu_vs_wall   the same during a one-rate scan of the demo satellite in the scan window,
//                      with its plot drawing (the whole scan, or its first seconds);
//   event_loop_stall   the longest gap, in ms, between two runs of a 10 ms timer during both,
//                      less the blocking sleeps the receiver's sequences prescribe.
// --quick: one pick and the scan's first seconds, as the test command runs it; the figures are
// printed but not judged there.

#include "bench/demosim.h"
#include "link/linkstate.h"
#include "link/protocol.h"
#include "link/protocol_mssl.h"
#include "link/servicelist.h"
#include "platform/qthost.h"
#include "platform/systemserialport.h"
#include "scan/scan.h"
#include "session/tuning.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <vector>

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The tool's host, adding up the blocking sleeps so that the stall meter can leave them out.
class SleepCountingHost : public QtHost
{
public:
    qint64 sleptNs = 0;
    void sleep(int ms) override
    {
        QtHost::sleep(ms);
        sleptNs += qint64(qMax(ms, 0)) * 1000000;
    }
};

// A 10 ms timer: the longest gap between two of its runs, blocking sleeps left out.
class StallMeter
{
public:
    explicit StallMeter(SleepCountingHost &host) : m_host(host)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
    }
    void start()
    {
        m_clock.start();
        m_last = 0;
        m_longestNs = 0;
        m_slept = m_host.sleptNs;
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    double longestMs() const { return m_longestNs / 1e6; }

private:
    void tick()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_longestNs = std::max(m_longestNs, now - m_last - (m_host.sleptNs - m_slept));
        m_last = now;
        m_slept = m_host.sleptNs;
    }
    SleepCountingHost &m_host;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0, m_slept = 0, m_longestNs = 0;
};

struct Names : ServiceList
{
    int rows = 0;
    void insertService(int, const QString &, const QString &) override { ++rows; }
};

struct Share
{
    double cpu = 0, wall = 0;
    double ratio() const { return wall > 0 ? cpu / wall : 0; }
};

// Picks alternate between two transponders of the demo satellite, as an operator's clicks do.
bool picks(Protocol_MsSl &driver, int count, Share &share)
{
    const TuningRequest rows[] = {
        {QStringLiteral("10892000"), QStringLiteral("H"), QStringLiteral("27500")},
        {QStringLiteral("11034000"), QStringLiteral("V"), QStringLiteral("27500")}};
    for (int i = 0; i < count; ++i) {
        Names names;
        const double cpu0 = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        const TuningOutcome out = Tune(driver, 0, rows[i % 2], names, [](const QString &) {});
        share.wall += wall.nsecsElapsed() / 1e9;
        share.cpu += cpuSeconds() - cpu0;
        if (!out.locked || names.rows == 0) {
            std::fprintf(stderr, "bench_waits: pick %d did not lock or listed no service\n", i);
            return false;
        }
    }
    return true;
}

// A scan with one rate ticked, in the scan window with its plot, stopped after `seconds` as
// the operator's Stop click would (0: the whole scan).
bool scan(Protocol_MsSl &driver, SleepCountingHost &host, int seconds, Share &share, int *found)
{
    QTemporaryDir folder;
    Scan window(driver, host, folder.path());
    for (QCheckBox *box : window.SRate)
        box->setChecked(box->text() == QLatin1String("27500"));
    window.show();
    // The operator's way in: a position, then Enter, which enables Scan.
    window.Position->setText(QStringLiteral("13.00E"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(window.Position, &enter);
    if (!window.ScanIt->isEnabled()) {
        std::fprintf(stderr, "bench_waits: Enter did not enable Scan\n");
        return false;
    }
    QTimer stop;
    stop.setSingleShot(true);
    QObject::connect(&stop, &QTimer::timeout, [&] { window.ScanIt->click(); });
    if (seconds > 0)
        stop.start(seconds * 1000);
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    window.ScanIt->click();
    share.wall += wall.nsecsElapsed() / 1e9;
    share.cpu += cpuSeconds() - cpu0;
    *found = window.TreeView->topLevelItemCount();
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    DemoSimulator sim;
    if (!sim.start("bench_waits", 1))
        return 1;
    const std::unique_ptr<SystemSerialPort> port = MakeSystemSerialPort();
    SleepCountingHost host;
    LinkState link{*port, host};
    link.Prt = 1;
    link.Spd = 115200;
    link.Bnd = 1;
    if (!Protocol::OpenPort(link)) {
        std::fprintf(stderr, "bench_waits: cannot open the port\n");
        return 1;
    }
    Protocol_MsSl driver(link);
    driver.setAdr(129);

    StallMeter meter(host);
    Share tune, scanShare;
    meter.start();
    const int pickCount = quick ? 1 : 4;
    if (!picks(driver, pickCount, tune))
        return 1;
    meter.stop();
    const double pickStall = meter.longestMs();
    meter.start();
    int found = 0;
    const int scanSeconds = quick ? 8 : 0;
    if (!scan(driver, host, scanSeconds, scanShare, &found))
        return 1;
    meter.stop();
    const double scanStall = meter.longestMs();
    std::fprintf(stderr, "bench_waits: %d picks: %.3f s of CPU in %.2f s; longest stall %.1f ms\n",
                 pickCount, tune.cpu, tune.wall, pickStall);
    std::fprintf(stderr,
                 "bench_waits: scan at 27500 (%s): %d transponders, %.3f s of CPU in %.2f s; "
                 "longest stall %.1f ms\n",
                 scanSeconds ? "its first seconds" : "whole", found, scanShare.cpu, scanShare.wall,
                 scanStall);
    std::printf("tune_cpu_vs_wall %.4f\n", tune.ratio());
    std::printf("scan_cpu_vs_wall %.4f\n", scanShare.ratio());
    std::printf("event_loop_stall %.1f\n", std::max(pickStall, scanStall));
    port->close();
    sim.stop();
    // A whole scan of the demo satellite at 27500 finds every carrier of the sweep.
    return scanSeconds || found == 12 ? 0 : 1;
}
