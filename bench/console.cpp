// What the link console costs an exchange: the mean time of one SendQuery against kolvex7-sim
// over a pseudo-terminal with the console shown and full (its 10,000 rows, each exchange then
// adding one and dropping the oldest), the rows' way into the view and its painting included,
// as a ratio to the same exchanges with the console closed. Rounds alternate so that drift of the
// machine affects both alike; the figure is the median of the rounds' ratios. --quick: three short
// rounds, as the test command runs it.

#include "app/linkconsole.h"
#include "bench/demosim.h"
#include "link/linkstate.h"
#include "link/protocol.h"
#include "platform/qthost.h"
#include "platform/systemserialport.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// A round lasts a few of the log's batches, as a scan's exchanges do.
int g_rounds = 21;
int g_perRound = 3000;

// One round of exchanges; its time in ns, or -1 when one went unanswered.
qint64 round(LinkState &link)
{
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < g_perRound; ++i)
        if (Protocol::SendQuery(link, 129, "Tfrq").isEmpty())
            return -1;
    return t.nsecsElapsed();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--quick") == 0) {
        g_rounds = 3;
        g_perRound = 1000;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    DemoSimulator sim;
    if (!sim.start("bench_console", 1))
        return 1;
    const std::unique_ptr<SystemSerialPort> port = MakeSystemSerialPort();
    QtHost host;
    LinkState link{*port, host};
    link.Prt = 1;
    link.Spd = 115200;
    if (!Protocol::OpenPort(link)) {
        std::fprintf(stderr, "bench_console: cannot open the port\n");
        return 1;
    }
    LinkConsole console(link);
    console.show();
    // Full from the start: the case of an operator who left it open through a scan.
    for (int i = 0; i < ExchangeLog::kMaxRows; i += 200)
        if (round(link) < 0)
            return 1;
    console.log().flush();
    std::vector<double> ratios;
    qint64 open = 0, closed = 0;
    for (int r = 0; r < g_rounds; ++r) {
        link.watch(&console.log());
        QElapsedTimer shown;
        shown.start();
        qint64 a = round(link);
        console.log().flush(); // the round's rows in the view, whether a batch came due or not
        QApplication::processEvents();
        a = a < 0 ? a : shown.nsecsElapsed();
        link.unwatch(&console.log());
        const qint64 b = round(link);
        if (a < 0 || b < 0) {
            std::fprintf(stderr, "bench_console: an exchange went unanswered\n");
            return 1;
        }
        open += a;
        closed += b;
        ratios.push_back(double(a) / double(b));
    }
    const int n = g_rounds * g_perRound;
    std::fprintf(stderr,
                 "bench_console: an exchange %.1f us with the console open and full, "
                 "%.1f us closed (%d each)\n",
                 open / 1000.0 / n, closed / 1000.0 / n, n);
    std::sort(ratios.begin(), ratios.end());
    std::printf("console_open_exchange_ratio %.3f\n", ratios[ratios.size() / 2]);
    port->close();
    sim.stop();
    return 0;
}
