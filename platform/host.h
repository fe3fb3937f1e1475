#pragma once

#include <QString>

// A modal message box as the system shows it: a title, a text (lines joined by CR LF), an
// optional critical icon, and OK or OK and Cancel.
struct Message
{
    enum Icon
    {
        NoIcon,
        Critical
    };
    enum Buttons
    {
        Ok,
        OkCancel
    };
    enum Answer
    {
        AnsweredOk,
        AnsweredCancel
    };

    QString title;
    QString text;
    Icon icon = NoIcon;
    Buttons buttons = Ok;
};

// The machine's clock and event loop: what every wait for the receiver needs. QtHost serves
// programs without windows; tests use VirtualHost, whose time passes only when the code under
// test sleeps or pumps events.
class Clock
{
public:
    virtual ~Clock() = default;

    // Milliseconds since an arbitrary start, wrapping at 2^32 like the system tick count.
    virtual quint32 tickCount() = 0;
    // Microseconds since an arbitrary start, never wrapping: for waits finer than the tick.
    virtual quint64 elapsedUs() = 0;
    // Blocks the thread; the event loop does not run.
    virtual void sleep(int ms) = 0;
    // One pass of the event loop: pending window events and timers run before this returns.
    virtual void doEvents() = 0;
    // Runs the event loop until an event has been handled or ms milliseconds have passed,
    // whichever comes first, sleeping while nothing happens: a wait that costs no CPU yet
    // answers a click or a timer as soon as it comes.
    virtual void waitEvents(int ms) = 0;
};

// Talking to the operator: the beep, the SHIFT key and modal message boxes. The tool's own host
// shows the desktop's; kolvex7-ctl writes messages to standard error; VirtualHost records what
// the operator would have seen.
class Dialogue
{
public:
    virtual ~Dialogue() = default;

    virtual void beep() = 0;
    // The SHIFT key is down at this moment.
    virtual bool shiftDown() = 0;
    // Shows the message modally and returns the operator's answer.
    virtual Message::Answer message(const Message &m) = 0;
};

// Both, as the machine the system runs on serves them.
class Host : public Clock, public Dialogue
{
};
