// Mean time of one SendQuery against kolvex7-sim over a pseudo-terminal, as a ratio to a
// minimal reference that writes the same frame and reads the reply with plain blocking system
// calls; one figure for each serial path, the descriptor path's first. Rounds of the paths and
// the reference alternate so that drift of the machine affects all alike, and each figure is
// the median of its rounds' ratios, so that a round disturbed by the machine's other work does
// not move it. --quick: three short rounds, as the test command runs it.

#include "bench/demosim.h"
#include "link/linkstate.h"
#include "link/protocol.h"
#include "platform/descriptorserialport.h"
#include "platform/portfolder.h"
#include "platform/qthost.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

int g_rounds = 101;
int g_perRound = 200;
const QByteArray kFrame = Protocol::MakeFrame(129, "Tfrq", "?");

qint64 referenceRound(int fd)
{
    QElapsedTimer t;
    t.start();
    char buf[256];
    for (int i = 0; i < g_perRound; ++i) {
        if (::write(fd, kFrame.constData(), size_t(kFrame.size())) != kFrame.size())
            return -1;
        for (bool closed = false; !closed;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0)
                return -1;
            closed = memchr(buf, '}', size_t(n)) != nullptr;
        }
    }
    return t.nsecsElapsed();
}

// One serial path: its port opens for its own rounds only, since QSerialPort locks the device.
struct Path
{
    const char *figure;
    std::unique_ptr<SystemSerialPort> port;
    QtHost host;
    LinkState link{*port, host};
    std::vector<double> ratios;
    qint64 total = 0;
    bool opened = false;

    Path(const char *name, std::unique_ptr<SystemSerialPort> p) : figure(name), port(std::move(p))
    {
        link.Prt = 1;
        link.Spd = 115200;
    }
    qint64 round()
    {
        // The first open goes the tool's way; later ones only reopen the configured port.
        if (!(opened ? port->open() : Protocol::OpenPort(link)))
            return -1;
        opened = true;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < g_perRound; ++i) {
            if (Protocol::SendQuery(link, 129, "Tfrq").isEmpty())
                return -1;
        }
        const qint64 ns = t.nsecsElapsed();
        port->close();
        return ns;
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--quick") == 0) {
        g_rounds = 3;
        g_perRound = 20;
    }
    QCoreApplication app(argc, argv);
    DemoSimulator sim;
    if (!sim.start("bench_sendquery", 1))
        return 1;

    Path paths[] = {{"sendquery_vs_syscalls", std::make_unique<DescriptorSerialPort>()},
                    {"sendquery_portable_vs_syscalls", std::make_unique<SystemSerialPort>()}};
    // The reference opens the same terminal first, before the exclusive mode QSerialPort sets
    // could refuse it; only one of them talks at a time.
    const QByteArray device = portDevice(1).toLocal8Bit();
    const int fd = ::open(device.constData(), O_RDWR | O_NOCTTY);
    if (fd < 0) {
        std::fprintf(stderr, "bench_sendquery: cannot open %s for the reference\n",
                     device.constData());
        return 1;
    }
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);

    qint64 reference = 0;
    for (int r = 0; r < g_rounds; ++r) {
        for (Path &path : paths) {
            const qint64 a = path.round();
            const qint64 b = referenceRound(fd);
            if (a < 0 || b < 0) {
                std::fprintf(stderr, "bench_sendquery: an exchange failed\n");
                return 1;
            }
            path.total += a;
            reference += b;
            path.ratios.push_back(double(a) / double(b));
        }
    }
    const int n = g_rounds * g_perRound;
    std::fprintf(stderr, "bench_sendquery: reference %.1f us (%d exchanges)\n",
                 reference / 1000.0 / n / 2, n * 2);
    for (Path &path : paths) {
        std::sort(path.ratios.begin(), path.ratios.end());
        std::fprintf(stderr, "bench_sendquery: %s: SendQuery %.1f us\n", path.figure,
                     path.total / 1000.0 / n);
        std::printf("%s %.3f\n", path.figure, path.ratios[path.ratios.size() / 2]);
    }
    ::close(fd);
    sim.stop();

    const std::unique_ptr<SystemSerialPort> port = MakeSystemSerialPort();
    QtHost host;
    LinkState link{*port, host};
    link.Spd = 115200;
    // The CPU the tool uses while it waits out a reply time-out of a silent receiver.
    DemoSimulator silent;
    if (!silent.start("bench_sendquery (silent)", 2, {QStringLiteral("--silent")}))
        return 1;
    link.Prt = 2;
    if (!Protocol::OpenPort(link)) {
        std::fprintf(stderr, "bench_sendquery: cannot open the silent port\n");
        return 1;
    }
    auto cpuSeconds = [] {
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
               double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    };
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    link.Eto = false;
    Protocol::SendQuery(link, 129, "Tfrq");
    const double wallSeconds = wall.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpu0;
    std::fprintf(stderr, "bench_sendquery: time-out took %.2f s of wall time, %.3f s of CPU%s\n",
                 wallSeconds, cpu, link.Eto ? "" : " (but no time-out?)");
    std::printf("timeout_cpu_vs_wall %.4f\n", cpu / wallSeconds);
    port->close();
    silent.stop();
    return 0;
}
