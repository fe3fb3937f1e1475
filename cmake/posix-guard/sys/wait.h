// Stands in front of the system's <sys/wait.h>: code shared with Windows may not use it.
#if defined(KOLVEX7_LINUX_ONLY)
#include_next <sys/wait.h>
#else
#error "<sys/wait.h> in code shared with Windows: POSIX calls belong in a Linux-only file"
#endif
