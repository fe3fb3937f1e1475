// The two sweeps of band Ku against kolvex7-sim over a pseudo-terminal paced at 115200 baud,
// as a ratio to the least time they can take: the time the bytes they exchanged need on the
// wire (10 bits a byte), plus the 400 ms wait each sweep makes before its first step.

#include "link/linkstate.h"
#include "link/memoryscantree.h"
#include "link/protocol.h"
#include "link/protocol_mssl.h"
#include "link/statuslabels.h"
#include "platform/qthost.h"
#include "platform/systemserialport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kBaud = 115200;
constexpr double kSweepWaits = 2 * 0.4; // seconds

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

// The scan window's labels at their cheapest: the sweep's own cost is what is measured.
struct Labels : StatusLabels
{
    QString t[5];
    QString text(int i) const override { return t[i]; }
    void setText(int i, const QString &s) override { t[i] = s; }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QProcess sim;
    sim.start(QStringLiteral(KOLVEX7_SIM),
              {QStringLiteral("--satellite"), QStringLiteral(KOLVEX7_DEMO_SATELLITE),
               QStringLiteral("--port"), QStringLiteral("1"), QStringLiteral("--baud"),
               QString::number(kBaud)});
    if (!sim.waitForReadyRead(5000) || sim.readLine().trimmed() != "ready") {
        std::fprintf(stderr, "bench_sweep: the simulator did not start\n");
        return 1;
    }
    CountingPort port;
    QtHost host;
    LinkState link{port, host};
    link.Prt = 1;
    link.Spd = kBaud;
    link.Bnd = 1;
    if (!Protocol::OpenPort(link)) {
        std::fprintf(stderr, "bench_sweep: cannot open the port\n");
        return 1;
    }
    Protocol_MsSl driver(link);
    driver.setAdr(129);
    Labels status;
    MemoryScanTree tree;
    bool run = true;
    port.out = port.in = 0;
    port.clock.start();
    QElapsedTimer t;
    t.start();
    driver.RunScanLocal(QStringLiteral("V"), status, tree, run);
    driver.RunScanLocal(QStringLiteral("H"), status, tree, run);
    const double seconds = t.nsecsElapsed() / 1e9;
    const double wire = double(port.out + port.in) * 10.0 / kBaud;
    std::vector<qint64> &turns = port.turnaroundsNs;
    std::sort(turns.begin(), turns.end());
    std::fprintf(stderr,
                 "bench_sweep: %d nodes found, %lld bytes out, %lld in: %.1f s on the wire, "
                 "%.1f s taken%s\n",
                 tree.count(), port.out, port.in, wire, seconds,
                 link.Eto ? " (a reply timed out)" : "");
    std::fprintf(stderr,
                 "bench_sweep: the tool's own turnaround, reply to next frame: median %.1f us, "
                 "90th percentile %.1f us over %zu exchanges; without the waits in the least "
                 "time the ratio would read %.3f\n",
                 turns.empty() ? 0.0 : turns[turns.size() / 2] / 1000.0,
                 turns.empty() ? 0.0 : turns[turns.size() * 9 / 10] / 1000.0, turns.size(),
                 seconds / wire);
    std::printf("ku_sweep_vs_wire_time %.3f\n", seconds / (wire + kSweepWaits));
    port.close();
    sim.terminate();
    sim.waitForFinished(3000);
    return tree.count() == 24 ? 0 : 1; // 12 carriers, each with its margin node
}
