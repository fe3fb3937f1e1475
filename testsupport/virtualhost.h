#pragma once

#include "platform/host.h"

#include <QList>

#include <deque>
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
    quint64 elapsedUs() override { return m_nowUs; }
    void sleep(int ms) override;
    void doEvents() override;
    // Time passes to the first callback due within ms, which then runs, or by ms.
    void waitEvents(int ms) override;
    void beep() override { ++m_beeps; }
    bool shiftDown() override { return m_shift; }
    // Records the message and answers it with the next queued answer (OK when none is queued).
    Message::Answer message(const Message &m) override;

    void setShiftDown(bool down) { m_shift = down; }
    void queueAnswer(Message::Answer a) { m_answers.push_back(a); }
    const QList<Message> &messages() const { return m_messages; }
    // Called with each message as it is shown (a test may act while it is up).
    std::function<void(const Message &)> onMessage;

    // Virtual time since construction, in microseconds.
    quint64 nowUs() const { return m_nowUs; }
    void setPassCostUs(quint64 us) { m_passCostUs = us; }
    // Lets virtual time pass without counting it as a sleep (a wait for input).
    void advanceUs(quint64 us) { m_nowUs += us; }
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
    bool m_shift = false;
    QList<Message> m_messages;
    std::deque<Message::Answer> m_answers;
    std::multimap<quint64, std::function<void()>> m_due;
};
