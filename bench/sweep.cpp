// The receiver's sweep of band Ku as a scan makes it (the front-end query, AStp and Vnpd off,
// the rate 45000, both polarisations, AStp and Vnpd back on) against kolvex7-sim over a
// pseudo-terminal paced at 115200 baud, as a ratio to the least time it can take: the time the
// bytes it exchanged need on the wire (10 bits a byte), plus the waits the sweep prescribes,
// which the output lists. --quick: the same at 460800 baud, as the test command runs it.

#include "bench/demosim.h"
#include "link/linkstate.h"
#include "link/protocol.h"
#include "link/protocol_mssl.h"
#include "link/scanevents.h"
#include "platform/qthost.h"
#include "platform/systemserialport.h"
#include "session/memoryscantree.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The waits of the sweep, in seconds: 200 ms after the rate is set, 400 ms before each
// polarisation's first step, and 3 s after a band search when the receiver was in one.
constexpr double kSettle = 0.2, kFirstStep = 0.4, kBandSearch = 3.0;

// The real port, counting the bytes that cross it and the tool's own turnaround: the time from
// reading a reply's "}" to writing the next frame.
class CountingPort : public SerialPort
{
public:
    qint64 out = 0, in = 0;
    std::vector<qint64> turnaroundsNs;
    QElapsedTimer clock;
    qint64 replyEndNs = -1;
    bool isOpen() const override { return m_port->isOpen(); }
    void setPortNumber(qint16 n) override { m_port->setPortNumber(n); }
    bool setSettings(const QString &s) override { return m_port->setSettings(s); }
    bool open() override { return m_port->open(); }
    void close() override { m_port->close(); }
    void write(const QByteArray &b) override
    {
        if (replyEndNs >= 0) {
            turnaroundsNs.push_back(clock.nsecsElapsed() - replyEndNs);
            replyEndNs = -1;
        }
        out += b.size();
        m_port->write(b);
    }
    QByteArray read() override
    {
        const QByteArray b = m_port->read();
        in += b.size();
        if (b.contains('}'))
            replyEndNs = clock.nsecsElapsed();
        return b;
    }
    void waitForInputUs(int us) override { m_port->waitForInputUs(us); }
    bool isLost() const override { return m_port->isLost(); }

private:
    std::unique_ptr<SystemSerialPort> m_port = MakeSystemSerialPort();
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const int baud = quick ? 460800 : 115200;
    DemoSimulator sim;
    if (!sim.start("bench_sweep", 1, {QStringLiteral("--baud"), QString::number(baud)}))
        return 1;
    CountingPort port;
    QtHost host;
    LinkState link{port, host};
    link.Prt = 1;
    link.Spd = baud;
    link.Bnd = 1;
    if (!Protocol::OpenPort(link)) {
        std::fprintf(stderr, "bench_sweep: cannot open the port\n");
        return 1;
    }
    Protocol_MsSl driver(link);
    driver.setAdr(129);
    ScanEventsFanOut events; // no labels: the sweep's own cost is what is measured
    MemoryScanTree tree;
    bool run = true;
    // Whether the receiver is in a band search decides the 3 s wait: asked as the sweep asks.
    const bool bandSearch = Protocol::SendQuery(link, 129, "Fend") == "Bsrc";
    port.out = port.in = 0;
    port.clock.start();
    port.replyEndNs = -1;
    QElapsedTimer t;
    t.start();
    driver.SetScanLocal(events, tree, run);
    const double seconds = t.nsecsElapsed() / 1e9;
    const double wire = double(port.out + port.in) * 10.0 / baud;
    const double waits = kSettle + 2 * kFirstStep + (bandSearch ? kBandSearch : 0);
    std::vector<qint64> &turns = port.turnaroundsNs;
    std::sort(turns.begin(), turns.end());
    std::fprintf(stderr,
                 "bench_sweep: %d nodes found, %lld bytes out, %lld in at %d baud: %.2f s on the "
                 "wire; waits %.1f s (%.1f s after the rate, %.1f s before each polarisation's "
                 "first step%s); %.2f s taken%s\n",
                 tree.count(), port.out, port.in, baud, wire, waits, kSettle, kFirstStep,
                 bandSearch ? ", 3 s after the band search" : "", seconds,
                 link.Eto ? " (a reply timed out)" : "");
    std::fprintf(stderr,
                 "bench_sweep: the tool's own turnaround, reply to next frame: median %.1f us, "
                 "90th percentile %.1f us over %zu exchanges; without the waits in the least "
                 "time the ratio would read %.3f\n",
                 turns.empty() ? 0.0 : turns[turns.size() / 2] / 1000.0,
                 turns.empty() ? 0.0 : turns[turns.size() * 9 / 10] / 1000.0, turns.size(),
                 seconds / wire);
    std::printf("ku_sweep_vs_wire_time %.3f\n", seconds / (wire + waits));
    port.close();
    sim.stop();
    return tree.count() == 24 ? 0 : 1; // 12 carriers, each with its margin node
}
