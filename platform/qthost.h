#pragma once

#include "platform/host.h"

// Host services of a Qt program. The beep here is the terminal bell, for programs without
// windows; the windowed tool overrides it with the desktop's beep.
class QtHost : public Host
{
public:
    quint32 tickCount() override;
    void sleep(int ms) override;
    void doEvents() override;
    void beep() override;
};
