#include "testsupport/memoryport.h"

#include "platform/linesettings.h"
#include "testsupport/virtualhost.h"

MemoryPort::MemoryPort(VirtualHost &host) : m_host(host) {}

bool MemoryPort::setSettings(const QString &settings)
{
    if (!parseLineSettings(settings))
        return false;
    m_settingsApplied.append(settings);
    return true;
}

bool MemoryPort::open()
{
    if (m_open)
        return true;
    ++m_opens;
    if (m_openFails)
        return false;
    m_open = true;
    return true;
}

void MemoryPort::write(const QByteArray &bytes)
{
    if (!m_open || m_lost)
        return;
    m_writes.append(bytes);
    m_writeTimes.append(m_host.nowUs());
    if (onWrite)
        onWrite(bytes);
}

QByteArray MemoryPort::read()
{
    ++m_reads;
    if (onRead)
        onRead(m_reads);
    QByteArray out;
    while (!m_pending.empty() && m_pending.front().first <= m_host.nowUs()) {
        out += m_pending.front().second;
        m_pending.pop_front();
    }
    return out;
}

void MemoryPort::waitForInputUs(int us)
{
    const quint64 end = m_host.nowUs() + quint64(qMax(us, 0));
    quint64 until = end;
    if (!m_pending.empty() && m_pending.front().first < end)
        until = qMax(m_pending.front().first, m_host.nowUs());
    m_host.advanceUs(until - m_host.nowUs());
}

void MemoryPort::feedAfterUs(qint64 us, const QByteArray &bytes)
{
    quint64 at = m_host.nowUs() + quint64(qMax<qint64>(us, 0));
    if (!m_pending.empty() && m_pending.back().first > at)
        at = m_pending.back().first;
    m_pending.emplace_back(at, bytes);
}

QByteArray MemoryPort::written() const
{
    QByteArray all;
    for (const QByteArray &w : m_writes)
        all += w;
    return all;
}

void MemoryPort::clearWritten()
{
    m_writes.clear();
    m_writeTimes.clear();
}
