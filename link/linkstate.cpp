#include "link/linkstate.h"

#include "platform/host.h"

bool RefusedWhileBusy(LinkState &link)
{
    if (!link.busy())
        return false;
    link.host.beep();
    return true;
}
