#include "testsupport/virtualhost.h"

VirtualHost::VirtualHost(quint32 startTick) : m_startTick(startTick) {}

quint32 VirtualHost::tickCount()
{
    return quint32(m_startTick + m_nowUs / 1000u);
}

void VirtualHost::sleep(int ms)
{
    if (ms <= 0)
        return;
    m_nowUs += quint64(ms) * 1000u;
    m_sleptMs += quint64(ms);
}

void VirtualHost::doEvents()
{
    ++m_passes;
    while (!m_due.empty() && m_due.begin()->first <= m_nowUs) {
        auto fn = std::move(m_due.begin()->second);
        m_due.erase(m_due.begin());
        fn();
    }
    m_nowUs += m_passCostUs;
}

void VirtualHost::waitEvents(int ms)
{
    if (ms <= 0)
        return;
    const quint64 deadline = m_nowUs + quint64(ms) * 1000u;
    const quint64 due = m_due.empty() ? deadline : m_due.begin()->first;
    m_nowUs = qMax(m_nowUs, qMin(due, deadline));
    doEvents();
}

void VirtualHost::after(int ms, std::function<void()> fn)
{
    atUs(m_nowUs + quint64(qMax(ms, 0)) * 1000u, std::move(fn));
}

void VirtualHost::atUs(quint64 us, std::function<void()> fn)
{
    m_due.emplace(us, std::move(fn));
}

Message::Answer VirtualHost::message(const Message &m)
{
    m_messages.append(m);
    if (onMessage)
        onMessage(m);
    if (m_answers.empty())
        return Message::AnsweredOk;
    const Message::Answer a = m_answers.front();
    m_answers.pop_front();
    return a;
}
