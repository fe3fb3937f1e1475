// How fast the signal meter refreshes: readings (lock, level, margin and quality) a second
// against kolvex7-sim on a pseudo-terminal paced at 115200 and at 9600 baud, as a ratio to the
// line's own ceiling: the readings a second the line could carry were every bit of each
// reading's frames and replies sent back to back. The readings a second themselves go to
// standard error. --quick: a second at each speed, as the test command runs it.

#include "bench/demosim.h"
#include "link/exchangeobserver.h"
#include "link/linkstate.h"
#include "link/protocol.h"
#include "platform/qthost.h"
#include "platform/systemserialport.h"
#include "session/signalreading.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstring>

namespace {

int g_seconds = 10;

// The bytes every exchange moved, both ways.
struct ByteCount : ExchangeObserver
{
    qint64 bytes = 0;
    void exchanged(const LinkExchange &e) override { bytes += e.sent.size() + e.received.size(); }
};

// Readings a second at `baud`, and the line's ceiling for readings of that size; false when the
// simulator did not start or a reading went unanswered.
bool Measure(int baud, double *perSecond, double *ceiling)
{
    DemoSimulator sim;
    if (!sim.start("bench_signalrate", 1, {QStringLiteral("--baud"), QString::number(baud)}))
        return false;
    const std::unique_ptr<SystemSerialPort> port = MakeSystemSerialPort();
    QtHost host;
    LinkState link{*port, host};
    link.Prt = 1;
    link.Spd = baud;
    ByteCount count;
    link.watch(&count);
    if (!Protocol::OpenPort(link))
        return false;
    int readings = 0;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < g_seconds * 1000) {
        if (!ReadSignal(link, 129).up) {
            std::fprintf(stderr, "bench_signalrate: a reading went unanswered at %d baud\n", baud);
            return false;
        }
        ++readings;
    }
    const double seconds = double(t.nsecsElapsed()) / 1e9;
    *perSecond = readings / seconds;
    // 10 bits a byte on the line: a start bit, 8 data bits, a stop bit.
    *ceiling = (baud / 10.0) / (double(count.bytes) / readings);
    std::fprintf(stderr,
                 "bench_signalrate: %d baud: %.1f readings a second (%d in %.1f s, %.0f bytes "
                 "each; the line carries %.1f a second)\n",
                 baud, *perSecond, readings, seconds, double(count.bytes) / readings, *ceiling);
    port->close();
    sim.stop();
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--quick") == 0)
        g_seconds = 1;
    QCoreApplication app(argc, argv);
    for (const int baud : {115200, 9600}) {
        double perSecond = 0, ceiling = 0;
        if (!Measure(baud, &perSecond, &ceiling))
            return 1;
        std::printf("signal_refresh_vs_line_%d %.3f\n", baud, perSecond / ceiling);
    }
    return 0;
}
