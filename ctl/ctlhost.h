#pragma once

#include "platform/qthost.h"

#include <QString>

class Output;
class RunToken;

// Ctrl+C, and SIGTERM as a service manager stops a service, stop the run under way after the
// exchange in flight: a tune or scan sets the receiver back, a watch ends (exit 0).
void StopOnSignals();

// The host of a program without windows; Ctrl+C stops the run under way at the next pass of
// the event loop, which every wait for the receiver makes, and a question about replacing a
// file is answered by --force.
class CtlHost : public QtHost
{
public:
    RunToken *run = nullptr;
    bool force = false;
    Output *out = nullptr;
    QString stopText = QStringLiteral("stopping after the exchange in flight");
    void doEvents() override;
    void waitEvents(int ms) override;
    Message::Answer message(const Message &m) override;

private:
    void stopOnCtrlC();
};
