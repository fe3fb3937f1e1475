// Stands in front of the system's <poll.h>: code shared with Windows may not use it.
#if defined(KOLVEX7_LINUX_ONLY)
#include_next <poll.h>
#else
#error "<poll.h> in code shared with Windows: POSIX calls belong in a Linux-only file"
#endif
