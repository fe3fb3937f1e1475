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

// The services of the machine the system waits and talks to the operator with: a millisecond
// tick count, a blocking sleep, one pass of the event loop, the beep, the SHIFT key and modal
// message boxes. QtHost serves programs without windows, the tool's own host adds the desktop's
// beep, keyboard and message boxes; tests use VirtualHost, whose time passes only when the code
// under test sleeps or pumps events and which records what the operator would have seen.
class Host
{
public:
    virtual ~Host() = default;

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
    virtual void beep() = 0;
    // The SHIFT key is down at this moment.
    virtual bool shiftDown() = 0;
    // Shows the message modally and returns the operator's answer.
    virtual Message::Answer message(const Message &m) = 0;
};
