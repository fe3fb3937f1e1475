#pragma once

#include <QtGlobal>

// The services of the machine that the receiver link waits with: a millisecond tick count,
// a blocking sleep, one pass of the event loop, and the beep. The real one is QtHost; tests
// use VirtualHost, whose time passes only when the code under test sleeps or pumps events.
class Host
{
public:
    virtual ~Host() = default;

    // Milliseconds since an arbitrary start, wrapping at 2^32 like the system tick count.
    virtual quint32 tickCount() = 0;
    // Blocks the thread; the event loop does not run.
    virtual void sleep(int ms) = 0;
    // One pass of the event loop: pending window events and timers run before this returns.
    virtual void doEvents() = 0;
    virtual void beep() = 0;
};
