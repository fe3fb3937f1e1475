#include "platform/qthost.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
#include <ctime>

quint32 QtHost::tickCount()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const quint64 ms = quint64(ts.tv_sec) * 1000u + quint64(ts.tv_nsec) / 1000000u;
    return quint32(ms);
}

quint64 QtHost::elapsedUs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return quint64(ts.tv_sec) * 1000000u + quint64(ts.tv_nsec) / 1000u;
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
