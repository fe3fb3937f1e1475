// Stands in front of the system's <sys/ioctl.h>: code shared with Windows may not use it.
#if defined(KOLVEX7_LINUX_ONLY)
#include_next <sys/ioctl.h>
#else
#error "<sys/ioctl.h> in code shared with Windows: POSIX calls belong in a Linux-only file"
#endif
