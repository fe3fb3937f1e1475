// The memory of a long watch: kolvex7-ctl watching three receivers of kolvex7-sim on one
// pseudo-terminal at its shortest interval (1 s), its metrics served and scraped every 10 s and
// written to a text file each round. The growth of its resident set after the first minute,
// scaled to an hour, in MB; then a minute of 100 scrapes at once every second: the share
// answered, and the growth after its first ten seconds. --quick: a few seconds, as the test command
// runs it (its figure says little: the run is too short for the allocator to settle).

#include "bench/demosim.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// The resident set of a process, in kB; -1 when it cannot be read.
qint64 ResidentKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line; !(line = status.readLine()).isEmpty();)
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// `n` scrapes of /metrics at once, as many Prometheus servers would make them; how many were
// answered with the page.
int Scrapes(quint16 port, int n)
{
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    for (int i = 0; i < n; ++i) {
        sockets.push_back(std::make_unique<QTcpSocket>());
        sockets.back()->connectToHost(QStringLiteral("127.0.0.1"), port);
    }
    for (auto &socket : sockets)
        if (socket->waitForConnected(2000))
            socket->write("GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    int answered = 0;
    for (auto &socket : sockets) {
        // The page is whole once its Content-Length of bytes follow the head (the server may
        // keep the connection open).
        QByteArray page;
        auto whole = [&page] {
            const qsizetype head = page.indexOf("\r\n\r\n");
            const qsizetype at = page.toLower().indexOf("content-length:");
            return head >= 0 && at >= 0 && at < head &&
                   page.size() - head - 4 >=
                       page.mid(at + 15, page.indexOf('\r', at) - at - 15).trimmed().toLongLong();
        };
        while (!whole() && socket->state() == QAbstractSocket::ConnectedState &&
               socket->waitForReadyRead(3000))
            page += socket->readAll();
        answered += whole() && page.startsWith("HTTP/1.1 200") && page.contains("kolvex7_up{");
        socket->close();
    }
    return answered;
}

} // namespace

int main(int argc, char **argv)
{
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const int warmS = quick ? 2 : 60, measureS = quick ? 3 : 240;
    QCoreApplication app(argc, argv);
    DemoSimulator sim;
    if (!sim.start("bench_watchrss", 1,
                   {QStringLiteral("--address"), QStringLiteral("129,130,131")}))
        return 1;
    QTemporaryDir dir;
    const quint16 port = quint16(20000 + QCoreApplication::applicationPid() % 20000);
    QProcess watch;
    watch.setStandardOutputFile(QProcess::nullDevice());
    watch.setStandardErrorFile(dir.filePath(QStringLiteral("watch.err")));
    watch.start(QStringLiteral(KOLVEX7_CTL),
                {QStringLiteral("watch"), QStringLiteral("1@129"), QStringLiteral("1@130"),
                 QStringLiteral("1@131"), QStringLiteral("--interval"), QStringLiteral("1"),
                 QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(port),
                 QStringLiteral("--textfile"), dir.filePath(QStringLiteral("kolvex7.prom"))});
    if (!watch.waitForStarted(5000)) {
        std::fprintf(stderr, "bench_watchrss: the watch did not start\n");
        return 1;
    }
    QElapsedTimer clock;
    clock.start();
    qint64 firstKb = -1, lastKb = -1;
    int scrapes = 0;
    for (int s = 0; s <= warmS + measureS; ++s) {
        if (s % 10 == 0 && s > 0)
            scrapes += Scrapes(port, 1);
        if (s == warmS)
            firstKb = ResidentKb(watch.processId());
        QThread::msleep(quint64(qMax<qint64>(0, (s + 1) * 1000 - clock.elapsed())));
    }
    lastKb = ResidentKb(watch.processId());
    // Then 100 scrapes at once, every second: all answered, the memory as flat once the first
    // bursts have grown the buffers they need.
    const int burstS = quick ? 2 : 60, settleS = quick ? 1 : 10;
    int asked = 0, answered = 0;
    qint64 settledKb = -1;
    for (int s = 0; s < burstS; ++s) {
        const qint64 started = clock.elapsed();
        asked += 100;
        answered += Scrapes(port, 100);
        if (s + 1 == settleS)
            settledKb = ResidentKb(watch.processId());
        QThread::msleep(quint64(qMax<qint64>(0, started + 1000 - clock.elapsed())));
    }
    const qint64 afterBurstsKb = ResidentKb(watch.processId());
    const bool alive = watch.state() == QProcess::Running && afterBurstsKb > 0 && settledKb > 0;
    watch.terminate();
    watch.waitForFinished(5000);
    sim.stop();
    if (!alive || firstKb < 0 || lastKb < 0) {
        std::fprintf(stderr, "bench_watchrss: the watch ended or could not be measured\n");
        return 1;
    }
    const double perHour = double(lastKb - firstKb) / 1024.0 * 3600.0 / measureS;
    std::fprintf(stderr,
                 "bench_watchrss: resident %lld kB after %d s, %lld kB after %d s more, %d "
                 "scrapes; %d of %d scrapes answered in %d s of 100 at once, %lld kB after %d s "
                 "of them, %lld kB at the end\n",
                 firstKb, warmS, lastKb, measureS, scrapes, answered, asked, burstS, settledKb,
                 settleS, afterBurstsKb);
    std::printf("watch_rss_growth_mb_per_hour %.2f\n", perHour);
    std::printf("scrapes_100_at_once_answered_share %.3f\n", double(answered) / asked);
    std::printf("scrapes_100_at_once_rss_growth_mb_per_hour %.2f\n",
                double(afterBurstsKb - settledKb) / 1024.0 * 3600.0 / (burstS - settleS));
    return 0;
}
