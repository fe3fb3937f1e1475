#include "platform/qthost.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace {
quint64 monotonicUs()
{
    using namespace std::chrono;
    return quint64(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}
} // namespace

quint32 QtHost::tickCount()
{
    return quint32(monotonicUs() / 1000u);
}

quint64 QtHost::elapsedUs()
{
    return monotonicUs();
}

void QtHost::sleep(int ms)
{
    if (ms > 0)
        QThread::msleep(ulong(ms));
}

void QtHost::doEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtHost::waitEvents(int ms)
{
    if (ms <= 0)
        return;
    if (!QCoreApplication::instance()) {
        sleep(ms);
        return;
    }
    // The timer wakes the loop at the deadline if nothing else does; a precise timer keeps the
    // wake-up within a millisecond of it instead of the coarse timer's 5 %.
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    deadline.start(ms);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void QtHost::beep()
{
    std::fputc('\a', stderr);
    std::fflush(stderr);
}

Message::Answer QtHost::message(const Message &m)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(m.title),
                 qPrintable(QString(m.text).replace(QLatin1String("\r\n"), QLatin1String(" "))));
    return Message::AnsweredOk;
}
