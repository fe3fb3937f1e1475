#pragma once

#include "platform/host.h"

// Host services of a Qt program without windows: the beep is the terminal bell, there is no
// keyboard to read, and a message goes to standard error and counts as answered with OK. The
// windowed tool overrides the last three with the desktop's.
class QtHost : public Host
{
public:
    quint32 tickCount() override;
    quint64 elapsedUs() override;
    void sleep(int ms) override;
    void doEvents() override;
    void waitEvents(int ms) override;
    void beep() override;
    bool shiftDown() override { return false; }
    Message::Answer message(const Message &m) override;
};
