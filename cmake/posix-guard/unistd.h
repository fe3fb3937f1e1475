// Stands in front of the system's <unistd.h>: code shared with Windows may not use it. glibc's
// <signal.h>, behind the standard <csignal>, includes it for itself.
#if defined(KOLVEX7_LINUX_ONLY) || defined(_SIGNAL_H)
#include_next <unistd.h>
#else
#error "<unistd.h> in code shared with Windows: POSIX calls belong in a Linux-only file"
#endif
