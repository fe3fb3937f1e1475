#pragma once

#include "platform/host.h"

#include <functional>
#include <map>

// Host services on a virtual clock, for tests. Time moves only when the code under test sleeps
// (by the time asked) or runs an event-loop pass (by a small fixed cost, so that a loop waiting
// on the clock alone ends). A pass runs every callback scheduled for a moment that has come,
// as a real pass would run a click or a timer that is due.
class VirtualHost : public Host
{
public:
    explicit VirtualHost(quint32 startTick = 0);

    quint32 tickCount() override;
    void sleep(int ms) override;
    void doEvents() override;
    void beep() override { ++m_beeps; }

    // Virtual time since construction, in microseconds.
    quint64 nowUs() const { return m_nowUs; }
    void setPassCostUs(quint64 us) { m_passCostUs = us; }
    // Runs fn in the first event-loop pass at or after ms milliseconds from now.
    void after(int ms, std::function<void()> fn);
    void atUs(quint64 us, std::function<void()> fn);

    int beeps() const { return m_beeps; }
    quint64 passes() const { return m_passes; }
    quint64 sleptMs() const { return m_sleptMs; }

private:
    quint32 m_startTick;
    quint64 m_nowUs = 0;
    quint64 m_passCostUs = 10;
    quint64 m_passes = 0;
    quint64 m_sleptMs = 0;
    int m_beeps = 0;
    std::multimap<quint64, std::function<void()>> m_due;
};
