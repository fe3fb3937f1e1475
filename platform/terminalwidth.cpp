#include "platform/terminalwidth.h"

#include <sys/ioctl.h>
#include <unistd.h>

int StandardOutputTerminalWidth()
{
    winsize size{};
    if (isatty(STDOUT_FILENO) && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0)
        return size.ws_col;
    return 0;
}
