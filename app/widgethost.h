#pragma once

#include "platform/qthost.h"

// Host services of the windowed tool: the desktop's beep, the keyboard's SHIFT state and
// message boxes.
class WidgetHost : public QtHost
{
public:
    void beep() override;
    bool shiftDown() override;
    Message::Answer message(const Message &m) override;
};
