// Stands in front of the system's <sys/prctl.h>: code shared with Windows may not use it.
#if defined(KOLVEX7_LINUX_ONLY)
#include_next <sys/prctl.h>
#else
#error "<sys/prctl.h> in code shared with Windows: POSIX calls belong in a Linux-only file"
#endif
